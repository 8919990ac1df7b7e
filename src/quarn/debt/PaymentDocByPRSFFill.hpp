#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A sale invoice of the period.
struct PrsfInvoice {
    std::int64_t idc = 0;
    std::string number;
    Talvex::Date documentDate;
    std::string currencyCode;
    Talvex::Currency summa;
    std::string clientCode;
    std::string clientName;
};

// A payment document's line linked to a sale invoice.
struct PrsfPaymentLink {
    std::int64_t invoiceIdc = 0;
    std::int64_t payDocId = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date date;
    Talvex::Currency linked; // in the invoice's currency
    bool isPosted = true;
};

enum class PaymentDocByPRSFKind { Payment, Unpaid, Total };

struct PaymentDocByPRSFRow {
    PaymentDocByPRSFKind kind = PaymentDocByPRSFKind::Payment;
    PrsfInvoice invoice; // on the total: the currency alone
    bool hasPayment = false;
    std::int64_t payDocId = 0;
    std::string payDocTypeCode;
    std::string payNumber;
    Talvex::Date payDate;
    Talvex::Currency linked;
    Talvex::Currency rest; // the invoice's unpaid rest after this payment; negative when overpaid
    long invoices = 0;     // on the total: how many invoices it sums
};

// The payment documents linked to each sale invoice: per invoice (in the order given), its
// posted payment documents dated up to the report date, by date, each with the sum linked
// and the invoice's rest after it; an invoice nothing paid shows once with its whole sum
// open. A total per currency follows: the invoices' sums, what was linked and the rests.
// A link of zero or less (a refund, or a credit note's settlement) counts as it stands:
// it raises the rest.
std::vector<PaymentDocByPRSFRow> PaymentDocByPRSFFill(const std::vector<PrsfInvoice>& invoices,
                                                      const std::vector<PrsfPaymentLink>& links, Talvex::Date repDate);

} // namespace Quarn_DuzAde
