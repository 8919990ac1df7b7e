#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include "host/data/Connection.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Erp::Demo {

// Sales invoices with their orders and contracts, advances, consignment, restaurant and hotel
// bills, sales returns, discounts and surcharges.

std::vector<Line> DocumentGenerator::SaleLines(std::string_view currency, Date date, int maxLines,
                                               const std::vector<std::size_t>& goods)
{
    std::vector<Line> lines;
    const int count = random_.Between(1, maxLines);
    for (int i = 0; i < count; ++i) {
        const std::size_t good = random_.Pick(goods);
        Line l = NewLine(good, random_.Between(1, 24), random_.Percent(30));
        const std::int64_t unitPrice = world_.goods[good].costCents * random_.Between(125, 165) / 100;
        Price(l, std::max<std::int64_t>(1, world_.FromAccountCents(unitPrice, currency, date)), kVatPercent);
        l.costCents = TakeStock(l);
        lines.push_back(std::move(l));
    }
    return lines;
}

void DocumentGenerator::SalesInvoice(Date date)
{
    const bool toPerson = random_.Percent(6);
    const DemoClient& customer = random_.Pick(world_.customers);
    const std::string party = toPerson ? random_.Pick(world_.privatePersons) : customer.code;
    const int partyType = toPerson ? 2 : 1;
    const std::string currency = toPerson ? std::string(kAccountCurrency) : customer.currency;
    const std::string department = customer.marketGroup == "EXP" || customer.marketGroup == "EU"
                                       ? "PARD-E"
                                       : (random_.Percent(50) ? "PARD-V" : "PARD-K");
    Header h = NewHeader("PRSF", date, department);
    h.currency = currency;
    h.stateCode = random_.Percent(95) ? "A" : "C";
    h.isMngBKeeping = !toPerson && random_.Percent(5);
    auto lines = SaleLines(currency, date, maxLines_, saleGoods_);
    if (!toPerson && random_.Percent(25)) { // delivered against an order, some under a contract
        Header order = NewHeader("PRS", std::max(world_.begin, date.AddDays(-random_.Between(1, 14))), department);
        order.currency = currency;
        if (random_.Percent(35)) order.parent = ContractOf(customer, order.date, department);
        std::vector<Line> ordered = lines;
        for (auto& l : ordered) {
            l.specId = ++lastSpecId_;
            l.costCents = 0;
        }
        const std::int64_t orderTotal = Write(order, ordered);
        Party(order, "PIR", customer.code);
        h.parent = order.idc;
        for (std::size_t i = 0; i < lines.size(); ++i)
            Content(lines[i], ordered[i].specId, "OR", true, lines[i].amountAccount);
        if (random_.Percent(10)) Prepayment(order, orderTotal, customer);
    }
    const std::int64_t total = Write(h, lines);
    Party(h, "PIR", party, partyType);
    if (h.isMngBKeeping) Party(h, "CUST", random_.Pick(world_.customers).code);
    const bool priceWholesale = customer.marketGroup != "RET";
    AdditionalHeader(h, priceWholesale ? "DID" : "BAZ", false, random_.Percent(4), random_.Percent(20) ? 5 : 0)
        .Int(toPerson ? random_.Between(2, 3) : 0);
    headers_.at("PRSF").EndRow();
    const std::size_t debt = AddDebt(h, total, party, partyType, true);
    invoicesByParty_[party].push_back(debt);
    for (const auto& l : lines)
        recentSales_.push_back(SoldLine{h.idc, debt, l, date, 0});
    TermsAndPayment(h, debt, total, toPerson ? 0 : customer.payTerm);
}

// A customer's framework contract: a header without rows that orders hang under.
std::int32_t DocumentGenerator::ContractOf(const DemoClient& customer, Date orderDate, std::string_view department)
{
    auto found = contracts_.find(customer.code);
    if (found != contracts_.end()) return found->second;
    Header contract = NewHeader("PRS", std::max(world_.begin, orderDate.AddDays(-30)), department);
    contract.currency = customer.currency;
    contract.name = "Framework contract";
    std::vector<Line> none;
    Write(contract, none);
    Party(contract, "PIR", customer.code);
    contracts_.emplace(customer.code, contract.idc);
    return contract.idc;
}

// An advance paid against an order: linked to the order, to be moved to its invoices later.
void DocumentGenerator::Prepayment(const Header& order, std::int64_t orderTotal, const DemoClient& customer)
{
    Header h = NewHeader(order.currency == "EUR" ? "MPP" : "MPPT", order.date.AddDays(random_.Between(0, 3)), "FIN");
    if (h.date > world_.end) return;
    h.currency = order.currency;
    const std::int64_t advance = RoundDiv(orderTotal * random_.Between(20, 100), 100);
    h.summaCents = advance;
    h.name = "Advance for an order";
    std::vector<Line> none;
    Write(h, none);
    Party(h, "MOK", customer.code);
    paySpecs_.Int(h.idc).Int(order.idc).Cents(advance).Cents(advance).Flag(false).Text("PRS " + order.number + " " +
                                                                                       order.date.ToIso());
    paySpecs_.EndRow();
    paymentsByMonth_[MonthKey(h.date)].push_back(h.idc);
}

// Consignment: goods delivered to a customer (order "PRS"), held there ("POSF", linked "PN"
// to the delivery) and invoiced as the customer sells them ("PRSF" rows linked to "POSF").
void DocumentGenerator::Consignment(Date date)
{
    const DemoClient& customer = *localCustomers_[random_.Index(localCustomers_.size())];
    const Date deliveryDate = std::max(world_.begin, date.AddDays(-random_.Between(3, 20)));
    Header delivery = NewHeader("PRS", deliveryDate, "PARD-V");
    std::vector<Line> delivered;
    const int count = random_.Between(1, std::min(maxLines_, 5));
    for (int i = 0; i < count; ++i) {
        const std::size_t good = random_.Pick(world_.tradeGoods);
        Line l = NewLine(good, random_.Between(5, 30), false);
        Price(l, world_.goods[good].costCents * 140 / 100, kVatPercent);
        delivered.push_back(std::move(l));
    }
    Write(delivery, delivered);
    Party(delivery, "PIR", customer.code);

    Header held = NewHeader("POSF", deliveryDate, "PARD-V");
    held.parent = delivery.idc;
    std::vector<Line> heldLines = delivered;
    for (std::size_t i = 0; i < heldLines.size(); ++i) {
        heldLines[i].specId = ++lastSpecId_;
        heldLines[i].fixCategory = "K";
        Content(heldLines[i], delivered[i].specId, "PN", false, heldLines[i].amountAccount);
    }
    Write(held, heldLines);
    Party(held, "PIR", customer.code);
    AdditionalHeader(held, "DID");
    headers_.at("POSF").EndRow();

    Header invoice = NewHeader("PRSF", std::max(date, deliveryDate), "PARD-V");
    std::vector<Line> sold;
    for (const auto& h : heldLines) {
        Line l = NewLine(h.good, std::max<std::int64_t>(1, h.amountAccount / random_.Between(1, 3)), false);
        Price(l, world_.goods[h.good].costCents * 140 / 100, kVatPercent);
        l.costCents = TakeStock(l);
        Content(l, h.specId, "OR", true, l.amountAccount);
        sold.push_back(std::move(l));
    }
    invoice.parent = delivery.idc;
    const std::int64_t total = Write(invoice, sold);
    Party(invoice, "PIR", customer.code);
    AdditionalHeader(invoice, "DID").Int(0);
    headers_.at("PRSF").EndRow();
    const std::size_t debt = AddDebt(invoice, total, customer.code, 1, true);
    TermsAndPayment(invoice, debt, total, customer.payTerm);
}

void DocumentGenerator::Restaurant(Date date)
{
    static constexpr const char* kTypes[] = {"RD", "RD", "RDG", "HR", "HS"};
    const std::string type = kTypes[random_.Index(5)];
    Header h = NewHeader(type, date, "REST");
    std::vector<Line> lines;
    if (type == "RD" || type == "RDG") {
        lines = SaleLines(kAccountCurrency, date, std::min(maxLines_, 8), world_.foodGoods);
    } else {
        Line l = NewLine(world_.goods.size() - 1, random_.Between(1, 5), false);
        Price(l, random_.Between(3000, 12000), kVatPercent);
        l.fixCategory.clear();
        lines.push_back(std::move(l));
    }
    Write(h, lines);
    if (random_.Percent(50))
        Party(h, "PIR", random_.Pick(world_.privatePersons), 2);
    else
        Party(h, "PIR", random_.Pick(world_.customers).code);
    if (type != "HS") {
        AdditionalHeader(h, "");
        headers_.at(type).EndRow();
    }
}

// A customer sends back part of a recent sale: the row keeps the sale's price and cost and
// is linked "GR" to the sold row; the goods return to stock.
void DocumentGenerator::SalesReturn(Date date)
{
    if (recentSales_.empty()) return;
    SoldLine& sold = recentSales_[random_.Index(recentSales_.size())];
    if (sold.line.amount - sold.returned <= 0 || sold.date > date) return;
    const Debt source = debts_[sold.debt];
    const std::int64_t back = random_.Between(std::int64_t{1}, sold.line.amount - sold.returned);
    sold.returned += back;
    Header h = NewHeader("GPG", date, "PARD-V");
    h.currency = source.currency;
    h.parent = sold.docId;
    Line l = sold.line;
    l.specId = ++lastSpecId_;
    l.amount = back;
    l.amountAccount = back * (sold.line.amountAccount / sold.line.amount);
    l.netCents = l.priceCents * back;
    l.vatCents = RoundDiv(l.netCents * kVatPercent, 100);
    l.costCents = RoundDiv(sold.line.costCents * back, sold.line.amount);
    std::vector<Line> lines{l};
    Content(l, sold.line.specId, "GR", false, l.amountAccount);
    const std::int64_t total = Write(h, lines);
    Party(h, "PIR", source.party, source.partyType);
    AdditionalHeader(h, "");
    headers_.at("GPG").EndRow();
    AddLot(l);
    const std::size_t debt = AddDebt(h, total, source.party, source.partyType, false);
    if (random_.Percent(30)) Schedule(debt, date.AddDays(random_.Between(1, 20)), total);
    returnsByParty_[source.party].push_back(debt);
}

// A discount ("PRSD") or surcharge ("SCN") on rows of a recent sale, linked "DC"; no quantity.
void DocumentGenerator::SaleAdjustment(Date date, std::string_view type)
{
    if (recentSales_.empty()) return;
    const SoldLine& anchor = recentSales_[random_.Index(recentSales_.size())];
    if (anchor.date > date) return;
    const Debt source = debts_[anchor.debt];
    Header h = NewHeader(type, date, "PARD-V");
    h.currency = source.currency;
    h.parent = anchor.docId;
    std::vector<Line> lines;
    for (const auto& s : recentSales_) {
        if (s.docId != anchor.docId || lines.size() >= 3) continue;
        Line l = NewLine(s.line.good, 0, false);
        l.unit = s.line.unit;
        l.amount = 0;
        l.amountAccount = 0;
        l.netCents = std::max<std::int64_t>(1, RoundDiv(s.line.netCents * random_.Between(3, 10), 100));
        l.vatCents = RoundDiv(l.netCents * kVatPercent, 100);
        l.priceCents = 0;
        l.fixCategory.clear();
        Content(l, s.line.specId, "DC", false, 0);
        lines.push_back(std::move(l));
    }
    const std::int64_t total = Write(h, lines);
    Party(h, "PIR", source.party, source.partyType);
    AdditionalHeader(h, "", false);
    headers_.at(std::string(type)).EndRow();
    AddDebt(h, total, source.party, source.partyType, type == "SCN");
}

} // namespace Talvex::Erp::Demo

namespace Talvex::Erp::Demo {
namespace {

// A sales invoice is marked paid directly when its payments cover it in full; a quarter of
// the foreign-currency invoices take the rate of one to three days before their date, as an
// invoice written out from an earlier offer does; some rows' cost changed after the sale (a
// late purchase invoice of the lots they took; a third of the returned rows among them, whose
// returns then no longer carry the sale's cost); a sixth of the orders ask for more than their
// invoices delivered, so the rest stays on order.
constexpr std::string_view kFinishSales = R"sql(
UPDATE THDocument d SET IsDirectPay = 1
WHERE d.DocTypeCode = 'PRSF' AND d.IDC % 11 = 4
  AND d.Summa <= (SELECT COALESCE(sum(p.SummaCur), 0) FROM THPaySpec p WHERE p.CorDocID = d.IDC);

UPDATE THDocumentPRSF a SET RateDate = d.DocumentDate - (1 + d.IDC % 3)
FROM THDocument d
WHERE d.IDC = a.DocID AND d.CurrencyCode <> 'EUR' AND d.IDC % 4 = 1;

UPDATE THGoodSpec g SET IsCostChanged = 1, CostSumm = round(g.CostSumm * 103 / 100, 2)
FROM THDocument d
WHERE d.IDC = g.DocID AND d.DocTypeCode = 'PRSF'
  AND (g.IDC % 37 = 5
       OR (g.IDC % 3 = 0 AND EXISTS (SELECT 1 FROM THGoodContent c WHERE c.CorSpecID = g.IDC AND c.LinkKindCode = 'GR')));
UPDATE THDocument d SET IsCostChanged = 1
WHERE d.DocTypeCode = 'PRSF' AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC AND g.IsCostChanged = 1);

WITH ordered AS (
    SELECT g.IDC, 1 + g.IDC % 5 AS extra
    FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID
    WHERE d.DocTypeCode = 'PRS' AND d.IDC % 6 = 2 AND g.Amount > 0
      AND EXISTS (SELECT 1 FROM THGoodContent c WHERE c.CorSpecID = g.IDC AND c.LinkKindCode = 'OR'))
UPDATE THGoodSpec g
SET AmountAccount = g.AmountAccount + o.extra * (g.AmountAccount / g.Amount),
    Summa = round(g.Summa * (g.Amount + o.extra) / g.Amount, 2),
    Amount = g.Amount + o.extra
FROM ordered o WHERE o.IDC = g.IDC;
UPDATE THDocument d SET Summa = (SELECT sum(g.Summa) FROM THGoodSpec g WHERE g.DocID = d.IDC)
WHERE d.DocTypeCode = 'PRS' AND d.IDC % 6 = 2 AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC);
)sql";

} // namespace

void FinishSales(Data::Connection& db)
{
    db.ExecutePostgresScript(kFinishSales);
}

} // namespace Talvex::Erp::Demo
