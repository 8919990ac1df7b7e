#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A posted sale invoice of the journal's period, as the header list gives it.
struct SalesJournalInvoice {
    std::int64_t idc = 0;
    std::string number;
    std::string currencyCode;
    Talvex::Date documentDate;
    std::string comment; // the document's Name
    std::string client;  // the buyer's name
};

// One goods row of an invoice joined with one of its store orders (none: no store order).
struct SalesJournalGoodsRow {
    std::int64_t specIdc = 0; // the goods row, the same on each of its store orders
    std::int64_t docId = 0;
    std::string goodCode;
    std::string goodName;
    Talvex::Decimal amount; // the row's whole quantity
    Talvex::Currency summa; // with VAT
    Talvex::Currency summVat;
    Talvex::Decimal discount; // percent
    Talvex::Currency discountSumm;
    std::optional<Talvex::Decimal> orderAmount; // the store order's quantity
    std::string storeCode;
};

// A line of the journal: an invoice line (InfoBySpec 0) or one of its goods lines (1).
// Columns an invoice line leaves empty are absent.
struct SalesJournalLine {
    int infoBySpec = 0;
    std::int64_t idc = 0;
    std::string number;
    std::string currencyCode;
    Talvex::Date documentDate;
    std::string comment;
    std::string client;
    std::string goodCode;
    std::string goodName;
    std::optional<Talvex::Decimal> amount;
    Talvex::Currency algebraicSum; // without VAT
    std::optional<Talvex::Currency> summa;
    std::optional<Talvex::Currency> summVat;
    Talvex::Decimal discount;
    Talvex::Currency discountSum;
    std::optional<std::string> storeCode;
    std::optional<Talvex::Currency> price;
};

// The decimals a store's share of a row's sums is rounded to: cents, as the journal prints.
inline constexpr int kStoreShareDecimals = 2;

// The part of a row's sum that falls on one store order: the whole sum when the row has no
// store order, or one of quantity 0, or itself has no quantity; else the order's share of
// the quantity, rounded half away from zero to kStoreShareDecimals.
[[nodiscard]] Talvex::Currency StoreShare(Talvex::Currency sum, const std::optional<Talvex::Decimal>& orderAmount,
                                          const Talvex::Decimal& rowAmount);

// The unit price without VAT before the discount, to four decimals; a row without quantity
// is priced as one unit.
[[nodiscard]] Talvex::Currency JournalPrice(const SalesJournalGoodsRow& row);

// The journal: invoices in the order given (date, then IDC), each followed by its goods
// lines in the order of goodsRows. An invoice line carries the sum without VAT of all its
// rows, unsplit; an invoice without goods rows keeps its line with a zero sum.
[[nodiscard]] std::vector<SalesJournalLine> SalesJournalLines(const std::vector<SalesJournalInvoice>& invoices,
                                                              const std::vector<SalesJournalGoodsRow>& goodsRows);

} // namespace Quarn_DuzAde
