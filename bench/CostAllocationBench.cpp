// The cost allocation cube on a scale-1 company ($TALVEX_BENCH_DB, which must hold this
// branch's allocation procedure): the company's procedure run through the database command
// service for a year, the cube build to its first grid, and beside them the same month and
// goods sums without the allocation in one hand-written statement.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cost/RAllocateCostByDept.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// The sales by month and goods and the costs by month and kind, unallocated.
constexpr const char* kHandWritten = R"sql(
SELECT date_trunc('month', d.DocumentDate), g.GoodCode, sum(g.Summa - COALESCE(a.SummVAT, 0)), sum(g.CostSumm)
FROM THDocument d JOIN THGoodSpec g ON g.DocID = d.IDC
LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
  AND d.Department IN (SELECT DepCode FROM REFMFCostCenter WHERE IsGroup = 0 AND CostKind IS NULL)
GROUP BY 1, 2
UNION ALL
SELECT date_trunc('month', d.DocumentDate), c.CostKind, sum(g.Summa), NULL
FROM THDocument d JOIN REFMFCostCenter c ON c.DepCode = d.Department AND c.CostKind IS NOT NULL
JOIN THGoodSpec g ON g.DocID = d.IDC
WHERE d.DocTypeCode IN ('TPPI', 'TID', 'MMW', 'ITNS') AND d.IsPosted = 1
  AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
GROUP BY 1, 2
)sql";

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    return Bench::RunProgram("CostAllocationBench", [&] {
        auto book = Bench::OpenBook();
        Quarn_DuzAde::RAllocateCostByDept report;
        report.SetBook(book);
        FieldList& params = report.Params();
        params.Add("BegDate", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("EndDate", FieldType::kDate, Value(Date(2025, 12, 31)));
        params.Add("MFCostCenter", FieldType::kMultiSelection, Value(std::string()));
        params.Add("AccSetCode", FieldType::kCode, Value("1"));

        std::shared_ptr<Data::Recordset> rows;
        const auto proc = Bench::Timed(runs, [&] { rows = report.RunProcedure(); });
        if (!rows) throw std::runtime_error("the procedure failed");
        Bench::PrintFigure("the company's allocation procedure, one year", proc,
                           std::to_string(rows->RecordCount()) + " rows");
        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            Quarn_DuzAde::RAllocateCostByDept::DefineCube(engine);
            engine.AttachRecordset(*rows);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build);
        Bench::PrintFigure("from the button to the first grid (procedure + build)", proc + build);
        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Bench::PrintFigure("reference: the same sums unallocated, one statement", hand,
                           std::to_string(reference.rows.size()) + " rows");
        Bench::PrintPeakMemory();
    });
}
