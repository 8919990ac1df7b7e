#pragma once

#include "host/erp/ErpDatabase.hpp"
#include "host/erp/internal/DemoCopyBuffer.hpp"
#include "host/erp/internal/DemoDocuments.hpp"
#include "host/erp/internal/DemoRandom.hpp"
#include "host/erp/internal/DemoWorld.hpp"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp::Demo {

inline constexpr int kVatPercent = 21;

inline std::int64_t RoundDiv(std::int64_t numerator, std::int64_t denominator)
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

// Writes the documents of the demo company month by month. The shared machinery (headers,
// rows, stock lots, debts, the buffers) is in DemoDocuments.cpp; each subsystem's documents
// are drawn in a file of their own: DemoSales, DemoPurchases, DemoSettlement, DemoProduction,
// DemoAssets. The order of the draws fixes the company, so a subsystem adds its draws where
// the month reaches it.
class DocumentGenerator {
public:
    DocumentGenerator(Data::Connection& db, const DemoWorld& world, DemoRandom& random, const ProgressFn& progress);
    DemoDocumentCounts Run();

private:
    // ---- the month, writing, stock and debts (DemoDocuments.cpp) ----------------------------
    int Count(double share);
    Date DayIn(Date month);
    void GenerateMonth(Date month);
    bool PostedOn(Date date);
    std::string NextNumber(std::string_view type, Date date);
    Header NewHeader(std::string_view type, Date date, std::string_view department);
    Line NewLine(std::size_t good, std::int64_t amountAccount, bool inBoxes);
    static void Price(Line& l, std::int64_t pricePerAccountUnitCents, int vatPercent);
    std::int64_t Write(Header& h, std::vector<Line>& lines);
    void WriteHeader(const Header& h, std::int64_t summaCents);
    void WriteLines(const Header& h, const std::vector<Line>& lines);
    void Party(const Header& h, std::string_view role, std::string_view code, int partyType = 1);
    DemoCopyBuffer& AdditionalHeader(const Header& h, std::string_view priceType, bool isByAmount = false,
                                     bool isNotPrInvoice = false, int penaltyHundredths = 0);
    void Content(const Line& linked, std::int32_t sourceSpecId, std::string_view kind, bool vertical,
                 std::int64_t amountAccount);
    std::size_t AddLot(const Line& l);
    std::int64_t TakeStock(const Line& l);
    std::size_t AddDebt(const Header& h, std::int64_t total, std::string_view party, int partyType, bool receivable);
    void Schedule(std::size_t debt, Date date, std::int64_t cents);
    static int MonthKey(Date d);
    void WriteDocTypes();
    void FlushAll();

    // ---- payments and settlement (DemoSettlement.cpp) ---------------------------------------
    void TermsAndPayment(const Header& h, std::size_t debt, std::int64_t total, int standardTerm);
    std::string PaymentType(const Debt& d);
    void Payments(Date month);
    void PaymentDocument(const std::vector<PayEvent>& events);
    void UnlinkedPayment(Date date);
    void SetOff(Date date);
    void ExchangeDifference(Date date);
    void Barter(Date date);
    void CashPlan(int year);

    // ---- purchases (DemoPurchases.cpp) ------------------------------------------------------
    std::vector<Line> PurchaseLines(const DemoClient& vendor, Date date, int vatPercent, std::string_view fixCategory);
    void PurchaseInvoice(Date date);
    void ConsignmentReceipt(Date date);
    void ReturnToVendor(Date date);
    void PurchaseAdjustment(Date date, std::string_view type);
    void ServiceInvoice(Date date, std::string_view type);

    // ---- sales (DemoSales.cpp) --------------------------------------------------------------
    std::vector<Line> SaleLines(std::string_view currency, Date date, int maxLines,
                                const std::vector<std::size_t>& goods);
    void SalesInvoice(Date date);
    std::int32_t ContractOf(const DemoClient& customer, Date orderDate, std::string_view department);
    void Prepayment(const Header& order, std::int64_t orderTotal, const DemoClient& customer);
    void Consignment(Date date);
    void Restaurant(Date date);
    void SalesReturn(Date date);
    void SaleAdjustment(Date date, std::string_view type);

    // ---- production and stock (DemoProduction.cpp) ------------------------------------------
    void Manufacturing(Date date);
    void CostNorm(Date date);

    // ---- low-value assets (DemoAssets.cpp) --------------------------------------------------
    void AssetIssue(Date date);

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

} // namespace Talvex::Erp::Demo
