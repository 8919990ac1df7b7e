// The payment-term arrangement's fill: every pay-on-sale invoice of the local suppliers (group
// T-LT) open at the end of June 2026 or sold from in May, with its stored terms, the sales of
// its goods and its open part, arranged so that its terms add up to its sum; beside one
// hand-written statement over the base tables giving the same invoices and sums, read fully
// in the same program on the same company.
//
// Run against the scale-1 company (talvex_bench on the server of $TALVEX_HOME, or
// $TALVEX_BENCH_DB):
//
//     build/bench/ArrangementPayTermBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A fill whose invoice count or sums
// differ from the reference's fails with the figures of both.
#include "ScriptedSession.hpp"
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/settlement/frmArrangementPayTerm.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

constexpr const char* kReference = R"sql(
WITH RECURSIVE tree AS (
    SELECT Code FROM REFClient WHERE Code = 'T-LT'
    UNION ALL SELECT c.Code FROM REFClient c JOIN tree t ON c.Parent = t.Code),
inv AS (
    SELECT d.IDC, d.Summa FROM THDocument d
    JOIN THDocumentPISF a ON a.DocID = d.IDC AND a.IsPayOnSell = 1
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate <= DATE '2026-05-31'
      AND p.PartyCode IN (SELECT Code FROM tree)),
paid AS (
    SELECT ps.CorDocID AS IDC, sum(ps.SummaCur) AS Paid FROM THPaySpec ps
    JOIN THDocument pd ON pd.IDC = ps.DocID WHERE pd.DocumentDate <= DATE '2026-06-30'
    GROUP BY ps.CorDocID),
sold AS (
    SELECT gi.DocID AS IDC,
           sum(round(COALESCE(gi.Summa / NULLIF(gi.AmountAccount, 0) * f.Amount, 0), 2)) AS Sold,
           sum(round(COALESCE(gi.Summa / NULLIF(gi.AmountAccount, 0) * f.Amount, 0), 2))
               FILTER (WHERE s.DocumentDate BETWEEN DATE '2026-05-01' AND DATE '2026-05-31') AS InMay
    FROM THGoodSpec gi JOIN THGoodSpecFixLog f ON f.IncomeSpecID = gi.IDC
    JOIN THGoodSpec go ON go.IDC = f.OutcomeSpecID JOIN THDocument s ON s.IDC = go.DocID
    WHERE s.DocTypeCode = 'PRSF' AND s.IsPosted = 1 AND s.DocumentDate <= DATE '2026-06-30'
    GROUP BY gi.DocID),
shown AS (
    SELECT inv.Summa, GREATEST(0, inv.Summa - COALESCE(paid.Paid, 0)) AS Debt,
           COALESCE(sold.Sold, 0) AS Sold, COALESCE(sold.InMay, 0) AS InMay
    FROM inv LEFT JOIN paid ON paid.IDC = inv.IDC LEFT JOIN sold ON sold.IDC = inv.IDC)
SELECT count(*), sum(Summa), sum(Debt), sum(Sold), sum(InMay) FROM shown
WHERE Debt <> 0 OR InMay <> 0)sql";

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Talvex::Data::LocalServer server;
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

std::shared_ptr<Talvex::Book> BenchBook()
{
    static const std::string connect = BenchConnectString();
    auto book = Talvex::Erp::OpenBook(connect, "arrangement_pay_term_bench");
    book->SetToday(Date(2026, 6, 30));
    return book;
}

struct Sums {
    std::int64_t invoices = 0;
    Currency summa, debt, sold, inMay;
    bool operator==(const Sums&) const = default;
    std::string Text() const
    {
        return std::to_string(invoices) + " invoices, " + summa.ToString() + " / " + debt.ToString() + " / " +
               sold.ToString() + " / " + inMay.ToString();
    }
};

Sums ReadReference(Talvex::Book& book)
{
    const auto rs = book.Db().QueryPostgres(kReference);
    const auto& r = rs.rows.at(0);
    Sums sums;
    sums.invoices = r.at(0).ToInteger();
    sums.summa = r.at(1).ToCurrency();
    sums.debt = r.at(2).ToCurrency();
    sums.sold = r.at(3).ToCurrency();
    sums.inMay = r.at(4).ToCurrency();
    return sums;
}

// The form run once on a scripted session (so that its grid is set up), then filled.
struct Arrangement {
    explicit Arrangement(const std::shared_ptr<Talvex::Book>& book) : user("")
    {
        param.Add("Book", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    Bench::ScriptedSession user;
    Talvex::FieldList param;
    Quarn_DuzAde::frmArrangementPayTerm form;
    Talvex::Ui::BaseDialog dialog;
};

Sums Fill(Quarn_DuzAde::frmArrangementPayTerm& form)
{
    form.Fill("T-LT", Date(2026, 5, 1), Date(2026, 5, 31));
    Sums sums;
    for (const auto& inv : form.Invoices()) {
        ++sums.invoices;
        sums.summa += inv.docSumma;
        sums.debt += inv.debtSumma;
        sums.sold += inv.summaSell;
        sums.inMay += inv.summaSellOnPeriod;
    }
    return sums;
}

void ArrangementFill(benchmark::State& state)
{
    auto book = BenchBook();
    const Sums reference = ReadReference(*book);
    Arrangement run(book);
    Sums result;
    for (auto _ : state)
        result = Fill(run.form);
    if (!(result == reference))
        state.SkipWithError(("fill " + result.Text() + "; reference " + reference.Text()).c_str());
    state.counters["invoices"] = static_cast<double>(result.invoices);
}

void ArrangementReference(benchmark::State& state)
{
    auto book = BenchBook();
    Sums result;
    for (auto _ : state)
        result = ReadReference(*book);
    state.counters["invoices"] = static_cast<double>(result.invoices);
}

} // namespace

BENCHMARK(ArrangementFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(ArrangementReference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
