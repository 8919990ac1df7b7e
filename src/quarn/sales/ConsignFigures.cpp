#include "quarn/sales/ConsignFigures.hpp"

#include <map>
#include <string_view>
#include <tuple>
#include <utility>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

ConsignRowFigures FiguresOf(const ConsignSourceRow& row, Date repDate)
{
    const bool service = row.goodCode == kServiceGood;
    // A quantity at the unit cost, multiplied before dividing: exact wherever the quotient
    // ends (433.42 for 36, 27 of them: 325.065, not 325.06499..).
    const auto atUnitCost = [&](const Decimal& amount) {
        return row.netAmount.IsZero() ? Decimal() : row.netSum * amount / row.netAmount;
    };
    ConsignRowFigures f;
    f.restAmount = (service ? Decimal() : row.netAmount) - row.fixedAmount;
    f.rest = atUnitCost(f.restAmount);
    const Date needPayDate = row.docDate.AddDays(static_cast<std::int32_t>(row.payTerm.value_or(0)));
    const bool reached = needPayDate <= repDate;
    if (row.payTerm && reached) {
        f.restForPay = f.rest;
        f.restForPayAmount = f.restAmount;
    }
    const Decimal sold = atUnitCost(service ? row.grossAmount : row.fixedAmount);
    (reached ? f.saleForPay : f.sale) = sold;
    return f;
}

std::vector<VendorGoodRest> RestByVendorFill(const std::vector<ConsignSourceRow>& rows, Date repDate,
                                             bool byPurchaseRow)
{
    struct Sum {
        const ConsignSourceRow* first = nullptr;
        Decimal rest, restAmount, restForPayAmount;
    };
    using Key = std::tuple<std::string, std::string, std::int64_t, long>;
    std::map<Key, Sum> sums;
    for (const auto& row : rows) {
        const ConsignRowFigures f = FiguresOf(row, repDate);
        Sum& sum = sums[byPurchaseRow ? Key{row.client, row.goodCode, row.docId, row.posNumb}
                                      : Key{row.client, row.goodCode, 0, 0}];
        if (!sum.first) sum.first = &row;
        sum.rest = sum.rest + f.rest;
        sum.restAmount = sum.restAmount + f.restAmount;
        sum.restForPayAmount = sum.restForPayAmount + f.restForPayAmount;
    }
    std::vector<VendorGoodRest> out;
    for (const auto& [key, sum] : sums) {
        const Currency rest = sum.rest.RoundHalfAwayFromZero(2).ToCurrency();
        if (rest == Currency() && sum.restAmount.IsZero()) continue;
        VendorGoodRest line;
        line.client = std::get<0>(key);
        line.goodCode = std::get<1>(key);
        line.goodName = sum.first->goodName;
        line.unitCode = sum.first->unitCode;
        line.rest = rest;
        line.restAmount = sum.restAmount;
        line.restForPayAmount = sum.restForPayAmount;
        if (byPurchaseRow) {
            line.docId = sum.first->docId;
            line.posNumb = sum.first->posNumb;
            line.incDocCode = sum.first->incDocCode;
        }
        out.push_back(std::move(line));
    }
    return out;
}

VendorSettlement SettlementOf(Currency payed, Currency restForPay, Currency saleForPay)
{
    const Currency x = payed - restForPay - saleForPay;
    return x > Currency() ? VendorSettlement{Currency(), x} : VendorSettlement{Currency() - x, Currency()};
}

std::vector<VendorDebt> DebtByVendorFill(const std::vector<ConsignSourceRow>& rows,
                                         const std::map<std::string, Currency>& credit,
                                         const std::map<std::string, Currency>& payed, Date repDate)
{
    struct Sum {
        std::string name;
        Decimal rest, restForPay, sale, saleForPay;
    };
    std::map<std::string, Sum> sums;
    for (const auto& row : rows) {
        const ConsignRowFigures f = FiguresOf(row, repDate);
        Sum& sum = sums[row.client];
        if (sum.name.empty()) sum.name = row.clientName;
        sum.rest = sum.rest + f.rest;
        sum.restForPay = sum.restForPay + f.restForPay;
        sum.sale = sum.sale + f.sale;
        sum.saleForPay = sum.saleForPay + f.saleForPay;
    }
    const auto cents = [](const Decimal& d) { return d.RoundHalfAwayFromZero(2).ToCurrency(); };
    const auto find = [](const std::map<std::string, Currency>& m, const std::string& key) {
        const auto it = m.find(key);
        return it == m.end() ? Currency() : it->second.RoundHalfAwayFromZero(2);
    };
    std::vector<VendorDebt> out;
    out.reserve(sums.size());
    for (const auto& [client, sum] : sums) {
        VendorDebt d;
        d.vendCode = client;
        d.vendName = sum.name;
        d.debtSum = Currency() - find(credit, client);
        d.rest = cents(sum.rest);
        d.restForPay = cents(sum.restForPay);
        d.sale = cents(sum.sale);
        d.saleForPay = cents(sum.saleForPay);
        d.payed = find(payed, client);
        const VendorSettlement s = SettlementOf(d.payed, d.restForPay, d.saleForPay);
        d.overPayed = s.overPayed;
        d.needPay = s.needPay;
        out.push_back(std::move(d));
    }
    return out;
}

std::string PayedDocsText(const std::vector<std::pair<std::string, Currency>>& lines)
{
    std::string text;
    for (const auto& [doc, summa] : lines) {
        if (!text.empty()) text += "; ";
        text += doc + " " + summa.ToFixed(2);
    }
    constexpr std::string_view kMore = " ...";
    if (text.size() <= kPayedDocsRoom) return text;
    std::size_t cut = kPayedDocsRoom - kMore.size();
    // Never through the middle of a letter: a continuation byte of UTF-8 goes with its start.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + std::string(kMore);
}

} // namespace Quarn_DuzAde
