#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One goods row of a purchase taken on consignment, as read: its sum and quantity net of the
// returns to the vendor and of the discount documents, in the accounting currency.
struct ConsignSourceRow {
    std::string client; // the vendor
    std::string goodCode;
    std::string goodName;
    std::string unitCode;
    Talvex::Decimal netSum;
    Talvex::Decimal netAmount;
    Talvex::Decimal grossAmount; // the row's own quantity, before returns and discounts
    Talvex::Decimal fixedAmount; // fixed as sold
    std::optional<long> payTerm; // the purchase's payment term in days, when it has one
    Talvex::Date docDate;
    std::string clientName;
    std::int64_t docId = 0;
    long posNumb = 0;
    std::string incDocCode; // "TYPE:yyyy.mm.dd:Number" of the purchase
};

// What one row leaves in stock, is due for payment, and was sold (exact, not rounded).
struct ConsignRowFigures {
    Talvex::Decimal restAmount;
    Talvex::Decimal rest;
    Talvex::Decimal restForPayAmount;
    Talvex::Decimal restForPay;
    Talvex::Decimal sale;       // sold, not due yet
    Talvex::Decimal saleForPay; // sold and due
};

// The goods code of a service row: no stock, sold in full.
inline constexpr const char* kServiceGood = "C1";

// The figures of a row on the report date: the unit cost is the net sum over the net amount
// (0 for a net amount of 0); the row is due when it has a payment term that ran out by the
// report date; its sales are due once the need-pay date (the document date without a term)
// is reached.
[[nodiscard]] ConsignRowFigures FiguresOf(const ConsignSourceRow& row, Talvex::Date repDate);

// The rest of one vendor and good: money rounded to cents once, over the exact sum.
struct VendorGoodRest {
    std::string client;
    std::string goodCode;
    std::string goodName;
    std::string unitCode;
    Talvex::Currency rest;
    Talvex::Decimal restAmount;
    Talvex::Decimal restForPayAmount;
    // With the detail by purchase row: the row, and the purchase it came in by.
    std::int64_t docId = 0;
    long posNumb = 0;
    std::string incDocCode;
};

// One row per vendor and good (and, with byPurchaseRow, per purchase row), ordered by vendor,
// then good (then document and position); rows whose rest is nothing in amount and in money
// are left out.
[[nodiscard]] std::vector<VendorGoodRest> RestByVendorFill(const std::vector<ConsignSourceRow>& rows,
                                                           Talvex::Date repDate, bool byPurchaseRow = false);

// What a vendor must be paid: what is due (rest whose term ran out and goods sold whose term
// ran out) less what was paid; a surplus shows as overpayment. Never both.
struct VendorSettlement {
    Talvex::Currency needPay;
    Talvex::Currency overPayed;
};
[[nodiscard]] VendorSettlement SettlementOf(Talvex::Currency payed, Talvex::Currency restForPay,
                                            Talvex::Currency saleForPay);

// A vendor's consignment position on the report date: its ledger balance (as a debt, what
// the company owes), rest, rest due, sales not due and due, what was paid, and the
// settlement of the two.
struct VendorDebt {
    std::string vendCode;
    std::string vendName;
    Talvex::Currency debtSum;
    Talvex::Currency rest;
    Talvex::Currency restForPay;
    Talvex::Currency sale;
    Talvex::Currency saleForPay;
    Talvex::Currency payed;
    Talvex::Currency overPayed;
    Talvex::Currency needPay;
};

// One row per vendor that has consignment rows, ordered by vendor code. credit: the vendor's
// ledger balance (negative when the company owes); payed: what was paid to it. Each sum is
// the exact sum of the vendor's rows rounded to cents once.
[[nodiscard]] std::vector<VendorDebt> DebtByVendorFill(const std::vector<ConsignSourceRow>& rows,
                                                       const std::map<std::string, Talvex::Currency>& credit,
                                                       const std::map<std::string, Talvex::Currency>& payed,
                                                       Talvex::Date repDate);

// The text of the documents a payment pays ("doc summa; doc summa"), cut to the room of the
// list's column: a longer text keeps its start and ends with " ...", within the room.
inline constexpr std::size_t kPayedDocsRoom = 250;
[[nodiscard]] std::string PayedDocsText(const std::vector<std::pair<std::string, Talvex::Currency>>& lines);

} // namespace Quarn_DuzAde
