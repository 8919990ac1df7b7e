// The sales analysis family on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): for the sales cube, the sales analysis by sessions and cards, its
// trends, its hotel variant, the back orders and the price and competitor cubes, the time from the button to the first grid (the SQL read, the
// rows into the engine, the definition and the first grid) and a re-layout. With
// --export DIR it writes each cube's rows as CSV (NAME.csv) for bench/sales-analysis.sh,
// which groups the same rows in DuckDB beside these figures.
#include "host/cube/Engine.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/QuoteText.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RBackOrder.hpp"
#include "quarn/cube/RCompetitorPrice.hpp"
#include "quarn/cube/RSale.hpp"
#include "quarn/cube/RSaleCompetitor.hpp"
#include "quarn/cube/RSaleInfimumPrice.hpp"
#include "quarn/cube/RSaleNew.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
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

double MillisSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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

void ExportCsv(Data::Recordset& rs, const std::string& path)
{
    std::ofstream out(path);
    const std::size_t columns = rs.Fields().Count();
    for (std::size_t c = 0; c < columns; ++c)
        out << (c ? "," : "") << rs.Fields().Item(c).Name();
    out << "\n";
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        for (std::size_t c = 0; c < columns; ++c) {
            Value v = rs.Fields().Item(c).Value();
            if (c) out << ",";
            if (v.IsNull() || v.IsEmpty()) continue;
            out << (v.IsText() ? Data::QuoteByDoubling(v.ToText(), '"') : v.ToInvariantText());
        }
        out << "\n";
    }
}

struct BenchedCube {
    std::string name;
    // Reads the rows and defines the cube on the engine; returns the rows read.
    std::function<std::shared_ptr<Data::Recordset>(Talvex::Cube::Engine&)> open;
    std::string rowDim;  // the first grid's row dimension, moved to the columns and back
    std::string groupBy; // the column the DuckDB reference groups by
};

} // namespace

int main(int argc, char** argv)
{
    // Each figure as soon as it is known: a run at the bench scale takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string exportDir;
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--export") exportDir = argv[i + 1];
    }
    try {
        auto book = Erp::OpenBook(BenchConnectString(), "bench");
        auto paramsWith = [&](const char* mode) {
            FieldList params;
            params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
            params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
            params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
            if (*mode) params.Add(mode, FieldType::kFlag, Value(1));
            return params;
        };
        std::vector<std::shared_ptr<Object>> keep; // the reports stay while their rows are read
        std::vector<double> readTimes;             // of each run, the SQL read alone
        // A cube on the sales list: the rows read, then the cube's sums over them, as the
        // window opens it.
        auto onSalesList = [&]<class Report>(const char* mode) {
            return [&, mode](Talvex::Cube::Engine& engine) {
                auto params = paramsWith(mode);
                if (std::string(mode) == "Trend")
                    params.Add("TrendFacts", FieldType::kLongText, Value(std::string("Summa,Profit")));
                auto report = std::make_shared<Report>();
                keep.push_back(report);
                if (!report->Prepare(params)) throw std::runtime_error("no Book");
                const auto start = std::chrono::steady_clock::now();
                auto rs = report->ReadSalesRows()->Recordset();
                readTimes.push_back(MillisSince(start));
                engine.SetActive(false);
                engine.AttachRecordset(*rs);
                report->DefineCube(engine);
                engine.SetActive(true);
                return rs;
            };
        };
        // A report that reads its rows with CreateList, with one more parameter.
        auto opened = [&]<class Report>(const char* name, const char* value) {
            return [&, name, value](Talvex::Cube::Engine& engine) {
                auto params = paramsWith("");
                params.Add("BegPeriod", FieldType::kDate, Value(Date(2025, 1, 1)));
                params.Add("EndPeriod", FieldType::kDate, Value(Date(2026, 12, 31)));
                if (*name) params.Add(name, FieldType::kText, Value(std::string(value)));
                auto report = std::make_shared<Report>();
                keep.push_back(report);
                if (!report->Prepare(params)) throw std::runtime_error("no Book");
                const auto start = std::chrono::steady_clock::now();
                // As the window reads it: by the halves of the period where the report does.
                std::shared_ptr<DataList> list;
                if constexpr (requires { report->ReadList(); }) {
                    list = report->ReadList();
                } else {
                    list = report->CreateList();
                    list->Refresh();
                }
                auto rs = list->Recordset();
                readTimes.push_back(MillisSince(start));
                engine.SetActive(false);
                engine.AttachRecordset(*rs);
                report->DefineCube(engine);
                engine.SetActive(true);
                return rs;
            };
        };
        auto analysis = [&](const char* mode) { return onSalesList.operator()<Quarn_DuzAde::RSaleNew>(mode); };
        std::vector<BenchedCube> cubes{
            {"RSale", onSalesList.operator()<Quarn_DuzAde::RSale>(""), "GroupT", "GroupT"},
            {"RSaleNew", analysis(""), "PLFolder1", "PLFolder1"},
            {"RSaleTrend", analysis("Trend"), "PLFolder1", "PLFolder1"},
            {"RSaleHotel", analysis("Restaurant"), "PLFolder1", "PLFolder1"},
            {"RBackOrder",
             [&](Talvex::Cube::Engine& engine) {
                 auto params = paramsWith("");
                 auto report = std::make_shared<Quarn_DuzAde::RBackOrder>();
                 keep.push_back(report);
                 if (!report->Prepare(params)) throw std::runtime_error("no Book");
                 const auto start = std::chrono::steady_clock::now();
                 auto list = report->CreateList();
                 list->Refresh();
                 auto rs = list->Recordset();
                 readTimes.push_back(MillisSince(start));
                 engine.SetActive(false);
                 engine.AttachRecordset(*rs);
                 report->DefineCube(engine);
                 engine.SetActive(true);
                 return rs;
             },
             "Client", "Client"},
            {"RSaleInfimumPrice", opened.operator()<Quarn_DuzAde::RSaleInfimumPrice>("PriceTypeCode", "SAV"),
             "Department", "Department"},
            {"RCompetitorPrice", opened.operator()<Quarn_DuzAde::RCompetitorPrice>("", ""), "Good", "Good"},
            {"RSaleCompetitor", opened.operator()<Quarn_DuzAde::RSaleCompetitor>("", ""), "Competitor", "Competitor"},
            {"RProfitByCompetitor", opened.operator()<Quarn_DuzAde::RProfitByCompetitor>("IsAnalogue", "1"),
             "Competitor", "Competitor"},
        };

        std::printf("Sales analysis cubes on talvex_bench, 2025-2026; load %s", "");
        if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
            char text[64] = {};
            if (std::fgets(text, sizeof text, load)) std::printf("%s", text);
            std::fclose(load);
        }
        std::printf("%-12s %-36s %10s %10s  %s\n", "cube", "step", "min ms", "median ms", "");
        for (auto& cube : cubes) {
            std::unique_ptr<Talvex::Cube::Engine> engine;
            std::shared_ptr<Data::Recordset> rs;
            std::size_t gridRows = 0;
            std::vector<double> first;
            readTimes.clear();
            for (int run = 0; run < runs; ++run) {
                // Each run starts from nothing: what the run before left goes first, untimed.
                rs.reset();
                keep.clear();
                engine = std::make_unique<Talvex::Cube::Engine>();
                const auto start = std::chrono::steady_clock::now();
                rs = cube.open(*engine);
                gridRows = engine->Grid().RowCount();
                first.push_back(MillisSince(start));
            }
            std::sort(first.begin(), first.end());
            std::sort(readTimes.begin(), readTimes.end());
            std::printf("%-12s %-36s %10.0f %10.0f  %ld rows read, %zu grid rows\n", cube.name.c_str(),
                        "button to the first grid", first.front(), first[first.size() / 2],
                        static_cast<long>(rs->RecordCount()), gridRows);
            std::printf("%-12s %-36s %10.0f %10.0f\n", cube.name.c_str(), "  of which the SQL read", readTimes.front(),
                        readTimes[readTimes.size() / 2]);
            bool flip = false;
            const auto relayout = Timed(5, [&] {
                flip = !flip;
                engine->Dims()
                    .Item(cube.rowDim)
                    .MoveTo(flip ? Talvex::Cube::Axis::Columns : Talvex::Cube::Axis::Rows, 0);
                const char* across = cube.name == "RCompetitorPrice"    ? "CompCode"
                                     : cube.name == "RSaleInfimumPrice" ? "Month"
                                                                        : "Year";
                engine->Dims().Item(across).MoveTo(flip ? Talvex::Cube::Axis::Rows : Talvex::Cube::Axis::Columns, 0);
                (void)engine->Grid().ColCount();
            });
            std::printf("%-12s %-36s %10.1f %10.1f  %zu x %zu headers\n", cube.name.c_str(),
                        "re-layout (rows and years swapped)", relayout.front(), relayout[relayout.size() / 2],
                        engine->Grid().RowCount(), engine->Grid().ColHeaderCount());
            if (!exportDir.empty()) ExportCsv(*rs, exportDir + "/" + cube.name + ".csv");
            const auto& grid = engine->Grid();
            const char* fact = cube.name == "RBackOrder"                           ? "PAmount"
                               : cube.name == "RCompetitorPrice"                   ? "COUNTER"
                               : cube.name.find("Competitor") != std::string::npos ? "SummaAcc"
                                                                                   : "Summa";
            std::printf("total %s %s %.4f\n", cube.name.c_str(), fact,
                        grid.FactValue(*grid.FindRow({}), *grid.FindColHeader({}), fact).value_or(0));
            std::printf("group %s %s\n", cube.name.c_str(), cube.groupBy.c_str());
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "SalesAnalysisBench: %s\n", e.what());
        return 1;
    }
}
