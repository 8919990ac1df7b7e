// The purchases cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the SQL read of the cube's list, the cube build to its first grid, and
// beside them the same figures in one hand-written PostgreSQL statement.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RPurchase.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// The cube's figures by supplier (its generic client) and month, written by hand.
constexpr const char* kHandWritten = R"sql(
SELECT COALESCE(gc.Code, cl.Code) AS Supplier, date_trunc('month', d.DocumentDate) AS Month, d.Department, d.Author,
       sum(s.AmountAccount) AS GoodAmount, sum(s.CostSumm) AS Summa,
       min(round(s.CostSumm / s.AmountAccount, 4)) AS MinPrice, max(round(s.CostSumm / s.AmountAccount, 4)) AS MaxPrice
FROM THDocument d
JOIN THGoodSpec s ON s.DocID = d.IDC
JOIN REFGood g ON g.Code = s.GoodCode AND g.Category = 0
LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
LEFT JOIN REFClient cl ON cl.Code = p.PartyCode
LEFT JOIN REFGenericClient gc ON gc.ClientCode = p.PartyCode
WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
  AND s.AmountAccount <> 0
GROUP BY 1, 2, 3, 4
)sql";

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    return Bench::RunProgram("PurchaseCubeBench", [&] {
        auto book = Bench::OpenBook();
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
        Quarn_DuzAde::RPurchase report;
        if (!report.Prepare(params)) throw std::runtime_error("no Book");
        const long rows = static_cast<long>(
            book->Db()
                .QueryPostgres("SELECT count(*) FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID WHERE "
                               "d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' "
                               "AND '2026-12-31'")
                .rows.at(0)
                .at(0)
                .ToInteger());

        std::shared_ptr<DataList> list;
        const auto read = Bench::Timed(runs, [&] {
            list = report.CreatePurchaseList(false);
            list->Refresh();
        });
        auto rs = list->Recordset();
        Bench::PrintFigure("SQL read of the purchase list", read,
                           std::to_string(rows) + " purchase rows -> " + std::to_string(rs->RecordCount()) +
                               " cube rows");

        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RPurchase::DefineCube(engine);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build,
                           std::to_string(engine.Grid().RowCount()) + " rows in the first grid");

        const auto whole = Bench::Timed(runs, [&] {
            auto fresh = report.CreatePurchaseList(false);
            fresh->Refresh();
            Cube::Engine e;
            e.AttachRecordset(*fresh->Recordset());
            Quarn_DuzAde::RPurchase::DefineCube(e);
            e.SetActive(true);
            (void)e.Grid().RowCount();
        });
        Bench::PrintFigure("from the button to the first grid (read + build)", whole);

        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Bench::PrintFigure("reference: one hand-written SQL statement", hand,
                           std::to_string(reference.rows.size()) + " supplier x month x department x author rows");
        Bench::PrintPeakMemory();
    });
}
