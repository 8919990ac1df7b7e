#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include "host/data/Connection.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Erp::Demo {

// Purchase invoices with their orders, consignment receipts, returns to vendors, vendors'
// discounts and bonuses, and the invoices of services.

std::vector<Line> DocumentGenerator::PurchaseLines(const DemoClient& vendor, Date date, int vatPercent,
                                                   std::string_view fixCategory)
{
    std::vector<Line> lines;
    const int count = random_.Between(1, maxLines_);
    for (int i = 0; i < count; ++i) {
        const std::size_t good = random_.Pick(purchaseGoods_);
        Line l = NewLine(good, random_.Between(20, 200), random_.Percent(50));
        const std::int64_t unitCost = world_.goods[good].costCents * random_.Between(95, 105) / 100;
        Price(l, std::max<std::int64_t>(1, world_.FromAccountCents(unitCost, vendor.currency, date)), vatPercent);
        l.costCents = world_.ToAccountCents(l.netCents, vendor.currency, date);
        l.fixCategory = std::string(fixCategory);
        lines.push_back(std::move(l));
    }
    return lines;
}

void DocumentGenerator::PurchaseInvoice(Date date)
{
    const DemoClient& vendor = random_.Pick(world_.vendors);
    Header h = NewHeader("PISF", date, "PIRK");
    h.currency = vendor.currency;
    const int vatPercent = vendor.isPerson || vendor.currency != kAccountCurrency ? 0 : kVatPercent;
    auto lines = PurchaseLines(vendor, date, vatPercent, "A");
    if (random_.Percent(20)) { // ordered first
        Header order = NewHeader("PIS", std::max(world_.begin, date.AddDays(-random_.Between(2, 20))), "PIRK");
        order.currency = h.currency;
        std::vector<Line> ordered = lines;
        for (auto& l : ordered)
            l.specId = ++lastSpecId_;
        Write(order, ordered);
        Party(order, "PAR", vendor.code);
        h.parent = order.idc;
        for (std::size_t i = 0; i < lines.size(); ++i)
            Content(lines[i], ordered[i].specId, "OR", true, lines[i].amountAccount);
    }
    const std::int64_t total = Write(h, lines);
    Party(h, "PAR", vendor.code);
    AdditionalHeader(h, "", false, false, 0)
        .Flag(vendor.payOnSell)
        .OptionalText(vendor.isPerson ? (random_.Percent(70) ? "00" : "99") : "21");
    headers_.at("PISF").EndRow();
    const std::size_t debt = AddDebt(h, total, vendor.code, 1, false);
    for (const auto& l : lines) {
        const std::size_t lot = AddLot(l);
        recentPurchases_.push_back(BoughtLine{h.idc, debt, l, lot, date});
    }
    TermsAndPayment(h, debt, total, vendor.payTerm);
}

// Goods a vendor leaves with us on consignment: stock of its own fixation category.
void DocumentGenerator::ConsignmentReceipt(Date date)
{
    const DemoClient& vendor = random_.Pick(world_.vendors);
    Header h = NewHeader("MFC", date, "PIRK");
    auto lines = PurchaseLines(vendor, date, 0, "K");
    h.currency = vendor.currency;
    Write(h, lines);
    Party(h, "PAR", vendor.code);
    for (const auto& l : lines)
        AddLot(l);
}

// Goods sent back to the vendor from what is left of a purchase lot, linked "GR" to it.
void DocumentGenerator::ReturnToVendor(Date date)
{
    if (recentPurchases_.empty()) return;
    BoughtLine& bought = recentPurchases_[random_.Index(recentPurchases_.size())];
    Lot& lot = lots_[bought.lot];
    if (lot.remaining <= 0 || bought.date > date) return;
    const Debt source = debts_[bought.debt];
    const std::int64_t back = random_.Between(std::int64_t{1}, std::min<std::int64_t>(lot.remaining, 20));
    Header h = NewHeader("PGA", date, "PIRK");
    h.currency = source.currency;
    h.parent = bought.docId;
    Line l = NewLine(bought.line.good, back, false);
    const std::int64_t unitPrice =
        bought.line.priceCents / std::max<std::int64_t>(1, bought.line.amountAccount / bought.line.amount);
    l.priceCents = unitPrice;
    l.netCents = unitPrice * back;
    l.vatCents = bought.line.vatCents == 0 ? 0 : RoundDiv(l.netCents * kVatPercent, 100);
    l.costCents = TakeStock(l); // the oldest lots first, as every outgoing row
    std::vector<Line> lines{l};
    Content(l, bought.line.specId, "GR", false, l.amountAccount);
    const std::int64_t total = Write(h, lines);
    Party(h, "PAR", source.party);
    AdditionalHeader(h, "");
    headers_.at("PGA").EndRow();
    const std::size_t debt = AddDebt(h, total, source.party, 1, true);
    if (random_.Percent(50)) Schedule(debt, date.AddDays(random_.Between(5, 30)), total);
}

// A vendor's discount ("PISD") or bonus ("BCN", by amount: it also corrects quantities).
void DocumentGenerator::PurchaseAdjustment(Date date, std::string_view type)
{
    if (recentPurchases_.empty()) return;
    const BoughtLine& bought = recentPurchases_[random_.Index(recentPurchases_.size())];
    if (bought.date > date) return;
    const Debt source = debts_[bought.debt];
    const bool byAmount = type == "BCN";
    Header h = NewHeader(type, date, "PIRK");
    h.currency = source.currency;
    h.parent = bought.docId;
    Line l = NewLine(bought.line.good, 0, false);
    l.amount = byAmount ? -random_.Between(1, 3) : 0;
    l.amountAccount = l.amount;
    l.netCents = std::max<std::int64_t>(1, RoundDiv(bought.line.netCents * random_.Between(2, 8), 100));
    l.vatCents = bought.line.vatCents == 0 ? 0 : RoundDiv(l.netCents * kVatPercent, 100);
    l.fixCategory.clear();
    std::vector<Line> lines{l};
    Content(l, bought.line.specId, "DC", false, l.amountAccount);
    const std::int64_t total = Write(h, lines);
    Party(h, "PAR", source.party);
    AdditionalHeader(h, "", byAmount);
    headers_.at(std::string(type)).EndRow();
    AddDebt(h, total, source.party, 1, type == "PISD");
}

// Invoices of services: transport re-invoiced to a customer ("TPPR"), a carrier's invoice
// ("TPPI"), another vendor's invoice ("TID").
void DocumentGenerator::ServiceInvoice(Date date, std::string_view type)
{
    const DemoClient& party = type == "TPPR"   ? random_.Pick(world_.customers)
                              : type == "TPPI" ? random_.Pick(world_.carriers)
                                               : random_.Pick(world_.vendors);
    Header h = NewHeader(type, date, type == "TPPR" ? "PARD-V" : "PIRK");
    h.currency = party.currency;
    std::vector<Line> lines;
    for (int i = random_.Between(1, 2); i > 0; --i) {
        Line l = NewLine(world_.goods.size() - 1, 1, false);
        Price(l, world_.FromAccountCents(random_.Between(2000, 80000), party.currency, date), kVatPercent);
        l.fixCategory.clear();
        lines.push_back(std::move(l));
    }
    const std::int64_t total = Write(h, lines);
    const char* role = type == "TPPR" ? "PIR" : type == "TPPI" ? "VEZ" : "GAV";
    Party(h, role, party.code);
    AdditionalHeader(h, "");
    headers_.at(std::string(type)).EndRow();
    const std::size_t debt = AddDebt(h, total, party.code, 1, type == "TPPR");
    TermsAndPayment(h, debt, total, party.payTerm);
}

} // namespace Talvex::Erp::Demo

namespace Talvex::Erp::Demo {
namespace {

// One purchase invoice in seven also bills a service (delivery, installation) as its last row:
// no stock and no cost, VAT as the invoice's goods rows; it raises the invoice's total and its
// last payment term, and stays owed where the invoice was already paid.
constexpr std::string_view kFinishPurchases = R"sql(
CREATE TEMP TABLE service_rows ON COMMIT DROP AS
SELECT (SELECT max(IDC) FROM THGoodSpec) + row_number() OVER (ORDER BY d.IDC) AS IDC,
       d.IDC AS DocID,
       (SELECT max(g.PosNumb) FROM THGoodSpec g WHERE g.DocID = d.IDC) + 1 AS PosNumb,
       (20 + d.IDC % 80 * 5)::NUMERIC(19,4) AS Net,
       COALESCE((SELECT max(a.VATRate) FROM THGoodSpecPISF a WHERE a.DocID = d.IDC), 0) AS VATRate
FROM THDocument d
WHERE d.DocTypeCode = 'PISF' AND d.IDC % 7 = 3 AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC);

INSERT INTO THGoodSpec (IDC, DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Price, Summa, CostSumm,
                        IsCostChanged, FixCategory)
SELECT IDC, DocID, PosNumb, 'C1', 'VNT', 1, 1, Net, Net + round(Net * VATRate / 100, 2), 0, 0, NULL
FROM service_rows;
INSERT INTO THGoodSpecPISF (DocID, PosNumb, SummVAT, VATRate, Discount, DiscountSumm, AddDiscountSumm)
SELECT DocID, PosNumb, round(Net * VATRate / 100, 2), VATRate, 0, 0, 0 FROM service_rows;

UPDATE THDocument d SET Summa = d.Summa + s.Net + round(s.Net * s.VATRate / 100, 2)
FROM service_rows s WHERE s.DocID = d.IDC;
UPDATE THDocumentPayTerm t SET Summa = t.Summa + s.Net + round(s.Net * s.VATRate / 100, 2)
FROM service_rows s
WHERE s.DocID = t.DocID
  AND t.PayTerm = (SELECT max(l.PayTerm) FROM THDocumentPayTerm l WHERE l.DocID = t.DocID);
)sql";

} // namespace

void FinishPurchases(Data::Connection& db)
{
    db.ExecutePostgresScript(kFinishPurchases);
}

} // namespace Talvex::Erp::Demo
