#include "host/erp/internal/DemoDocuments.hpp"

#include "host/erp/DocumentHeader.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/internal/DemoCopyBuffer.hpp"

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

constexpr int kVatPercent = 21;

std::int64_t RoundDiv(std::int64_t numerator, std::int64_t denominator)
{
    // Half away from zero, as the ERP rounds money.
    const std::int64_t half = denominator / 2;
    return numerator >= 0 ? (numerator + half) / denominator : (numerator - half) / denominator;
}

// One goods row being written.
struct Line {
    std::size_t good = 0;
    std::string goodCode;
    std::string unit;
    std::int64_t amount = 0;        // in the row's unit
    std::int64_t amountAccount = 0; // in the accounting unit
    std::int64_t priceCents = 0;    // per unit of the row, without VAT
    std::int64_t netCents = 0;
    std::int64_t vatCents = 0;
    std::int64_t costCents = 0; // accounting currency
    std::string fixCategory;
    std::int32_t specId = 0;
    std::int64_t Summa() const { return netCents + vatCents; }
};

struct Header {
    std::int32_t idc = 0;
    std::string type;
    Date date;
    std::string currency = "EUR";
    bool posted = true;
    bool closed = false;
    std::optional<std::int32_t> parent;
    std::string department;
    int author = 0;
    bool isDirectPay = false;
    bool isMngBKeeping = false;
    bool isKredit = false;
    bool isCostChanged = false;
    std::string name;
    std::string stateCode;
    std::optional<Date> inForce;
    std::optional<Date> validity;
    std::int64_t summaCents = 0; // used when the document has no rows
    std::string number;
};

// A stock lot: an incoming row and what is left of it.
struct Lot {
    std::int32_t specId = 0;
    std::int64_t amount = 0;
    std::int64_t remaining = 0;
    std::int64_t costCents = 0;
    std::string fixCategory;
};

// A document that can be owed: what is still open of it and to whom.
struct Debt {
    std::int32_t idc = 0;
    std::string type;
    std::string number;
    Date date;
    std::string currency;
    std::int64_t totalCents = 0;
    std::int64_t openCents = 0;
    std::string party;
    int partyType = 1;
    bool receivable = true;
};

struct PayEvent {
    Date date;
    std::size_t debt = 0;
    std::int64_t cents = 0;
};

struct SoldLine {
    std::int32_t docId = 0;
    std::size_t debt = 0;
    Line line;
    Date date;
    std::int64_t returned = 0; // in the row's unit
};

struct BoughtLine {
    std::int32_t docId = 0;
    std::size_t debt = 0;
    Line line;
    std::size_t lot = 0;
    Date date;
};

class DocumentGenerator {
public:
    DocumentGenerator(Data::Connection& db, const DemoWorld& world, DemoRandom& random, const ProgressFn& progress)
        : db_(db), world_(world), random_(random), progress_(progress),
          documents_("THDocument", DocumentColumnsWithId()),
          parties_("THPartyAttribute", {"DocID", "DocTypeCode", "RolePartyCode", "PartyType", "PartyCode"}),
          specs_("THGoodSpec", {"IDC", "DocID", "PosNumb", "GoodCode", "UnitCode", "Amount", "AmountAccount", "Price",
                                "Summa", "CostSumm", "IsCostChanged", "FixCategory"}),
          paySpecs_("THPaySpec", {"DocID", "CorDocID", "Summa", "SummaCur", "IsTransfered", "CorDocument"}),
          contents_("THGoodContent", {"SpecID", "CorSpecID", "LinkKindCode", "IsVertical", "AmountAccount"}),
          fixLog_("THGoodSpecFixLog", {"IncomeSpecID", "OutcomeSpecID", "Amount", "FixCategory"}),
          payTerms_("THDocumentPayTerm", {"DocID", "PayTerm", "Summa"}),
          orderLinks_("THDocumentMO", {"MOIDC", "DocID", "IsCostByNormPrice"}),
          cashPlanLines_("THGoodSpecCPAY",
                         {"DocID", "PosNumb", "Client", "NeedPayDate", "PaymentTypeCode", "PayDocId"}),
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

    DemoDocumentCounts Run()
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

private:
    // ---- the month -------------------------------------------------------------------------

    int Count(double share)
    {
        const double wanted = share * perMonth_;
        int n = static_cast<int>(wanted);
        if (random_.Between(0, 999) < static_cast<int>((wanted - n) * 1000)) ++n;
        return std::max(1, n);
    }

    Date DayIn(Date month)
    {
        const int days = static_cast<int>(month.LastOfMonth().Day());
        return month.AddDays(random_.Between(0, days - 1));
    }

    void GenerateMonth(Date month)
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

    // ---- writing ---------------------------------------------------------------------------

    bool PostedOn(Date date) { return date < Date(2026, 11, 1) ? random_.Percent(97) : random_.Percent(75); }

    std::string NextNumber(std::string_view type, Date date)
    {
        auto& counter = numbers_[std::string(type) + std::to_string(date.Year())];
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.*s-%04d-%06d", static_cast<int>(type.size()), type.data(), date.Year(),
                      ++counter);
        return buf;
    }

    Header NewHeader(std::string_view type, Date date, std::string_view department)
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

    Line NewLine(std::size_t good, std::int64_t amountAccount, bool inBoxes)
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
    static void Price(Line& l, std::int64_t pricePerAccountUnitCents, int vatPercent)
    {
        l.priceCents = pricePerAccountUnitCents * (l.amountAccount / std::max<std::int64_t>(1, l.amount));
        l.netCents = l.priceCents * l.amount;
        l.vatCents = RoundDiv(l.netCents * vatPercent, 100);
    }

    // Writes the header and its rows; the document's Summa is the sum of its rows' Summa.
    std::int64_t Write(Header& h, std::vector<Line>& lines)
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

    void WriteHeader(const Header& h, std::int64_t summaCents)
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
    void WriteLines(const Header& h, const std::vector<Line>& lines)
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

    void Party(const Header& h, std::string_view role, std::string_view code, int partyType = 1)
    {
        parties_.Int(h.idc).Text(h.type).Text(role).Int(partyType).Text(code);
        parties_.EndRow();
    }

    DemoCopyBuffer& AdditionalHeader(const Header& h, std::string_view priceType, bool isByAmount = false,
                                     bool isNotPrInvoice = false, int penaltyHundredths = 0)
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

    void Content(const Line& linked, std::int32_t sourceSpecId, std::string_view kind, bool vertical,
                 std::int64_t amountAccount)
    {
        contents_.Int(linked.specId).Int(sourceSpecId).Text(kind).Flag(vertical).Int(amountAccount);
        contents_.EndRow();
    }

    // ---- stock -----------------------------------------------------------------------------

    std::size_t AddLot(const Line& l)
    {
        lots_.push_back(Lot{l.specId, l.amountAccount, l.amountAccount, l.costCents, l.fixCategory});
        lotsByGood_[l.good].push_back(lots_.size() - 1);
        return lots_.size() - 1;
    }

    // Takes the row's quantity from the oldest lots of its good, logging each fixation; what
    // the lots cannot give is costed at the good's standard price. Returns the cost.
    std::int64_t TakeStock(const Line& l)
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

    // ---- debts and their payment -----------------------------------------------------------

    std::size_t AddDebt(const Header& h, std::int64_t total, std::string_view party, int partyType, bool receivable)
    {
        debts_.push_back(
            Debt{h.idc, h.type, h.number, h.date, h.currency, total, total, std::string(party), partyType, receivable});
        return debts_.size() - 1;
    }

    void Schedule(std::size_t debt, Date date, std::int64_t cents)
    {
        if (date > world_.end || cents <= 0) return;
        events_.push_back(PayEvent{date, debt, cents});
    }

    // Stored payment terms of an invoice: mostly the client's standard term, some instalments,
    // some none (then the invoice is due on its date). The payment plan follows the terms.
    void TermsAndPayment(const Header& h, std::size_t debt, std::int64_t total, int standardTerm)
    {
        std::vector<std::pair<int, std::int64_t>> terms;
        const int draw = random_.Between(1, 100);
        if (draw <= 10 && total >= 300) {
            const int count = random_.Between(2, 3);
            std::int64_t left = total;
            for (int i = 0; i < count; ++i) {
                const std::int64_t part = i + 1 == count ? left : total / count;
                terms.emplace_back(std::max(standardTerm, 7) + 30 * i, part);
                left -= part;
            }
        } else if (draw <= 70) {
            terms.emplace_back(standardTerm, total);
        }
        for (const auto& [days, cents] : terms) {
            payTerms_.Int(h.idc).Int(days).Cents(cents);
            payTerms_.EndRow();
        }
        if (terms.empty()) terms.emplace_back(0, total);

        const int fate = random_.Between(1, 100);
        if (fate <= 12) return; // never paid
        if (fate <= 25) {       // paid in part
            const std::int64_t part = RoundDiv(total * random_.Between(20, 80), 100);
            Schedule(debt, h.date.AddDays(terms.front().first + random_.Between(-3, 20)), part);
            return;
        }
        for (const auto& [days, cents] : terms)
            Schedule(debt, std::max(h.date, h.date.AddDays(days + random_.Between(-5, 15))), cents);
    }

    std::string PaymentType(const Debt& d)
    {
        const bool foreign = d.currency != kAccountCurrency;
        if (d.receivable) {
            if (foreign) return random_.Percent(80) ? "MPPT" : "MPP";
            if (d.partyType == 2) return random_.Percent(50) ? "KOP" : "KVT";
            const int draw = random_.Between(1, 100);
            return draw <= 65 ? "MPP" : draw <= 85 ? "KOP" : "KVT";
        }
        if (foreign) return random_.Percent(80) ? "MPT" : "MP";
        return random_.Percent(85) ? "MP" : "KOI";
    }

    // The month's due payments: a client's payments close together become one payment document
    // that pays several documents; a few carry an amount not linked to anything yet.
    void Payments(Date month)
    {
        const Date last = month.LastOfMonth();
        std::vector<PayEvent> due;
        std::vector<PayEvent> later;
        for (const auto& e : events_)
            (e.date <= last ? due : later).push_back(e);
        events_ = std::move(later);
        std::stable_sort(due.begin(), due.end(), [&](const PayEvent& a, const PayEvent& b) {
            const Debt& da = debts_[a.debt];
            const Debt& db = debts_[b.debt];
            if (da.party != db.party) return da.party < db.party;
            if (da.receivable != db.receivable) return da.receivable;
            if (da.currency != db.currency) return da.currency < db.currency;
            return a.date < b.date;
        });
        std::size_t i = 0;
        while (i < due.size()) {
            std::size_t j = i + 1;
            const Debt& first = debts_[due[i].debt];
            while (j < due.size() && j - i < 4) {
                const Debt& next = debts_[due[j].debt];
                if (next.party != first.party || next.receivable != first.receivable ||
                    next.currency != first.currency || due[i].date.DaysUntil(due[j].date) > 7)
                    break;
                ++j;
            }
            PaymentDocument(std::vector<PayEvent>(due.begin() + static_cast<std::ptrdiff_t>(i),
                                                  due.begin() + static_cast<std::ptrdiff_t>(j)));
            i = j;
        }
    }

    void PaymentDocument(const std::vector<PayEvent>& events)
    {
        const Debt& first = debts_[events.front().debt];
        Date date = events.back().date;
        if (date < world_.begin) date = world_.begin;
        Header h = NewHeader(PaymentType(first), date, "FIN");
        // A foreign invoice is sometimes paid in the accounting currency.
        const bool crossCurrency = first.currency != kAccountCurrency && random_.Percent(15);
        h.currency = crossCurrency ? std::string(kAccountCurrency) : first.currency;
        h.isDirectPay = random_.Percent(2);
        h.isMngBKeeping = random_.Percent(3);
        h.name = first.receivable ? "Payment received" : "Payment made";
        std::int64_t summa = 0;
        for (const auto& e : events) {
            Debt& d = debts_[e.debt];
            const std::int64_t linked = std::min(e.cents, d.openCents);
            if (linked <= 0) continue;
            d.openCents -= linked;
            const std::int64_t inPayment = crossCurrency ? world_.ToAccountCents(linked, d.currency, date) : linked;
            paySpecs_.Int(h.idc).Int(d.idc).Cents(inPayment).Cents(linked).Flag(false).Text(d.type + " " + d.number +
                                                                                            " " + d.date.ToIso());
            paySpecs_.EndRow();
            summa += inPayment;
        }
        if (random_.Percent(6)) summa += random_.Between(1000, 50000); // an advance not yet linked
        if (summa == 0) summa = random_.Between(1000, 20000);
        h.summaCents = summa;
        std::vector<Line> none;
        Write(h, none);
        Party(h, first.receivable ? "MOK" : "GAV", first.party, first.partyType);
        paymentsByMonth_[MonthKey(date)].push_back(h.idc);
    }

    void UnlinkedPayment(Date date)
    {
        const bool received = random_.Percent(70);
        const DemoClient& c = received ? random_.Pick(world_.customers) : random_.Pick(world_.vendors);
        Header h = NewHeader(received ? (c.currency == "EUR" ? "MPP" : "MPPT") : (c.currency == "EUR" ? "MP" : "MPT"),
                             date, "FIN");
        h.currency = c.currency;
        h.summaCents = random_.Between(5000, 300000);
        h.name = "Advance payment";
        std::vector<Line> none;
        Write(h, none);
        Party(h, received ? "MOK" : "GAV", c.code);
        paymentsByMonth_[MonthKey(date)].push_back(h.idc);
    }

    static int MonthKey(Date d) { return d.Year() * 100 + static_cast<int>(d.Month()); }

    // ---- purchases -------------------------------------------------------------------------

    std::vector<Line> PurchaseLines(const DemoClient& vendor, Date date, int vatPercent, std::string_view fixCategory)
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

    void PurchaseInvoice(Date date)
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
    void ConsignmentReceipt(Date date)
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

    // ---- sales -----------------------------------------------------------------------------

    std::vector<Line> SaleLines(std::string_view currency, Date date, int maxLines,
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

    void SalesInvoice(Date date)
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
    std::int32_t ContractOf(const DemoClient& customer, Date orderDate, std::string_view department)
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
    void Prepayment(const Header& order, std::int64_t orderTotal, const DemoClient& customer)
    {
        Header h =
            NewHeader(order.currency == "EUR" ? "MPP" : "MPPT", order.date.AddDays(random_.Between(0, 3)), "FIN");
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
    void Consignment(Date date)
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

    void Restaurant(Date date)
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
    void SalesReturn(Date date)
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

    // Goods sent back to the vendor from what is left of a purchase lot, linked "GR" to it.
    void ReturnToVendor(Date date)
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

    // A discount ("PRSD") or surcharge ("SCN") on rows of a recent sale, linked "DC"; no quantity.
    void SaleAdjustment(Date date, std::string_view type)
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

    // A vendor's discount ("PISD") or bonus ("BCN", by amount: it also corrects quantities).
    void PurchaseAdjustment(Date date, std::string_view type)
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
    void ServiceInvoice(Date date, std::string_view type)
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

    // ---- production and internal documents -------------------------------------------------

    // An order "MO" for a product: materials issued to it ("MOS"), its work ("MMW") with the
    // materials of that work ("MNM", two levels under the order) and the finished goods
    // ("MNFC", linked to the order in THDocumentMO) costed at what went in.
    void Manufacturing(Date date)
    {
        const std::size_t product = random_.Pick(world_.productGoods);
        const std::int64_t quantity = random_.Between(5, 50);
        Header order = NewHeader("MO", date, "GAM");
        order.closed = date < Date(2026, 10, 1);
        std::vector<Line> materials;
        for (int i = random_.Between(2, 4); i > 0; --i) {
            Line m = NewLine(random_.Pick(world_.materialGoods), quantity * random_.Between(1, 5), false);
            materials.push_back(std::move(m));
        }
        const std::int64_t workCost = quantity * random_.Between(200, 1500);
        std::int64_t planned = workCost;
        for (const auto& m : materials)
            planned += m.amountAccount * world_.goods[m.good].costCents;
        Line ordered = NewLine(product, quantity, false);
        ordered.priceCents = RoundDiv(planned, quantity);
        ordered.netCents = planned;
        ordered.costCents = planned;
        ordered.fixCategory.clear();
        std::vector<Line> orderLines{ordered};
        Write(order, orderLines);

        Header issue = NewHeader("MOS", date, "GAM");
        issue.parent = order.idc;
        std::int64_t materialCost = 0;
        for (auto& m : materials) {
            m.costCents = TakeStock(m);
            m.netCents = m.costCents;
            m.priceCents = RoundDiv(m.costCents, m.amountAccount);
            materialCost += m.costCents;
        }
        Write(issue, materials);

        Header work = NewHeader("MMW", date, "GAM");
        work.parent = order.idc;
        Line w = NewLine(world_.goods.size() - 1, 1, false);
        w.priceCents = workCost;
        w.netCents = workCost;
        w.costCents = workCost;
        w.fixCategory.clear();
        std::vector<Line> workLines{w};
        Write(work, workLines);

        Header workMaterials = NewHeader("MNM", date, "GAM");
        workMaterials.parent = work.idc;
        Line wm = NewLine(random_.Pick(world_.materialGoods), random_.Between(1, 10), false);
        wm.costCents = TakeStock(wm);
        wm.netCents = wm.costCents;
        wm.priceCents = RoundDiv(wm.costCents, wm.amountAccount);
        materialCost += wm.costCents;
        std::vector<Line> workMaterialLines{wm};
        Write(workMaterials, workMaterialLines);

        Header finished = NewHeader("MNFC", date, "GAM");
        finished.parent = order.idc;
        finished.isCostChanged = random_.Percent(5);
        Line f = NewLine(product, quantity, false);
        f.costCents = materialCost + workCost;
        f.netCents = f.costCents;
        f.priceCents = RoundDiv(f.costCents, quantity);
        std::vector<Line> finishedLines{f};
        Write(finished, finishedLines);
        AddLot(f);
        orderLinks_.Int(order.idc).Int(finished.idc).Flag(random_.Percent(20));
        orderLinks_.EndRow();
    }

    // Cost norms of goods, in force for a while.
    void CostNorm(Date date)
    {
        Header h = NewHeader("NUR", date, "GAM");
        h.inForce = date;
        h.validity = std::min(world_.end, date.AddDays(random_.Between(90, 365)));
        std::vector<Line> lines;
        for (int i = random_.Between(1, 4); i > 0; --i) {
            const std::size_t good = random_.Pick(world_.productGoods);
            Line l = NewLine(good, random_.Between(1, 10), false);
            l.priceCents = world_.goods[good].costCents;
            l.netCents = l.priceCents * l.amountAccount;
            l.costCents = l.netCents;
            l.fixCategory.clear();
            lines.push_back(std::move(l));
        }
        h.isCostChanged = random_.Percent(10);
        Write(h, lines);
    }

    // Low-value assets handed to a holder; some come back.
    void AssetIssue(Date date)
    {
        Header h = NewHeader("ITNS", date, "FIN");
        std::vector<Line> lines;
        for (int i = random_.Between(1, 3); i > 0; --i) {
            const std::size_t good = random_.Pick(world_.equipmentGoods);
            Line l = NewLine(good, 1, false);
            l.priceCents = world_.goods[good].costCents;
            l.netCents = l.priceCents;
            l.costCents = l.priceCents;
            l.fixCategory.clear();
            lines.push_back(std::move(l));
        }
        Write(h, lines);
        const DemoClient& holder = random_.Percent(40) ? world_.customers.back() : random_.Pick(world_.customers);
        Party(h, "PIR", holder.code);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ++assetNumber_;
            char asset[16];
            char object[16];
            std::snprintf(asset, sizeof asset, "MVP%04d", assetNumber_ % 60 + 1);
            std::snprintf(object, sizeof object, "IT%03d", assetNumber_ % 25 + 1);
            assetLines_.Int(h.idc).Int(static_cast<std::int64_t>(i + 1)).Text(asset).Text(object);
            const Date back = date.AddDays(random_.Between(30, 400));
            if (random_.Percent(30) && back <= world_.end)
                assetLines_.Day(back);
            else
                assetLines_.Null();
            assetLines_.EndRow();
        }
    }

    // Sets a customer's return (what we owe) off against its open invoice (what it owes).
    void SetOff(Date date)
    {
        for (auto& [party, returns] : returnsByParty_) {
            for (std::size_t r : returns) {
                Debt& ret = debts_[r];
                if (ret.openCents <= 0 || ret.date > date) continue;
                for (std::size_t index : invoicesByParty_[party]) {
                    Debt& invoice = debts_[index];
                    if (invoice.openCents <= 0 || invoice.currency != ret.currency || invoice.date > date) continue;
                    const std::int64_t amount = std::min(ret.openCents, invoice.openCents);
                    Header h = NewHeader("SUSM", date, "FIN");
                    h.currency = ret.currency;
                    h.summaCents = amount;
                    h.isKredit = false;
                    h.name = "Set-off of a return";
                    std::vector<Line> none;
                    Write(h, none);
                    Party(h, "PIR", party, invoice.partyType);
                    Party(h, "PAR", party, invoice.partyType);
                    for (Debt* d : {&invoice, &ret}) {
                        d->openCents -= amount;
                        paySpecs_.Int(h.idc).Int(d->idc).Cents(amount).Cents(amount).Flag(false).Text(
                            d->type + " " + d->number + " " + d->date.ToIso());
                        paySpecs_.EndRow();
                    }
                    return;
                }
            }
        }
    }

    void ExchangeDifference(Date date)
    {
        const DemoClient* foreign = nullptr;
        for (const auto& c : world_.customers)
            if (c.currency != kAccountCurrency) {
                foreign = &c;
                if (random_.Percent(30)) break;
            }
        if (!foreign) return;
        Header h = NewHeader("BUSM", date, "FIN");
        h.summaCents = random_.Between(-5000, 5000);
        h.name = "Exchange difference";
        std::vector<Line> none;
        Write(h, none);
        Party(h, "PIR", foreign->code);
    }

    void Barter(Date date)
    {
        Header h = NewHeader("USM", date, "FIN");
        h.summaCents = random_.Between(10000, 200000);
        h.name = "Barter";
        std::vector<Line> none;
        Write(h, none);
        Party(h, "PIR", random_.Pick(world_.customers).code);
        Party(h, "PAR", random_.Pick(world_.vendors).code);
    }

    // The yearly cash payment plan: monthly expected receipts and payments of the main
    // partners, due on a working day; lines already settled name their payment document.
    void CashPlan(int year)
    {
        Header h = NewHeader("CPAY", Date(year, 1, 1), "FIN");
        h.posted = true;
        h.closed = year < world_.end.Year();
        std::vector<Line> lines;
        std::vector<std::tuple<std::string, Date, std::string>> details;
        const int partners = 6 + 10 * world_.scale;
        for (int p = 0; p < partners; ++p) {
            const DemoClient& c = p % 2 == 0 ? world_.customers[static_cast<std::size_t>(p) % world_.customers.size()]
                                             : world_.vendors[static_cast<std::size_t>(p) % world_.vendors.size()];
            const std::int64_t monthly = random_.Between(50000, 500000);
            for (unsigned m = 1; m <= 12; ++m) {
                Date due(year, m, 15);
                while (due.IsoWeekday() > 5)
                    due = due.AddDays(-1);
                Line l = NewLine(world_.goods.size() - 1, 1, false);
                l.goodCode = std::string(kCashPlanGood);
                l.priceCents = monthly;
                l.netCents = monthly;
                l.fixCategory.clear();
                lines.push_back(std::move(l));
                details.emplace_back(c.code, due, random_.Percent(80) ? "BANK" : "CASH");
            }
        }
        Write(h, lines);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto& [client, due, paymentType] = details[i];
            cashPlanLines_.Int(h.idc).Int(static_cast<std::int64_t>(i + 1)).Text(client).Day(due).Text(paymentType);
            const auto& paid = paymentsByMonth_[MonthKey(due)];
            if (due < Date(2026, 11, 1) && !paid.empty() && random_.Percent(60))
                cashPlanLines_.Int(paid[random_.Index(paid.size())]);
            else
                cashPlanLines_.Null();
            cashPlanLines_.EndRow();
        }
    }

    // ---- types and flushing ----------------------------------------------------------------

    void WriteDocTypes()
    {
        DemoCopyBuffer types("THDocType", {"Code", "Name", "IsIncome", "Category"});
        for (const auto& t : kDocTypes) {
            types.Text(t.code).Text(t.name).Flag(t.isIncome).Int(t.category);
            types.EndRow();
        }
        types.Flush(db_);
    }

    void FlushAll()
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

    Data::Connection& db_;
    const DemoWorld& world_;
    DemoRandom& random_;
    const ProgressFn& progress_;
    double perMonth_ = 0;
    int maxLines_ = 7;
    std::vector<std::size_t> saleGoods_, purchaseGoods_;
    std::vector<const DemoClient*> localCustomers_;

    std::int32_t lastDocId_ = 0;
    std::int32_t lastSpecId_ = 0;
    int assetNumber_ = 0;
    std::map<std::string, int> numbers_;
    std::vector<Lot> lots_;
    std::vector<std::deque<std::size_t>> lotsByGood_;
    std::vector<Debt> debts_;
    std::vector<PayEvent> events_;
    std::vector<SoldLine> recentSales_;
    std::vector<BoughtLine> recentPurchases_;
    std::map<std::string, std::vector<std::size_t>> returnsByParty_;
    std::map<std::string, std::vector<std::size_t>> invoicesByParty_;
    std::map<std::string, std::int32_t> contracts_;
    std::map<int, std::vector<std::int32_t>> paymentsByMonth_;

    DemoCopyBuffer documents_, parties_, specs_, paySpecs_, contents_, fixLog_, payTerms_, orderLinks_, cashPlanLines_,
        assetLines_;
    std::map<std::string, DemoCopyBuffer> vatRows_;
    std::map<std::string, DemoCopyBuffer> headers_;
};

} // namespace

DemoDocumentCounts GenerateDocuments(Data::Connection& db, const DemoWorld& world, DemoRandom& random,
                                     const ProgressFn& progress)
{
    DocumentGenerator generator(db, world, random, progress);
    return generator.Run();
}

} // namespace Talvex::Erp::Demo
