#pragma once

#include "host/types/Currency.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Quarn_DuzAde {

// How an invoice was paid, in the order the split takes them: cash (at the register or by
// cash documents), card at the register, commission, barter.
enum class PayType : std::size_t { kCash = 0, kCard = 1, kComission = 2, kBarter = 3 };
inline constexpr std::size_t kPayTypeCount = 4;
using PaySums = std::array<Talvex::Currency, kPayTypeCount>;

// A sale invoice with its total and what was paid of it by each pay type, in the
// accounting currency.
struct PayTypeInvoice {
    std::int64_t idc = 0;
    Talvex::Currency summa;
    PaySums paid{};
};

// A goods row of an invoice: its sum with VAT and its VAT, and the parts of its sum the
// split gives each pay type, the rest not paid.
struct PayTypeRow {
    std::int64_t idc = 0; // the invoice
    Talvex::Currency specSumma;
    Talvex::Currency summVat;
    PaySums paid{};
    Talvex::Currency notPayed;
};

// A payment line of an invoice: the payment document's type and the sum it pays, in the
// accounting currency.
struct PayTypePayment {
    std::int64_t idc = 0; // the invoice
    std::string docTypeCode;
    Talvex::Currency summa;
};

// The pay type a payment document counts under: cash receipts and orders ("KVT", "KOP")
// as cash, commission payments ("MPP", "MPPT"), set-offs and exchanges ("BUSM", "SUSM",
// "USM") as barter; none for any other document.
[[nodiscard]] std::optional<PayType> PayTypeOfDocument(std::string_view docTypeCode);

// What an invoice was paid by each pay type: rung up at the register in cash (state 2) or by
// card (state 3) its whole sum, and its payment documents (those of other invoices ignored).
[[nodiscard]] PaySums InvoicePaid(std::int64_t idc, Talvex::Currency summa, long cashRegState,
                                  std::span<const PayTypePayment> payments);

// Spreads one invoice's payments over its rows. Paid in full by one pay type: each row's
// whole sum under it. Otherwise each pay type in turn gives each row its share (the row's
// sum without VAT over the invoice's, equal shares when the invoice has none), rounded half
// away from zero to cents, and the cents the rounding left over or took too many are put
// right on the first row that holds enough of that pay type. Whatever a row is not paid is
// its NotPayed (below 0 when the invoice was overpaid).
void SplitInvoicePayments(const PayTypeInvoice& invoice, std::span<PayTypeRow> rows);

// The split of every invoice: both lists ordered by invoice IDC; a row of an invoice not
// given is left as not paid. One pass over the rows.
void SplitPayments(const std::vector<PayTypeInvoice>& invoices, std::vector<PayTypeRow>& rows);

} // namespace Quarn_DuzAde
