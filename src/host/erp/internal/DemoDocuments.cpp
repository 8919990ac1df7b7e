#include "host/erp/internal/DemoDocuments.hpp"

#include "host/erp/DocumentHeader.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace Talvex::Erp::Demo {
namespace {

struct DocType {
    const char* code;
    const char* name;
    bool isIncome;
    int category; // 1 goods and debt documents, 2 payments and settlements, 3 plans and internal
};
constexpr DocType kDocTypes[] = {
    {"PRSF", "Sales invoice", false, 1},
    {"PRS", "Sales order", false, 1},
    {"TPPR", "Services invoice to a customer", false, 1},
    {"PGA", "Return to a vendor", false, 1},
    {"PISD", "Purchase discount", false, 1},
    {"SCN", "Sales surcharge", true, 1},
    {"PISF", "Purchase invoice", true, 1},
    {"PIS", "Purchase order", true, 1},
    {"TPPI", "Carrier invoice", true, 1},
    {"GPG", "Sales return", true, 1},
    {"TID", "Other vendor invoice", true, 1},
    {"PRSD", "Sales discount", false, 1},
    {"BCN", "Purchase bonus", false, 1},
    {"MFC", "Consignment receipt from a vendor", true, 1},
    {"POSF", "Consignment delivery", false, 1},
    {"HR", "Hotel bill", false, 1},
    {"HS", "Hotel services", false, 1},
    {"RD", "Restaurant bill", false, 1},
    {"RDG", "Catering bill", false, 1},
    {"KOI", "Cash payment", false, 2},
    {"MP", "Bank payment", false, 2},
    {"MPT", "Foreign bank payment", false, 2},
    {"KOP", "Cash receipt", true, 2},
    {"KVT", "Cash receipt voucher", true, 2},
    {"MPP", "Bank receipt", true, 2},
    {"MPPT", "Foreign bank receipt", true, 2},
    {"SUSM", "Debt set-off", false, 2},
    {"BUSM", "Exchange difference", false, 2},
    {"USM", "Barter settlement", false, 2},
    {"CPAY", "Cash payment plan", false, 3},
    {"MO", "Manufacturing order", false, 3},
    {"MNFC", "Finished goods", true, 3},
    {"MOS", "Materials issued to an order", false, 3},
    {"MMW", "Work of an order", false, 3},
    {"MNM", "Materials of an order's work", false, 3},
    {"NUR", "Cost norm", false, 3},
    {"ITNS", "Issue of low-value assets", false, 3},
};

// Types whose rows carry VAT in THGoodSpec<TYPE>, and types with an additional header.
constexpr std::string_view kVatRowTypes[] = {"PRSF", "PISF", "GPG", "PGA", "PRSD", "PISD", "BCN", "SCN",
                                             "TPPR", "TPPI", "TID", "HR",  "HS",   "RD",   "RDG", "POSF"};
constexpr std::string_view kHeaderTypes[] = {"PRSF", "PISF", "GPG", "PGA", "PRSD", "PISD", "BCN", "SCN",
                                             "TPPR", "TPPI", "TID", "HR",  "RD",   "RDG",  "POSF"};

} // namespace

DocumentGenerator::DocumentGenerator(Data::Connection& db, const DemoWorld& world, DemoRandom& random,
                                     const ProgressFn& progress)
    : db_(db), world_(world), random_(random), progress_(progress), documents_("THDocument", DocumentColumnsWithId()),
      parties_("THPartyAttribute", {"DocID", "DocTypeCode", "RolePartyCode", "PartyType", "PartyCode"}),
      specs_("THGoodSpec", {"IDC", "DocID", "PosNumb", "GoodCode", "UnitCode", "Amount", "AmountAccount", "Price",
                            "Summa", "CostSumm", "IsCostChanged", "FixCategory"}),
      paySpecs_("THPaySpec", {"DocID", "CorDocID", "Summa", "SummaCur", "IsTransfered", "CorDocument"}),
      contents_("THGoodContent", {"SpecID", "CorSpecID", "LinkKindCode", "IsVertical", "AmountAccount"}),
      fixLog_("THGoodSpecFixLog", {"IncomeSpecID", "OutcomeSpecID", "Amount", "FixCategory"}),
      payTerms_("THDocumentPayTerm", {"DocID", "PayTerm", "Summa"}),
      orderLinks_("THDocumentMO", {"MOIDC", "DocID", "IsCostByNormPrice"}),
      cashPlanLines_("THGoodSpecCPAY", {"DocID", "PosNumb", "Client", "NeedPayDate", "PaymentTypeCode", "PayDocId"}),
      assetLines_("THGoodSpecITNS", {"DocID", "PosNumb", "AssetsCode", "FAObjectCode", "RetDate"})
{
    for (auto type : kVatRowTypes)
        vatRows_.emplace(std::string(type), DemoCopyBuffer("THGoodSpec" + std::string(type),
                                                           {"DocID", "PosNumb", "SummVAT", "VATRate", "Discount",
                                                            "DiscountSumm", "AddDiscountSumm"}));
    for (auto type : kHeaderTypes) {
        std::vector<std::string> columns = {"DocID",          "PriceTypeCode", "IsByAmount",
                                            "IsNotPrInvoice", "Penalty",       "RateDate"};
        if (type == "PRSF") columns.push_back("CashRegState");
        if (type == "PISF") {
            columns.push_back("IsPayOnSell");
            columns.push_back("VATDirection");
        }
        headers_.emplace(std::string(type), DemoCopyBuffer("THDocument" + std::string(type), columns));
    }
    const int documentsWanted = world.scale == 0 ? 4000 : 100000 * world.scale;
    perMonth_ = documentsWanted / 24.0;
    maxLines_ = world.scale == 0 ? 7 : 36;
    saleGoods_ = world.tradeGoods;
    saleGoods_.insert(saleGoods_.end(), world.foodGoods.begin(), world.foodGoods.end());
    saleGoods_.insert(saleGoods_.end(), world.productGoods.begin(), world.productGoods.end());
    purchaseGoods_ = world.tradeGoods;
    purchaseGoods_.insert(purchaseGoods_.end(), world.foodGoods.begin(), world.foodGoods.end());
    purchaseGoods_.insert(purchaseGoods_.end(), world.materialGoods.begin(), world.materialGoods.end());
    lotsByGood_.resize(world.goods.size());
    for (const auto& c : world.customers)
        if (c.kind == ClientKind::Customer && c.marketGroup != "EXP") localCustomers_.push_back(&c);
}

DemoDocumentCounts DocumentGenerator::Run()
{
    WriteDocTypes();
    for (Date month = world_.begin; month <= world_.end; month = month.AddMonthsClamped(1)) {
        char step[64];
        std::snprintf(step, sizeof step, "Generating documents of %04d-%02u", month.Year(), month.Month());
        if (progress_) progress_(step);
        GenerateMonth(month);
        FlushAll();
    }
    if (progress_) progress_("Generating cash payment plans");
    for (int year = world_.begin.Year(); year <= world_.end.Year(); ++year)
        CashPlan(year);
    FlushAll();
    return {documents_.TotalRows(), specs_.TotalRows()};
}

int DocumentGenerator::Count(double share)
{
    const double wanted = share * perMonth_;
    int n = static_cast<int>(wanted);
    if (random_.Between(0, 999) < static_cast<int>((wanted - n) * 1000)) ++n;
    return std::max(1, n);
}

Date DocumentGenerator::DayIn(Date month)
{
    const int days = static_cast<int>(month.LastOfMonth().Day());
    return month.AddDays(random_.Between(0, days - 1));
}

void DocumentGenerator::GenerateMonth(Date month)
{
    const Date cutoff = month.AddDays(-45);
    std::erase_if(recentSales_, [&](const SoldLine& s) { return s.date < cutoff; });
    std::erase_if(recentPurchases_, [&](const BoughtLine& b) { return b.date < cutoff; });

    // Goods come in before they go out, so that most sales find stock.
    for (int i = Count(0.08); i > 0; --i)
        PurchaseInvoice(DayIn(month));
    for (int i = Count(0.004); i > 0; --i)
        ConsignmentReceipt(DayIn(month));
    for (int i = Count(0.004); i > 0; --i)
        Manufacturing(DayIn(month));
    for (int i = Count(0.34); i > 0; --i)
        SalesInvoice(DayIn(month));
    for (int i = Count(0.004); i > 0; --i)
        Consignment(DayIn(month));
    for (int i = Count(0.02); i > 0; --i)
        Restaurant(DayIn(month));
    for (int i = Count(0.015); i > 0; --i)
        SalesReturn(DayIn(month));
    for (int i = Count(0.006); i > 0; --i)
        ReturnToVendor(DayIn(month));
    for (int i = Count(0.012); i > 0; --i)
        SaleAdjustment(DayIn(month), "PRSD");
    for (int i = Count(0.006); i > 0; --i)
        SaleAdjustment(DayIn(month), "SCN");
    for (int i = Count(0.004); i > 0; --i)
        PurchaseAdjustment(DayIn(month), "PISD");
    for (int i = Count(0.004); i > 0; --i)
        PurchaseAdjustment(DayIn(month), "BCN");
    for (int i = Count(0.01); i > 0; --i)
        ServiceInvoice(DayIn(month), "TPPR");
    for (int i = Count(0.008); i > 0; --i)
        ServiceInvoice(DayIn(month), "TPPI");
    for (int i = Count(0.004); i > 0; --i)
        ServiceInvoice(DayIn(month), "TID");
    for (int i = Count(0.002); i > 0; --i)
        CostNorm(DayIn(month));
    for (int i = Count(0.002); i > 0; --i)
        AssetIssue(DayIn(month));
    for (int i = Count(0.0015); i > 0; --i)
        SetOff(month.LastOfMonth());
    if (month.Month() % 3 == 0) ExchangeDifference(month.LastOfMonth());
    if (month.Month() % 4 == 0) Barter(DayIn(month));
    Payments(month);
    for (int i = Count(0.006); i > 0; --i)
        UnlinkedPayment(DayIn(month));
}

bool DocumentGenerator::PostedOn(Date date)
{
    return date < Date(2026, 11, 1) ? random_.Percent(97) : random_.Percent(75);
}

std::string DocumentGenerator::NextNumber(std::string_view type, Date date)
{
    auto& counter = numbers_[std::string(type) + std::to_string(date.Year())];
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*s-%04d-%06d", static_cast<int>(type.size()), type.data(), date.Year(),
                  ++counter);
    return buf;
}

Header DocumentGenerator::NewHeader(std::string_view type, Date date, std::string_view department)
{
    Header h;
    h.idc = ++lastDocId_;
    h.type = std::string(type);
    h.date = date;
    h.posted = PostedOn(date);
    h.department = std::string(department);
    h.author = world_.UserOf(department, random_).userId;
    h.number = NextNumber(type, date);
    return h;
}

Line DocumentGenerator::NewLine(std::size_t good, std::int64_t amountAccount, bool inBoxes)
{
    Line l;
    l.good = good;
    const DemoGood& g = world_.goods[good];
    l.goodCode = g.code;
    if (inBoxes && g.boxRate > 1) {
        l.unit = std::string(kBoxUnit);
        l.amount = std::max<std::int64_t>(1, amountAccount / g.boxRate);
        l.amountAccount = l.amount * g.boxRate;
    } else {
        l.unit = std::string(kPieceUnit);
        l.amount = amountAccount;
        l.amountAccount = amountAccount;
    }
    l.specId = ++lastSpecId_;
    l.fixCategory = "A";
    return l;
}

// Prices a row: unit price without VAT, net, VAT at the given percent.
void DocumentGenerator::Price(Line& l, std::int64_t pricePerAccountUnitCents, int vatPercent)
{
    l.priceCents = pricePerAccountUnitCents * (l.amountAccount / std::max<std::int64_t>(1, l.amount));
    l.netCents = l.priceCents * l.amount;
    l.vatCents = RoundDiv(l.netCents * vatPercent, 100);
}

// Writes the header and its rows; the document's Summa is the sum of its rows' Summa.
std::int64_t DocumentGenerator::Write(Header& h, std::vector<Line>& lines)
{
    std::int64_t total = h.summaCents;
    if (!lines.empty()) {
        total = 0;
        for (const auto& l : lines)
            total += l.Summa();
    }
    WriteHeader(h, total);
    WriteLines(h, lines);
    return total;
}

void DocumentGenerator::WriteHeader(const Header& h, std::int64_t summaCents)
{
    documents_.Int(h.idc)
        .Text(h.type)
        .Day(h.date)
        .Text(h.number)
        .Text(h.number)
        .OptionalText(h.name)
        .Cents(summaCents)
        .Text(h.currency)
        .Flag(h.posted)
        .Flag(h.closed)
        .Flag(false)
        .OptionalText(h.stateCode)
        .OptionalInt(h.parent ? std::optional<std::int64_t>(*h.parent) : std::nullopt)
        .Int(h.author)
        .OptionalText(h.department)
        .Flag(h.isDirectPay)
        .Flag(h.isMngBKeeping)
        .Flag(h.isCostChanged)
        .Flag(h.isKredit);
    if (h.inForce)
        documents_.Day(*h.inForce);
    else
        documents_.Null();
    if (h.validity)
        documents_.Day(*h.validity);
    else
        documents_.Null();
    documents_.EndRow();
}

// The goods rows, and for the types with VAT rows their VAT and the sales discount.
void DocumentGenerator::WriteLines(const Header& h, const std::vector<Line>& lines)
{
    auto vat = vatRows_.find(h.type);
    int position = 0;
    for (const auto& l : lines) {
        ++position;
        specs_.Int(l.specId)
            .Int(h.idc)
            .Int(position)
            .Text(l.goodCode)
            .Text(l.unit)
            .Int(l.amount)
            .Int(l.amountAccount)
            .Cents(l.priceCents)
            .Cents(l.Summa())
            .Cents(l.costCents)
            .Flag(h.isCostChanged && position == 1)
            .OptionalText(l.fixCategory);
        specs_.EndRow();
        if (vat != vatRows_.end()) {
            const std::int64_t gross = l.netCents + l.vatCents;
            const bool discounted = h.type == "PRSF" && l.netCents > 0 && l.good % 7 == 0;
            const std::int64_t discount = discounted ? RoundDiv(gross * 5, 95) : 0;
            vat->second.Int(h.idc)
                .Int(position)
                .Cents(l.vatCents)
                .Int(l.vatCents == 0 ? 0 : kVatPercent)
                .Int(discounted ? 5 : 0)
                .Cents(discount)
                .Cents(discounted && h.isMngBKeeping ? discount : 0);
            vat->second.EndRow();
        }
    }
}

void DocumentGenerator::Party(const Header& h, std::string_view role, std::string_view code, int partyType)
{
    parties_.Int(h.idc).Text(h.type).Text(role).Int(partyType).Text(code);
    parties_.EndRow();
}

DemoCopyBuffer& DocumentGenerator::AdditionalHeader(const Header& h, std::string_view priceType, bool isByAmount,
                                                    bool isNotPrInvoice, int penaltyHundredths)
{
    auto& b = headers_.at(h.type);
    b.Int(h.idc).OptionalText(priceType).Flag(isByAmount).Flag(isNotPrInvoice);
    if (penaltyHundredths > 0)
        b.Money(Currency::FromUnits(penaltyHundredths * 100));
    else
        b.Null();
    b.Day(h.date);
    return b;
}

void DocumentGenerator::Content(const Line& linked, std::int32_t sourceSpecId, std::string_view kind, bool vertical,
                                std::int64_t amountAccount)
{
    contents_.Int(linked.specId).Int(sourceSpecId).Text(kind).Flag(vertical).Int(amountAccount);
    contents_.EndRow();
}

std::size_t DocumentGenerator::AddLot(const Line& l)
{
    lots_.push_back(Lot{l.specId, l.amountAccount, l.amountAccount, l.costCents, l.fixCategory});
    lotsByGood_[l.good].push_back(lots_.size() - 1);
    return lots_.size() - 1;
}

// Takes the row's quantity from the oldest lots of its good, logging each fixation; what
// the lots cannot give is costed at the good's standard price. Returns the cost.
std::int64_t DocumentGenerator::TakeStock(const Line& l)
{
    std::int64_t needed = l.amountAccount;
    std::int64_t cost = 0;
    auto& queue = lotsByGood_[l.good];
    while (needed > 0 && !queue.empty()) {
        Lot& lot = lots_[queue.front()];
        if (lot.remaining == 0) {
            queue.pop_front();
            continue;
        }
        const std::int64_t taken = std::min(needed, lot.remaining);
        const std::int64_t takenCost = RoundDiv(lot.costCents * taken, lot.amount);
        fixLog_.Int(lot.specId).Int(l.specId).Int(taken).Text(lot.fixCategory);
        fixLog_.EndRow();
        lot.remaining -= taken;
        needed -= taken;
        cost += takenCost;
    }
    return cost + needed * world_.goods[l.good].costCents;
}

std::size_t DocumentGenerator::AddDebt(const Header& h, std::int64_t total, std::string_view party, int partyType,
                                       bool receivable)
{
    debts_.push_back(
        Debt{h.idc, h.type, h.number, h.date, h.currency, total, total, std::string(party), partyType, receivable});
    return debts_.size() - 1;
}

void DocumentGenerator::Schedule(std::size_t debt, Date date, std::int64_t cents)
{
    if (date > world_.end || cents <= 0) return;
    events_.push_back(PayEvent{date, debt, cents});
}

int DocumentGenerator::MonthKey(Date d)
{
    return d.Year() * 100 + static_cast<int>(d.Month());
}

void DocumentGenerator::WriteDocTypes()
{
    DemoCopyBuffer types("THDocType", {"Code", "Name", "IsIncome", "Category"});
    for (const auto& t : kDocTypes) {
        types.Text(t.code).Text(t.name).Flag(t.isIncome).Int(t.category);
        types.EndRow();
    }
    types.Flush(db_);
}

void DocumentGenerator::FlushAll()
{
    documents_.Flush(db_);
    parties_.Flush(db_);
    specs_.Flush(db_);
    for (auto& [type, buffer] : vatRows_)
        buffer.Flush(db_);
    for (auto& [type, buffer] : headers_)
        buffer.Flush(db_);
    paySpecs_.Flush(db_);
    contents_.Flush(db_);
    fixLog_.Flush(db_);
    payTerms_.Flush(db_);
    orderLinks_.Flush(db_);
    cashPlanLines_.Flush(db_);
    assetLines_.Flush(db_);
}

DemoDocumentCounts GenerateDocuments(Data::Connection& db, const DemoWorld& world, DemoRandom& random,
                                     const ProgressFn& progress)
{
    DocumentGenerator generator(db, world, random, progress);
    return generator.Run();
}

} // namespace Talvex::Erp::Demo
