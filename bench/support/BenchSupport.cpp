#include "support/BenchSupport.hpp"

#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Date.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace Bench {

std::string ConnectString(Missing missing)
{
    static const std::string connect = [missing] {
        if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return std::string(env);
        Talvex::Data::LocalServer server;
        server.EnsureRunning();
        if (missing == Missing::Create) server.EnsureDatabase("talvex_bench");
        return server.ConnectString("talvex_bench");
    }();
    return connect;
}

std::shared_ptr<Talvex::Book> OpenBook(const std::string& userName)
{
    return Talvex::Erp::OpenBook(ConnectString(), userName);
}

std::string BusiestSalesDepartment(Talvex::Book& book, const Talvex::Date& first, const Talvex::Date& last)
{
    const auto pick = book.Db().Query("SELECT Department FROM THDocument WHERE DocTypeCode = 'PRSF' AND IsPosted = 1 "
                                      "AND DocumentDate BETWEEN ? AND ? AND Department IS NOT NULL "
                                      "GROUP BY Department ORDER BY COUNT(*) DESC, Department",
                                      {Talvex::Value(first), Talvex::Value(last)});
    if (pick.rows.empty()) throw std::runtime_error("the bench company has no posted sale invoice in the period");
    return pick.rows.at(0).at(0).ToText();
}

Codes FirstColumnCodes(Talvex::Book& book, const char* statement, const Talvex::Date& first, const Talvex::Date& last)
{
    return FirstColumnCodes(book.Db().QueryPostgres(statement, {Talvex::Value(first), Talvex::Value(last)}));
}

Codes FirstColumnCodes(const Talvex::Data::ResultSet& result)
{
    Codes codes;
    for (const auto& row : result.rows)
        codes.codes.insert(row.at(0).ToText());
    return codes;
}

Timings::Timings(std::vector<double> milliseconds) : milliseconds_(std::move(milliseconds))
{
    if (milliseconds_.empty()) throw std::invalid_argument("Timings: no run was timed");
    std::sort(milliseconds_.begin(), milliseconds_.end());
}

Timings Timings::operator+(const Timings& other) const
{
    std::vector<double> sums;
    for (std::size_t i = 0; i < std::min(Runs(), other.Runs()); ++i)
        sums.push_back(milliseconds_[i] + other.milliseconds_[i]);
    return Timings(std::move(sums));
}

Timings Timed(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < std::max(runs, 1); ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    return Timings(std::move(times));
}

std::string MinAndMedian(const Timings& timings)
{
    char text[96];
    std::snprintf(text, sizeof text, "min %.0f ms, median %.0f ms of %zu", timings.Min(), timings.Median(),
                  timings.Runs());
    return text;
}

void PrintFigure(std::string_view step, const Timings& timings, std::string_view note)
{
    std::printf("%-52.*s min %7.0f ms  median %7.0f ms  (%zu runs) %.*s\n", static_cast<int>(step.size()), step.data(),
                timings.Min(), timings.Median(), timings.Runs(), static_cast<int>(note.size()), note.data());
}

double PeakMemoryMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void PrintPeakMemory()
{
    std::printf("%-52s %7.0f MB\n", "peak memory", PeakMemoryMB());
}

int RunsFromArguments(int argc, char** argv, int fallback)
{
    int runs = fallback;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--runs") runs = std::atoi(argv[i + 1]);
    return std::max(runs, 1);
}

int RunProgram(std::string_view program, const std::function<void()>& body)
{
    try {
        body();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(), e.what());
        return 1;
    }
}

void Once(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->ComputeStatistics(
            "min", [](const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); });
}

void CountPeakMemory(benchmark::State& state)
{
    state.counters["peak_MB"] = PeakMemoryMB();
}

} // namespace Bench
