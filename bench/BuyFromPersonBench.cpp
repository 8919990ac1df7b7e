// Purchases from persons over the whole two years of the company (2025-2026), the list and
// the FR0471 document apart, and beside them one hand-written statement giving the same
// totals per person and cut-off.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/BuyFromPersonBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Take the minimum and the median over the repetitions. The list fails when its rows or its
// total differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/sales/BuyFromPersonXml.hpp"
#include "quarn/sales/CRepBuyFromPersonXML.hpp"
#include "quarn/sales/CReportBuyFromPerson.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::CReportBuyFromPerson;
using Talvex::Currency;
using Talvex::Date;
using Talvex::FieldType;
using Talvex::Value;

// Every person's purchases above the minimum, apart up to and after the cut-off, with the
// rate of the purchase's day where it is not in euros.
constexpr const char* kReference = R"sql(
SELECT c.Code, CASE WHEN d.DocumentDate > ? THEN 0 ELSE 1 END AS Till,
       SUM(CASE WHEN d.CurrencyCode = 'EUR' THEN d.Summa ELSE ROUND(d.Summa * r.Rate, 2) END)
FROM REFClient c
JOIN THPartyAttribute p ON p.PartyCode = c.Code AND p.PartyType = 1 AND p.RolePartyCode = 'PAR'
JOIN THDocument d ON d.IDC = p.DocID
JOIN THDocumentPISF a ON a.DocID = d.IDC
LEFT JOIN REFCurrency cur ON cur.Code = d.CurrencyCode
LEFT JOIN REFCurrencyRateDay r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cur.DefaultRateType
                              AND r.RateDate = d.DocumentDate
WHERE c.IsPerson = 1 AND d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND a.VATDirection IN ('00', '99')
  AND d.DocumentDate BETWEEN ? AND ?
  AND CASE WHEN d.CurrencyCode = 'EUR' THEN d.Summa ELSE ROUND(d.Summa * r.Rate, 2) END > ?
GROUP BY 1, 2
ORDER BY 1, 2 DESC
)sql";

const Date kBeg(2025, 1, 1), kEnd(2026, 12, 31), kTill(2026, 6, 30);
const Currency kMinSum = Currency::FromInteger(100);

Talvex::FieldList Params()
{
    Talvex::FieldList p;
    p.Add("BegPeriod", FieldType::kDate, Value(kBeg));
    p.Add("EndPeriod", FieldType::kDate, Value(kEnd));
    p.Add("IncomeTill", FieldType::kDate, Value(kTill));
    p.Add("MinSum", FieldType::kAmount, Value(kMinSum));
    return p;
}

struct Figures {
    std::size_t rows = 0;
    Currency total;
    bool operator==(const Figures&) const = default;
    std::string Text() const { return "(" + std::to_string(rows) + " rows, " + total.ToString() + ")"; }
};

Figures ReadReference(Talvex::Book& book)
{
    const auto result = book.Db().Query(kReference, {Value(kTill), Value(kBeg), Value(kEnd), Value(kMinSum)});
    Figures figures;
    figures.rows = result.rows.size();
    for (const auto& row : result.rows)
        figures.total += row[2].ToCurrency();
    return figures;
}

void BuyFromPersonList(benchmark::State& state)
{
    auto book = Bench::OpenBook("buy_from_person_bench");
    const Talvex::FieldList params = Params();
    Figures got;
    for (auto _ : state) {
        auto list = CReportBuyFromPerson::GetList(book, params);
        const auto totals = CReportBuyFromPerson::TotalsOf(*list);
        got = {totals.size(), {}};
        for (const auto& t : totals)
            got.total += t.summa;
    }
    const Figures reference = ReadReference(*book);
    if (!Bench::SameAsReference(state, "the list", got, reference)) return;
    Bench::CountPeakMemory(state);
    state.counters["rows"] = static_cast<double>(got.rows);
}

void BuyFromPersonDocument(benchmark::State& state)
{
    auto book = Bench::OpenBook("buy_from_person_bench");
    auto list = CReportBuyFromPerson::GetList(book, Params());
    const auto totals = CReportBuyFromPerson::TotalsOf(*list);
    const auto header = Quarn_DuzAde::CRepBuyFromPersonXML::HeaderOf(*book);
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = Quarn_DuzAde::Fr0471Document(totals, header).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BuyFromPersonReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("buy_from_person_bench");
    Figures reference;
    for (auto _ : state)
        reference = ReadReference(*book);
    state.counters["rows"] = static_cast<double>(reference.rows);
}

} // namespace

BENCHMARK(BuyFromPersonList)->Apply(Bench::Once);
BENCHMARK(BuyFromPersonDocument)->Apply(Bench::Once);
BENCHMARK(BuyFromPersonReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
