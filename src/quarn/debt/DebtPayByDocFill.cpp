#include "quarn/debt/DebtPayByDocFill.hpp"

#include "quarn/debt/Penalties.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Currency;

namespace {

struct OpenPayment {
    Talvex::Date date;
    Currency unallocated;
    bool isPosted = true;
};

// The document's rows, in order of first appearance, with the remainder row added where the
// stored instalments fall short of the document's sum.
std::vector<std::vector<DebtPayNeedRow>> ByDocument(std::vector<DebtPayNeedRow> rows)
{
    std::vector<std::vector<DebtPayNeedRow>> documents;
    std::unordered_map<std::int64_t, std::size_t> index;
    for (auto& row : rows) {
        auto [it, added] = index.try_emplace(row.idc, documents.size());
        if (added) documents.emplace_back();
        documents[it->second].push_back(std::move(row));
    }
    for (auto& document : documents) {
        Currency terms;
        bool hasTerms = false;
        for (const auto& row : document) {
            if (row.needPayId == 0) continue;
            hasTerms = true;
            terms += row.needPaySum;
        }
        const DebtPayNeedRow& first = document.front();
        if (hasTerms && terms < first.summa) {
            DebtPayNeedRow rest = first;
            rest.needPayDate = first.documentDate;
            rest.needPaySum = first.summa - terms;
            rest.needPayId = 0;
            document.push_back(std::move(rest));
        }
        std::stable_sort(document.begin(), document.end(), [](const DebtPayNeedRow& a, const DebtPayNeedRow& b) {
            return a.needPayDate < b.needPayDate;
        });
    }
    return documents;
}

std::unordered_map<std::int64_t, std::vector<OpenPayment>> PaymentsByDocument(std::vector<DebtPayPayment> payments)
{
    std::stable_sort(payments.begin(), payments.end(), [](const DebtPayPayment& a, const DebtPayPayment& b) {
        return a.payDocumentDate < b.payDocumentDate;
    });
    std::unordered_map<std::int64_t, std::vector<OpenPayment>> byDocument;
    for (const auto& p : payments)
        byDocument[p.idc].push_back({p.payDocumentDate, p.paySumma, p.isPosted});
    return byDocument;
}

// One document's instalments against its payments; the rows that stay open are appended.
void AllocateDocument(std::vector<DebtPayNeedRow>& document, std::vector<OpenPayment>* payments, Talvex::Date repDate,
                      std::vector<DebtPayResultRow>& out)
{
    long outDay = 0;
    Currency pendingPenalty;
    std::size_t next = 0;
    for (auto& need : document) {
        DebtPayResultRow row;
        Currency remaining = need.needPaySum;
        Currency penalty = pendingPenalty;
        pendingPenalty = Currency();
        while (payments && remaining > Currency() && next < payments->size()) {
            OpenPayment& pay = (*payments)[next];
            if (pay.unallocated <= Currency()) {
                ++next;
                continue;
            }
            const Currency part = std::min(remaining, pay.unallocated);
            const long days = OverdueDays(need.needPayDate, pay.date);
            if (days > 0) {
                outDay = std::max(outDay, days);
                penalty += PenaltyRoundHalfToEven(part, days, need.penalty);
            }
            if (!pay.isPosted) row.notPostPaySumma += part;
            remaining -= part;
            pay.unallocated -= part;
        }
        if (remaining <= Currency()) {
            pendingPenalty = penalty;
            continue;
        }
        row.debt = remaining;
        const long days = OverdueDays(need.needPayDate, repDate);
        if (days >= 1) {
            row.outDebt = remaining;
            outDay = std::max(outDay, days);
            penalty += PenaltyRoundHalfToEven(remaining, days, need.penalty);
        }
        row.outDay = outDay;
        row.penaltySum = penalty;
        row.need = std::move(need);
        out.push_back(std::move(row));
    }
}

void AddGroupTotals(std::vector<DebtPayResultRow>& rows, const DebtPayByDocParams& params)
{
    struct Totals {
        Currency due, debt, notPosted;
    };
    using Key = std::tuple<std::string, std::string, std::string>;
    auto keyOf = [&](const DebtPayResultRow& r) {
        return Key(params.byDepartment ? r.need.departmentCode : std::string(), r.need.clientCode, r.need.currencyCode);
    };
    std::map<Key, Totals> totals;
    for (const auto& r : rows) {
        Totals& t = totals[keyOf(r)];
        if (r.need.needPayDate <= params.repDate) t.due += r.debt;
        t.debt += r.outDay > 0 ? r.outDebt : r.debt;
        t.notPosted += r.notPostPaySumma;
    }
    for (auto& r : rows) {
        const Totals& t = totals.at(keyOf(r));
        r.clientInDebt = t.due;
        r.clientDebt = t.debt;
        r.notPostPaySumma = t.notPosted;
    }
}

} // namespace

std::vector<DebtPayResultRow> DebtPayByDocFill(std::vector<DebtPayNeedRow> needRows,
                                               std::vector<DebtPayPayment> payments, const DebtPayByDocParams& params)
{
    auto documents = ByDocument(std::move(needRows));
    auto paid = PaymentsByDocument(std::move(payments));
    std::vector<DebtPayResultRow> out;
    for (auto& document : documents) {
        auto it = paid.find(document.front().idc);
        AllocateDocument(document, it == paid.end() ? nullptr : &it->second, params.repDate, out);
    }
    AddGroupTotals(out, params);
    return out;
}

} // namespace Quarn_DuzAde
