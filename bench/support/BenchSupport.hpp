#pragma once
// What every benchmark of the module shares: the bench company it reads and a Book on it,
// timed runs with their minimum and median, the figure line a program prints, the peak
// memory of the process, and the Google Benchmark settings of a run that is timed once per
// repetition and checked against its reference.
#include "host/types/Date.hpp"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
namespace Data {
struct ResultSet;
}
} // namespace Talvex

namespace Bench {

// What to do when the bench database does not exist on the local server.
enum class Missing { Fail, Create };

// The bench company's connection string: $TALVEX_BENCH_DB, else the database talvex_bench on
// the local server of $TALVEX_HOME (started when it is not running). Worked out once, by the
// first call.
std::string ConnectString(Missing missing = Missing::Fail);

// A Book on the bench company, on a connection of its own, as `userName`.
std::shared_ptr<Talvex::Book> OpenBook(const std::string& userName = "bench");

// The department with the most posted sale invoices dated in the period (the first by code
// among equals): the one whose reports a benchmark of a department times.
std::string BusiestSalesDepartment(Talvex::Book& book, const Talvex::Date& first, const Talvex::Date& last);

// A department report's parameters for the year 2026 and its busiest sales department:
// `Params` is {first day, last day, department}.
template <class Params> Params YearOfBusiestDepartment(Talvex::Book& book)
{
    const Talvex::Date first(2026, 1, 1), last(2026, 12, 31);
    return {first, last, BusiestSalesDepartment(book, first, last)};
}

// The times of a step's runs, in milliseconds, fastest first.
class Timings {
public:
    explicit Timings(std::vector<double> milliseconds);

    double Min() const { return milliseconds_.front(); }
    double Median() const { return milliseconds_[milliseconds_.size() / 2]; }
    std::size_t Runs() const { return milliseconds_.size(); }

    // A whole timed as its steps apart: the fastest runs of each step added, then the next
    // fastest, and so on.
    Timings operator+(const Timings& other) const;

private:
    std::vector<double> milliseconds_;
};

// Runs `step` `runs` times (at least once), each timed on the steady clock.
Timings Timed(int runs, const std::function<void()>& step);

// "min 12 ms, median 14 ms of 5".
std::string MinAndMedian(const Timings& timings);

// One line of a program's figures: the step, its minimum and median, the runs, and a note.
void PrintFigure(std::string_view step, const Timings& timings, std::string_view note = {});

// The process's peak resident memory so far, in megabytes.
double PeakMemoryMB();

// The last line of a program's figures: its peak memory.
void PrintPeakMemory();

// `--runs N` from the command line (at least 1), else `fallback`.
int RunsFromArguments(int argc, char** argv, int fallback = 5);

// A program's body run with an error that escapes it printed as "program: message"; the
// program's exit status.
int RunProgram(std::string_view program, const std::function<void()>& body);

// One timed run per repetition (the step is a whole report: warming up would hide the first
// read a user waits for), in milliseconds of wall time, with the minimum among the
// statistics of the repetitions. `BENCHMARK(Step)->Apply(Bench::Once);`
void Once(benchmark::internal::Benchmark* bench);

// The counter peak_MB: the process's peak memory after the benchmark's runs.
void CountPeakMemory(benchmark::State& state);

// Who a list names, by code, compared whole; its text says how many.
struct Codes {
    std::set<std::string> codes;
    bool operator==(const Codes&) const = default;
    std::string Text() const { return std::to_string(codes.size()) + " codes"; }
};

// The codes of a report's rows (their `code`).
template <class Rows> Codes CodesOf(const Rows& rows)
{
    Codes listed;
    for (const auto& row : rows)
        listed.codes.insert(row.code);
    return listed;
}

// The codes in the first column of a statement's rows.
Codes FirstColumnCodes(const Talvex::Data::ResultSet& result);

// The codes in the first column of a PostgreSQL reference statement over a period ($1 its
// first day, $2 its last).
Codes FirstColumnCodes(Talvex::Book& book, const char* statement, const Talvex::Date& first, const Talvex::Date& last);

// False, with the benchmark ended as failed and both figures in its message, when a result
// differs from its reference: a fast wrong answer never passes for a figure. `Figures` has
// == and Text().
template <class Figures>
bool SameAsReference(benchmark::State& state, std::string_view what, const Figures& got, const Figures& reference)
{
    if (got == reference) return true;
    const std::string message =
        std::string(what) + " " + got.Text() + " differs from the reference's " + reference.Text();
    state.SkipWithError(message.c_str());
    return false;
}

// The body of a benchmark that times a step and checks it: `step` runs once per iteration,
// then `reference` is read (not timed: the step is timed on the company as a user finds it)
// and compared with the last run's result seen through `figures`. On a match the peak memory
// is counted and the last result handed back; on a difference the benchmark fails with both
// figures and nothing is handed back.
template <class Step, class Reference, class Figures = std::identity>
auto CheckedRun(benchmark::State& state, std::string_view what, Step step, Reference reference, Figures figures = {})
    -> std::optional<std::invoke_result_t<Step&>>
{
    std::invoke_result_t<Step&> got{};
    for (auto _ : state)
        got = step();
    if (!SameAsReference(state, what, std::invoke(figures, got), reference())) return std::nullopt;
    CountPeakMemory(state);
    return got;
}

// The body of a benchmark that times a reference alone: what its last run gave.
template <class Reference> auto ReferenceRun(benchmark::State& state, Reference reference)
{
    std::invoke_result_t<Reference&> got{};
    for (auto _ : state)
        got = reference();
    return got;
}

// The two benchmarks of a step read on a Book of their own and checked against a reference:
// `names.step` timing `step` as CheckedRun does, `names.reference` timing the reference alone;
// `count` writes the counters of either's figures. Both are timed once per repetition
// (Once). Call it where the BENCHMARK lines would stand:
// `[[maybe_unused]] const bool registered = Bench::RegisterChecked<Sums>({...}, step, reference, count);`
struct CheckedNames {
    std::string step, reference, user, what;
};
template <class Figures>
bool RegisterChecked(const CheckedNames& names, std::function<Figures(const std::shared_ptr<Talvex::Book>&)> step,
                     std::function<Figures(Talvex::Book&)> reference,
                     std::function<void(benchmark::State&, const Figures&)> count)
{
    benchmark::RegisterBenchmark(names.step.c_str(), [=](benchmark::State& state) {
        auto book = OpenBook(names.user);
        const auto got =
            CheckedRun(state, names.what, [&] { return step(book); }, [&] { return reference(*book); });
        if (got) count(state, *got);
    })->Apply(Once);
    benchmark::RegisterBenchmark(names.reference.c_str(), [=](benchmark::State& state) {
        auto book = OpenBook(names.user);
        count(state, ReferenceRun(state, [&] { return reference(*book); }));
    })->Apply(Once);
    return true;
}

} // namespace Bench
