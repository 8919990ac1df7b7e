// The low-value assets cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the holders' tree, the SQL read of the cube's list and the cube build,
// beside the same sums in one hand-written PostgreSQL statement.
#include "host/cube/Engine.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/cost/RLValAssState.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Data::LocalServer server(Data::LocalServer::TestHome(), Data::Durability::Throwaway);
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

std::vector<double> Timed(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

void Print(const char* step, const std::vector<double>& times, const std::string& note = {})
{
    std::printf("%-52s min %7.0f ms  median %7.0f ms  (%zu runs) %s\n", step, times.front(), times[times.size() / 2],
                times.size(), note.c_str());
}

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
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    try {
        auto book = Erp::OpenBook(BenchConnectString(), "bench");
        Quarn_DuzAde::RLValAssState report;
        report.SetBook(book);
        report.SetChoice(0, "", Date(2026, 6, 30));
        const auto tree = Timed(runs, [&] { report.ReadHolderTree(); });
        Print("the holders' places in the client tree", tree, std::to_string(report.HolderLevels()) + " levels");
        std::shared_ptr<DataList> list;
        const auto read = Timed(runs, [&] {
            list = report.CreateList(false);
            list->Refresh();
        });
        auto rs = list->Recordset();
        Print("SQL read of the holdings", read, std::to_string(rs->RecordCount()) + " cube rows");
        Cube::Engine engine;
        const auto build = Timed(runs, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            report.DefineCube(engine);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Print("cube build (load rows, encode, first grid)", build);
        std::vector<double> whole;
        for (std::size_t i = 0; i < read.size(); ++i)
            whole.push_back(tree[i] + read[i] + build[i]);
        Print("from the button to the first grid", whole);
        Data::ResultSet reference;
        const auto hand = Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Print("reference: one hand-written SQL statement", hand, std::to_string(reference.rows.size()) + " rows");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "LowValueAssetsBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
