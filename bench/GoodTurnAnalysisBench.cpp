// Goods turnover of the year 2026 over all goods (consignment lots included), its steps apart,
// and beside them one hand-written statement giving each good's opening, in, out and closing
// stock at cost.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/GoodTurnAnalysisBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Take the minimum and the median over the repetitions. The whole turnover fails when its
// goods or its stock figures differ from the reference's, with the figures of both.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/CRepGoodTurnAnalysis.hpp"
#include "quarn/sales/GoodTurnover.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::CRepGoodTurnAnalysis;
using Quarn_DuzAde::GoodTurnLineKind;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const CRepGoodTurnAnalysis::Params kYear{Date(2026, 1, 1), Date(2026, 12, 31), "", true};

// Per good: the lots' rests at the period's start and end valued at their unit cost, what
// came in within it; out is what the lots lost.
constexpr const char* kReference = R"sql(
WITH lots AS (
    SELECT gs.IDC, gs.GoodCode, d.DocumentDate, gs.AmountAccount, gs.CostSumm
    FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID
    JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF') AND d.DocumentDate <= $2
), fixed AS (
    SELECT f.IncomeSpecID, SUM(CASE WHEN od.DocumentDate < $1 THEN f.Amount ELSE 0 END) AS Before,
           SUM(f.Amount) AS UpToEnd
    FROM THGoodSpecFixLog f JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
    WHERE od.DocumentDate <= $2 GROUP BY f.IncomeSpecID
), per_good AS (
    SELECT l.GoodCode,
           SUM(CASE WHEN l.DocumentDate < $1 THEN ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0)
                   * (l.AmountAccount - COALESCE(fx.Before, 0)), 4) ELSE 0 END) AS Opening,
           SUM(CASE WHEN l.DocumentDate >= $1 THEN l.CostSumm ELSE 0 END) AS Income,
           SUM(ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0)
                     * (l.AmountAccount - COALESCE(fx.UpToEnd, 0)), 4)) AS Closing,
           BOOL_OR(l.DocumentDate >= $1 OR l.AmountAccount - COALESCE(fx.Before, 0) <> 0
                   OR l.AmountAccount - COALESCE(fx.UpToEnd, 0) <> 0) AS Moves
    FROM lots l LEFT JOIN fixed fx ON fx.IncomeSpecID = l.IDC
    GROUP BY l.GoodCode
)
SELECT GoodCode, Opening, Income, Opening + Income - Closing AS Outgo, Closing FROM per_good WHERE Moves
ORDER BY GoodCode
)sql";

struct Figures {
    std::size_t goods = 0;
    Currency opening, in, out, closing;
    bool operator==(const Figures&) const = default;
    std::string Text() const
    {
        return "(" + std::to_string(goods) + " goods, opening " + opening.ToString() + ", in " + in.ToString() +
               ", out " + out.ToString() + ", closing " + closing.ToString() + ")";
    }
};

Figures ReadReference(Talvex::Book& book)
{
    const auto result = book.Db().QueryPostgres(kReference, {Value(kYear.dateBeg), Value(kYear.dateEnd)});
    Figures figures;
    figures.goods = result.rows.size();
    for (const auto& row : result.rows) {
        figures.opening += row[1].ToCurrency();
        figures.in += row[2].ToCurrency();
        figures.out += row[3].ToCurrency();
        figures.closing += row[4].ToCurrency();
    }
    return figures;
}

void GoodTurnWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("good_turn_bench");
    const auto got = Bench::CheckedRun(
        state, "the turnover",
        [&] {
            const auto lines = Quarn_DuzAde::GoodTurnLines(CRepGoodTurnAnalysis::FetchLots(book, kYear),
                                                           kYear.dateBeg, kYear.dateEnd);
            Figures figures;
            for (const auto& line : lines) {
                if (line.kind == GoodTurnLineKind::kGood) ++figures.goods;
                if (line.kind != GoodTurnLineKind::kTotal) continue;
                figures.opening = line.opening.value;
                figures.in = line.in.value;
                figures.out = line.out.value;
                figures.closing = line.closing.value;
            }
            return figures;
        },
        [&] { return ReadReference(*book); });
    if (got) state.counters["goods"] = static_cast<double>(got->goods);
}

void GoodTurnFetch(benchmark::State& state)
{
    auto book = Bench::OpenBook("good_turn_bench");
    std::size_t lots = 0;
    for (auto _ : state)
        lots = CRepGoodTurnAnalysis::FetchLots(book, kYear).size();
    state.counters["lots"] = static_cast<double>(lots);
}

void GoodTurnCompute(benchmark::State& state)
{
    auto book = Bench::OpenBook("good_turn_bench");
    const auto lots = CRepGoodTurnAnalysis::FetchLots(book, kYear);
    std::size_t lines = 0;
    for (auto _ : state)
        lines = Quarn_DuzAde::GoodTurnLines(lots, kYear.dateBeg, kYear.dateEnd).size();
    state.counters["lines"] = static_cast<double>(lines);
}

void GoodTurnReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("good_turn_bench");
    const Figures reference = Bench::ReferenceRun(state, [&] { return ReadReference(*book); });
    state.counters["goods"] = static_cast<double>(reference.goods);
}

} // namespace

BENCHMARK(GoodTurnWhole)->Apply(Bench::Once);
BENCHMARK(GoodTurnFetch)->Apply(Bench::Once);
BENCHMARK(GoodTurnCompute)->Apply(Bench::Once);
BENCHMARK(GoodTurnReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
