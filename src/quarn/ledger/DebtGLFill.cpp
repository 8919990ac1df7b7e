#include "quarn/ledger/DebtGLFill.hpp"

#include <cstdio>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;

namespace {

// Upper bounds (exclusive) of the buckets in days; the last bucket has none.
constexpr std::array<int, kAgeBucketCount - 1> kBucketEnds{30, 60, 90, 180, 360};

} // namespace

int AgeBucket(Date reportDate, Date documentDate)
{
    const int age = documentDate.DaysUntil(reportDate);
    if (age < 0) return -1;
    for (std::size_t b = 0; b < kBucketEnds.size(); ++b)
        if (age < kBucketEnds[b]) return static_cast<int>(b);
    return static_cast<int>(kAgeBucketCount - 1);
}

std::string NameWithDifference(std::string_view name, Currency difference)
{
    return std::string(name) + " (" + difference.ToFixed(2) + ")";
}

std::string DocMonthOf(Date date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d.%02u", date.Year(), date.Month());
    return text;
}

DebtGLFill::DebtGLFill(std::vector<GLClient> clients, std::map<std::string, Currency, std::less<>> ledgerSaldo,
                       std::vector<GLOpenDocument> documents, Date reportDate)
    : clients_(std::move(clients)), ledgerSaldo_(std::move(ledgerSaldo)), documents_(std::move(documents)),
      reportDate_(reportDate)
{
    for (std::size_t i = 0; i < documents_.size(); ++i)
        byClient_[documents_[i].client].push_back(i);
}

Currency DebtGLFill::LedgerSaldoOf(const std::string& client) const
{
    const auto found = ledgerSaldo_.find(client);
    return found == ledgerSaldo_.end() ? Currency() : found->second;
}

std::vector<DebtGLRow> DebtGLFill::DebtRows() const
{
    std::vector<DebtGLRow> rows;
    for (const GLClient& client : clients_) {
        DebtGLRow row;
        row.clientCode = client.code;
        row.ledgerSaldo = LedgerSaldoOf(client.code);
        if (const auto docs = byClient_.find(client.code); docs != byClient_.end()) {
            for (std::size_t i : docs->second) {
                const GLOpenDocument& doc = documents_[i];
                row.totNeedPaySum += doc.accNeedPaySum;
                if (const int bucket = AgeBucket(reportDate_, doc.documentDate); bucket >= 0)
                    row.buckets[static_cast<std::size_t>(bucket)] += doc.accNeedPaySum;
            }
        }
        if (row.ledgerSaldo == Currency() && row.totNeedPaySum == Currency()) continue;
        row.difference = row.ledgerSaldo - row.totNeedPaySum;
        row.clientName = NameWithDifference(client.name, row.difference);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CredGLRow> DebtGLFill::CreditRows() const
{
    std::vector<CredGLRow> rows;
    for (const GLClient& client : clients_) {
        const Currency saldo = LedgerSaldoOf(client.code);
        // Months in ascending order: "yyyy.mm" sorts as the months do.
        std::map<std::string, CredGLRow> months;
        if (const auto docs = byClient_.find(client.code); docs != byClient_.end()) {
            for (std::size_t i : docs->second) {
                const GLOpenDocument& doc = documents_[i];
                CredGLRow& month = months[DocMonthOf(doc.documentDate)];
                month.accNeedPaySum += doc.accNeedPaySum;
                month.payTerm = doc.payTerm;
            }
        }
        const std::size_t first = rows.size();
        Currency open;
        for (auto& [docMonth, month] : months) {
            if (saldo == Currency() && month.accNeedPaySum == Currency()) continue;
            month.clientCode = client.code;
            month.clientName = client.name;
            month.docMonth = docMonth;
            open += month.accNeedPaySum;
            rows.push_back(std::move(month));
        }
        if (rows.size() == first && saldo != Currency()) {
            CredGLRow none;
            none.clientCode = client.code;
            none.clientName = client.name;
            rows.push_back(std::move(none));
        }
        if (rows.size() > first) rows[first].difference = -saldo - open;
    }
    return rows;
}

std::vector<std::size_t> DebtGLFill::DocumentsBehind(std::string_view client, std::string_view column,
                                                     std::string_view docMonth) const
{
    std::vector<std::size_t> out;
    const auto docs = byClient_.find(client);
    if (docs == byClient_.end()) return out;
    int bucket = -2; // every document of the client
    for (std::size_t b = 0; b < kAgeBucketColumns.size(); ++b)
        if (column == kAgeBucketColumns[b]) bucket = static_cast<int>(b);
    for (std::size_t i : docs->second) {
        const GLOpenDocument& doc = documents_[i];
        if (bucket != -2 && AgeBucket(reportDate_, doc.documentDate) != bucket) continue;
        if (!docMonth.empty() && DocMonthOf(doc.documentDate) != docMonth) continue;
        out.push_back(i);
    }
    return out;
}

} // namespace Quarn_DuzAde
