// The payment-term arrangement's fill: every pay-on-sale invoice of the local suppliers (group
// T-LT) open at the end of June 2026 or sold from in May, with its stored terms, the sales of
// its goods and its open part, arranged so that its terms add up to its sum; beside one
// hand-written statement over the base tables giving the same invoices and sums, read fully
// in the same program on the same company.
//
// Run against the scale-1 company ($TALVEX_BENCH_DB, or talvex_bench on the local server of
// $TALVEX_HOME):
//
//     build/bench/ArrangementPayTermBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A fill whose invoice count or sums
// differ from the reference's fails with the figures of both.
#include "ScriptedSession.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/settlement/ArrangementPayTermReference.hpp"
#include "quarn/settlement/frmArrangementPayTerm.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

std::shared_ptr<Talvex::Book> BenchBook()
{
    auto book = Bench::OpenBook("arrangement_pay_term_bench");
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
    const auto rs = book.Db().QueryPostgres(Talvex::Testing::kArrangedInvoicesOfLocalSuppliers);
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
    if (!Bench::SameAsReference(state, "the fill", result, reference)) return;
    Bench::CountPeakMemory(state);
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

BENCHMARK(ArrangementFill)->Apply(Bench::Once);
BENCHMARK(ArrangementReference)->Apply(Bench::Once);
BENCHMARK_MAIN();
