#include "quarn/sales/SaleByPayTypeSplit.hpp"

#include "host/types/Errors.hpp"

#include <cstdint>

namespace Quarn_DuzAde {

using Talvex::Currency;

namespace {

using Wide = __int128;

constexpr std::int64_t kUnitsPerCent = 100; // Currency keeps ten-thousandths

// numerator / denominator (not zero) rounded half away from zero.
Wide DivideHalfAwayFromZero(Wide numerator, Wide denominator)
{
    Wide quotient = numerator / denominator;
    const Wide remainder = numerator % denominator;
    const Wide twice = remainder < 0 ? -2 * remainder : 2 * remainder;
    if (twice >= (denominator < 0 ? -denominator : denominator))
        quotient += (numerator < 0) == (denominator < 0) ? 1 : -1;
    return quotient;
}

Currency CentsOf(Wide cents)
{
    const Wide units = cents * kUnitsPerCent;
    if (units > INT64_MAX || units < INT64_MIN)
        throw Talvex::ValueError("A pay type's share is out of the money range");
    return Currency::FromUnits(static_cast<std::int64_t>(units));
}

// paid x part / whole, to the cent: the exact quotient rounded once.
Currency Share(Currency paid, Wide part, Wide whole)
{
    return CentsOf(DivideHalfAwayFromZero(static_cast<Wide>(paid.Units()) * part, whole * kUnitsPerCent));
}

void SetNotPayed(PayTypeRow& row)
{
    row.notPayed = row.specSumma - row.paid[0] - row.paid[1] - row.paid[2] - row.paid[3];
}

} // namespace

std::optional<PayType> PayTypeOfDocument(std::string_view docTypeCode)
{
    if (docTypeCode == "KVT" || docTypeCode == "KOP") return PayType::kCash;
    if (docTypeCode == "MPP" || docTypeCode == "MPPT") return PayType::kComission;
    if (docTypeCode == "BUSM" || docTypeCode == "SUSM" || docTypeCode == "USM") return PayType::kBarter;
    return std::nullopt;
}

PaySums InvoicePaid(std::int64_t idc, Currency summa, long cashRegState, std::span<const PayTypePayment> payments)
{
    PaySums paid{};
    if (cashRegState == 2) paid[static_cast<std::size_t>(PayType::kCash)] += summa;
    if (cashRegState == 3) paid[static_cast<std::size_t>(PayType::kCard)] += summa;
    for (const auto& payment : payments) {
        if (payment.idc != idc) continue;
        if (const auto type = PayTypeOfDocument(payment.docTypeCode))
            paid[static_cast<std::size_t>(*type)] += payment.summa;
    }
    return paid;
}

void SplitInvoicePayments(const PayTypeInvoice& invoice, std::span<PayTypeRow> rows)
{
    if (rows.empty()) return;
    Currency totalPaid;
    std::size_t nonZero = 0;
    std::size_t last = kPayTypeCount;
    for (std::size_t type = 0; type < kPayTypeCount; ++type) {
        totalPaid += invoice.paid[type];
        if (!invoice.paid[type].IsZero()) {
            ++nonZero;
            last = type;
        }
    }

    if (nonZero == 1 && invoice.summa == totalPaid) {
        for (auto& row : rows) {
            row.paid = {};
            row.paid[last] = row.specSumma;
            row.notPayed = Currency();
        }
        return;
    }

    Wide net = 0;
    for (const auto& row : rows)
        net += static_cast<Wide>((row.specSumma - row.summVat).Units());
    const bool byNet = net > 0;
    const Wide whole = byNet ? net : static_cast<Wide>(rows.size());

    PaySums given{};
    for (auto& row : rows) {
        const Wide part = byNet ? static_cast<Wide>((row.specSumma - row.summVat).Units()) : 1;
        for (std::size_t type = 0; type < kPayTypeCount; ++type) {
            row.paid[type] = invoice.paid[type].IsZero() ? Currency() : Share(invoice.paid[type], part, whole);
            given[type] += row.paid[type];
        }
        SetNotPayed(row);
    }

    // The cents rounding gave too many (or too few) come off (or onto) the first row that
    // holds at least that much of the pay type.
    for (std::size_t type = 0; type < kPayTypeCount; ++type) {
        const Currency excess = given[type] - invoice.paid[type];
        if (excess.IsZero()) continue;
        for (auto& row : rows) {
            if (row.paid[type] >= excess) {
                row.paid[type] -= excess;
                row.notPayed += excess;
                break;
            }
        }
    }
}

void SplitPayments(const std::vector<PayTypeInvoice>& invoices, std::vector<PayTypeRow>& rows)
{
    std::size_t at = 0;
    for (auto& row : rows) {
        row.paid = {};
        row.notPayed = row.specSumma;
    }
    for (const auto& invoice : invoices) {
        while (at < rows.size() && rows[at].idc < invoice.idc)
            ++at;
        std::size_t end = at;
        while (end < rows.size() && rows[end].idc == invoice.idc)
            ++end;
        SplitInvoicePayments(invoice, std::span<PayTypeRow>(rows.data() + at, end - at));
        at = end;
    }
}

} // namespace Quarn_DuzAde
