#include "quarn/sales/SalesJournal.hpp"

#include "host/types/Errors.hpp"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Decimal;

namespace {

using Wide = __int128;

// numerator / denominator rounded half away from zero; the denominator is not zero.
Wide DivideHalfAwayFromZero(Wide numerator, Wide denominator)
{
    Wide quotient = numerator / denominator;
    const Wide remainder = numerator % denominator;
    const Wide twice = remainder < 0 ? -2 * remainder : 2 * remainder;
    if (twice >= (denominator < 0 ? -denominator : denominator))
        quotient += (numerator < 0) == (denominator < 0) ? 1 : -1;
    return quotient;
}

Currency FromUnits(Wide units)
{
    if (units > INT64_MAX || units < INT64_MIN) throw Talvex::ValueError("The journal's sum is out of the money range");
    return Currency::FromUnits(static_cast<std::int64_t>(units));
}

// Currency units (ten-thousandths) in one step of the store share's rounding.
constexpr std::int64_t UnitsPerShareStep()
{
    std::int64_t units = 1;
    for (int decimals = kStoreShareDecimals; decimals < 4; ++decimals)
        units *= 10;
    return units;
}

} // namespace

Currency StoreShare(Currency sum, const std::optional<Decimal>& orderAmount, const Decimal& rowAmount)
{
    // A row without quantity has nothing to share by; it stays whole on each of its orders
    // rather than dividing by zero.
    if (!orderAmount || orderAmount->IsZero() || rowAmount.IsZero()) return sum;
    // Quantities of four decimals or fewer (every stored one) share in whole numbers: the
    // exact quotient rounded once, to the cent.
    const auto order = orderAmount->ExactCurrency();
    const auto row = rowAmount.ExactCurrency();
    if (order && row) {
        const Wide steps = DivideHalfAwayFromZero(static_cast<Wide>(sum.Units()) * order->Units(),
                                                  static_cast<Wide>(row->Units()) * UnitsPerShareStep());
        return FromUnits(steps * UnitsPerShareStep());
    }
    const Decimal share = Decimal::FromCurrency(sum) * *orderAmount / rowAmount;
    return share.RoundHalfAwayFromZero(kStoreShareDecimals).ToCurrency();
}

Currency JournalPrice(const SalesJournalGoodsRow& row)
{
    const Currency net = row.summa - row.summVat + row.discountSumm;
    if (row.amount.IsZero()) return net;
    if (const auto units = row.amount.ExactCurrency()) {
        constexpr Wide kScale = 10000;
        return FromUnits(DivideHalfAwayFromZero(static_cast<Wide>(net.Units()) * kScale, units->Units()));
    }
    return (Decimal::FromCurrency(net) / row.amount).RoundHalfAwayFromZero(4).ToCurrency();
}

namespace {

SalesJournalLine InvoiceLine(const SalesJournalInvoice& invoice)
{
    SalesJournalLine line;
    line.infoBySpec = 0;
    line.idc = invoice.idc;
    line.number = invoice.number;
    line.currencyCode = invoice.currencyCode;
    line.documentDate = invoice.documentDate;
    line.comment = invoice.comment;
    line.client = invoice.client;
    return line;
}

SalesJournalLine GoodsLine(const SalesJournalInvoice& invoice, const SalesJournalGoodsRow& row)
{
    SalesJournalLine line;
    line.infoBySpec = 1;
    line.idc = invoice.idc;
    line.number = invoice.number;
    line.currencyCode = invoice.currencyCode;
    line.documentDate = invoice.documentDate;
    line.goodCode = row.goodCode;
    line.goodName = row.goodName;
    const bool split = row.orderAmount && !row.orderAmount->IsZero();
    line.amount = split ? *row.orderAmount : row.amount;
    line.algebraicSum = StoreShare(row.summa - row.summVat, row.orderAmount, row.amount);
    line.summa = StoreShare(row.summa, row.orderAmount, row.amount);
    line.summVat = StoreShare(row.summVat, row.orderAmount, row.amount);
    line.discount = row.discount;
    line.discountSum = StoreShare(row.discountSumm, row.orderAmount, row.amount);
    line.storeCode = row.storeCode;
    line.price = JournalPrice(row);
    return line;
}

} // namespace

std::vector<SalesJournalLine> SalesJournalLines(const std::vector<SalesJournalInvoice>& invoices,
                                                const std::vector<SalesJournalGoodsRow>& goodsRows)
{
    std::unordered_map<std::int64_t, std::vector<const SalesJournalGoodsRow*>> rowsOf;
    for (const auto& row : goodsRows)
        rowsOf[row.docId].push_back(&row);

    std::vector<SalesJournalLine> lines;
    lines.reserve(invoices.size() + goodsRows.size());
    for (const auto& invoice : invoices) {
        SalesJournalLine head = InvoiceLine(invoice);
        const auto found = rowsOf.find(invoice.idc);
        if (found == rowsOf.end()) {
            lines.push_back(std::move(head));
            continue;
        }
        const std::size_t headAt = lines.size();
        lines.push_back(std::move(head));
        // The invoice's own sum counts each goods row once, however many stores gave it out.
        std::unordered_set<std::int64_t> counted;
        Currency total;
        for (const SalesJournalGoodsRow* row : found->second) {
            lines.push_back(GoodsLine(invoice, *row));
            if (counted.insert(row->specIdc).second) total += row->summa - row->summVat;
        }
        lines[headAt].algebraicSum = total;
    }
    return lines;
}

} // namespace Quarn_DuzAde
