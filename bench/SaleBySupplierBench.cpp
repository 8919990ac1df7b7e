// Sales by supplier on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the SQL read of the cube's list and the cube build to its first grid,
// beside the same sums in one hand-written PostgreSQL statement.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RSaleBySupplier.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <fstream>
#include <string>

using namespace Talvex;

namespace {

// Sold parts by supplier, good and month, at the lots' unit cost (sums in the documents'
// currencies left unconverted: the reference times the joins, not the rates), and the rests
// of the lots at the year's end.
constexpr const char* kHandWritten = R"sql(
WITH lots AS (
    SELECT i.IDC, p.PartyCode AS Vendor, i.AmountAccount, i.CostSumm, d.DocumentDate
    FROM THDocument d JOIN THGoodSpec i ON i.DocID = d.IDC JOIN REFGood g ON g.Code = i.GoodCode AND g.Category = 0
    LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF'))
SELECT l.Vendor, o.GoodCode, date_trunc('month', od.DocumentDate), sum(f.Amount),
       sum(o.Summa / NULLIF(o.AmountAccount, 0) * f.Amount), sum(l.CostSumm / NULLIF(l.AmountAccount, 0) * f.Amount)
FROM THGoodSpecFixLog f JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID
JOIN THDocument od ON od.IDC = o.DocID AND od.IsPosted = 1 AND od.DocTypeCode IN ('PRSF', 'RD', 'RDG', 'HR', 'HS')
JOIN lots l ON l.IDC = f.IncomeSpecID
WHERE od.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
GROUP BY 1, 2, 3
UNION ALL
SELECT l.Vendor, NULL, NULL, sum(l.AmountAccount - COALESCE(t.Taken, 0)), NULL, NULL
FROM lots l LEFT JOIN (SELECT f.IncomeSpecID, sum(f.Amount) AS Taken FROM THGoodSpecFixLog f
                       JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
                       WHERE od.DocumentDate <= '2025-12-31' GROUP BY 1) t ON t.IncomeSpecID = l.IDC
WHERE l.DocumentDate <= '2025-12-31'
GROUP BY 1
)sql";

// The machine's load averages (1, 5 and 15 minutes): the figures of a busy machine are only
// indicative.
std::string MachineLoad()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen)) return "unknown";
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    std::string sqlFile; // --sql FILE: the read's statement as PostgreSQL runs it, for EXPLAIN
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--sql") sqlFile = argv[i + 1];
    return Bench::RunProgram("SaleBySupplierBench", [&] {
        std::printf("machine load before the runs: %s\n", MachineLoad().c_str());
        auto book = Bench::OpenBook();
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
        Quarn_DuzAde::RSaleBySupplier report;
        if (!report.Prepare(params)) throw std::runtime_error("no Book");

        if (!sqlFile.empty())
            std::ofstream(sqlFile) << Data::TSql::Translate(report.CreateList(false)->SqlText()).postgres << "\n";
        std::shared_ptr<DataList> list;
        const auto read = Bench::Timed(runs, [&] {
            list = report.CreateList(false);
            list->Refresh();
        });
        auto rs = list->Recordset();
        Bench::PrintFigure("SQL read of the sales-by-supplier list", read,
                           std::to_string(rs->RecordCount()) + " cube rows");

        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RSaleBySupplier::DefineCube(engine);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build,
                           std::to_string(engine.Grid().RowCount()) + " rows in the first grid");
        Bench::PrintFigure("from the button to the first grid (read + build)", read + build);

        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Bench::PrintFigure("reference: one hand-written SQL statement", hand,
                           std::to_string(reference.rows.size()) + " rows");
        std::printf("machine load after the runs: %s\n", MachineLoad().c_str());
        Bench::PrintPeakMemory();
    });
}
