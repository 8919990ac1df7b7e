// The cost allocation cube on a scale-1 company ($TALVEX_BENCH_DB, which must hold this
// branch's allocation procedure): the company's procedure run through the database command
// service for a year, the cube build to its first grid, and beside them the same month and
// goods sums without the allocation in one hand-written statement.
#include "host/cube/Engine.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cost/RAllocateCostByDept.hpp"

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
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    try {
        auto book = Erp::OpenBook(BenchConnectString(), "bench");
        Quarn_DuzAde::RAllocateCostByDept report;
        report.SetBook(book);
        FieldList& params = report.Params();
        params.Add("BegDate", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("EndDate", FieldType::kDate, Value(Date(2025, 12, 31)));
        params.Add("MFCostCenter", FieldType::kMultiSelection, Value(std::string()));
        params.Add("AccSetCode", FieldType::kCode, Value("1"));

        std::shared_ptr<Data::Recordset> rows;
        const auto proc = Timed(runs, [&] { rows = report.RunProcedure(); });
        if (!rows) throw std::runtime_error("the procedure failed");
        Print("the company's allocation procedure, one year", proc, std::to_string(rows->RecordCount()) + " rows");
        Cube::Engine engine;
        const auto build = Timed(runs, [&] {
            engine.SetActive(false);
            Quarn_DuzAde::RAllocateCostByDept::DefineCube(engine);
            engine.AttachRecordset(*rows);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Print("cube build (load rows, encode, first grid)", build);
        std::vector<double> whole;
        for (std::size_t i = 0; i < proc.size(); ++i)
            whole.push_back(proc[i] + build[i]);
        Print("from the button to the first grid (procedure + build)", whole);
        Data::ResultSet reference;
        const auto hand = Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWritten); });
        Print("reference: the same sums unallocated, one statement", hand,
              std::to_string(reference.rows.size()) + " rows");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "CostAllocationBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
