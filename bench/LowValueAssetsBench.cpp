// The low-value assets cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the holders' tree, the SQL read of the cube's list and the cube build,
// beside the same sums in one hand-written PostgreSQL statement.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/cost/RLValAssState.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

constexpr const char* kHandWritten = R"sql(
SELECT p.PartyCode, COALESCE(a.AssetsCode, a.FAObjectCode), sum(s.Amount), sum(s.Summa)
FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
JOIN THGoodSpecITNS a ON a.DocID = s.DocID AND a.PosNumb = s.PosNumb
JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR' AND p.PartyType = 1
WHERE d.DocTypeCode = 'ITNS' AND d.IsPosted = 1 AND d.DocumentDate <= '2026-06-30'
  AND (a.RetDate IS NULL OR a.RetDate > '2026-06-30')
GROUP BY 1, 2
)sql";

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    return Bench::RunProgram("LowValueAssetsBench", [&] {
        auto book = Bench::OpenBook();
        Quarn_DuzAde::RLValAssState report;
        report.SetBook(book);
        report.SetChoice(0, "", Date(2026, 6, 30));
        const auto tree = Bench::Timed(runs, [&] { report.ReadHolderTree(); });
        Bench::PrintFigure("the holders' places in the client tree", tree,
                           std::to_string(report.HolderLevels()) + " levels");
        std::shared_ptr<DataList> list;
        const auto read = Bench::Timed(runs, [&] {
            list = report.CreateList(false);
            list->Refresh();
        });
        auto rs = list->Recordset();
        Bench::PrintFigure("SQL read of the holdings", read, std::to_string(rs->RecordCount()) + " cube rows");
        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            report.DefineCube(engine);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build);
        Bench::PrintFigure("from the button to the first grid", tree + read + build);
        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Bench::PrintFigure("reference: one hand-written SQL statement", hand,
                           std::to_string(reference.rows.size()) + " rows");
        Bench::PrintPeakMemory();
    });
}
