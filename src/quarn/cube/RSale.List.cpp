// The sales list of RSale: one list per sales-side document type with its sign, united
// under the invoices' list, then narrowed to the chosen buyers.
#include "quarn/cube/RSale.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/PeriodHalves.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CSelectByRef.hpp"

#include <atomic>
#include <limits>
#include <vector>

namespace Quarn_DuzAde {

using Talvex::DataList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;

namespace {

constexpr long kMissingText = 15000;
constexpr long kSubsidiariesText = 15026;

// The types united under the invoices' list, with the alias of each sub-list.
struct SubList {
    const char* docType;
    const char* alias;
};
constexpr SubList kSubLists[] = {{"GPG", "RetOrd"}, {"PRSD", "DscDoc"}, {"SCN", "DscDoc2"}};

bool IsRestaurantType(const std::string& docType)
{
    return docType == "HR" || docType == "HS" || docType == "RD" || docType == "RDG";
}

// Discount documents change the sum only: their quantity and cost are 0.
bool IsDiscountType(const std::string& docType)
{
    return docType == "PRSD" || docType == "SCN";
}

// The exact date of a row the cube reads by month.
constexpr const char* kDayField = "DocumentDay";

// A resource text as an SQL text literal.
std::string TextLiteral(long id)
{
    return SqlTools::Literal(FieldType::kText, Value(ModuleFormRes().GetString(id)));
}

// The cube's form of a sales list: without the document columns, the amounts summed over
// every combination of the other columns.
void SumForTheCube(DataList& list)
{
    for (const char* name : {"IDC", "Number", "BuyerCode"})
        list.Fields().Item(name).SetSelected(false);
    for (const char* name : {"GoodAmount", "Summa", "StoreAmount", "Cost"})
        list.Fields().Item(name).SetAggregate(Talvex::Aggregate::kSum);
}

// The first day of the month of a date expression: the cube counts by month.
std::string MonthStart(const std::string& date)
{
    return "DATEADD(day,-DATEPART(day," + date + ") + 1," + date + ")";
}

} // namespace

std::vector<std::pair<const char*, const char*>> RSale::RestaurantSubLists() const
{
    return {{"HR", "Hotel"}, {"RD", "Restaurant"}, {"RDG", "CaterG"}};
}

Talvex::Date RSale::PeriodBegin() const
{
    return periodPart_ ? periodPart_->first : DateParam("DateBeg");
}

Talvex::Date RSale::PeriodEnd() const
{
    return periodPart_ ? periodPart_->second : DateParam("DateEnd");
}

std::shared_ptr<DataList> RSale::CreateTypeList(const std::string& docType, bool forDrillDown)
{
    // The parts of the goods lines as the writes keep them; a line the type's goods table
    // does not know is no sale of the type.
    auto list = support_.CrSalePartList(docType, PeriodBegin(), PeriodEnd());
    list->Fields().SelectFields({});
    list->SetFilter(SqlTools::AndFilter(list->Filter(), "oTable.SummVAT IS NOT NULL"));
    // What depends on the document alone is worked out once per document (tens of
    // thousands) rather than once per part (hundreds of thousands).
    list->JoinForConditions(CreateDocumentList(docType), "D", "oTable.IDC = D.IDC", 0);
    JoinTypeListSources(*list, docType);
    AddTypeListFields(*list, docType, forDrillDown);
    return list;
}

std::shared_ptr<DataList> RSale::CreateDocumentList(const std::string& docType)
{
    // The posted documents of the type and period, from their own table: the parts join them
    // by id, so a document without parts adds nothing.
    auto keys = support_.DocumentList(docType, PeriodBegin(), PeriodEnd());
    keys->Fields().SelectFields({"IDC", "DocumentDate", "CurrencyCode"});
    auto documents = book_->CreateList("");
    documents->SetSource(keys, "oTable", 0);
    documents->Fields().SelectFields({"IDC"});
    Talvex::RateJoin rates;
    JoinDocumentSources(*documents, docType, rates);
    AddDocumentFields(*documents, docType, rates);
    // Kept whole by a TOP that limits nothing: a derived table without one is folded into the
    // statement, and its texts, rate and flags are then worked out again for every part
    // instead of once per document.
    documents->SetTop(std::numeric_limits<int>::max());
    // Seen through a list of its own: a list joined under an alias reads its "oTable" under
    // that alias, and the documents' joins address their source as oTable.
    auto joined = book_->CreateList("");
    joined->SetSource(documents, "Docs", 0);
    return joined;
}

// The document's own table, the day's rate and the buyer with its address.
void RSale::JoinDocumentSources(DataList& documents, const std::string& docType, Talvex::RateJoin& rates)
{
    Talvex::Book& book = *book_;
    const bool mngInvoice = docType == "PRSF" && isMngBKeeping_;

    documents.Join(WithoutColumns(book.CreateList("THDocument" + docType)), "da", "oTable.IDC = da.DocID", 0, 0);
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(documents, "DocumentDate", "CurrencyCode");

    std::string clientCondition = "p.PartyCode = Cl.Code";
    if (mngInvoice) {
        documents.Join(WithoutColumns(book.CreateList("THPartyAttribute")), "CustP",
                       "oTable.IDC = CustP.DocID and CustP.RolePartyCode = N'CUST'", 1, 0);
        clientCondition = "ISNULL(CustP.PartyCode,p.PartyCode)=Cl.Code";
        // The management-accounting mark of the invoice is read from its header.
        documents.Join(WithoutColumns(book.CreateList("THDocument")), "MngDoc", "oTable.IDC = MngDoc.IDC", 1, 0);
    }
    documents.Join(WithoutColumns(book.CreateList("THPartyAttribute")), "p",
                   "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    documents.Join(WithoutColumns(book.CreateList("RefClient")), "Cl", clientCondition, 1, 0);
    documents.Join(WithoutColumns(book.CreateList("REFClientAddress")), "ca",
                   "ca.Clientcode = Cl.Code and ca.AddressTypeCode = 'JA'", 1, 0);
    documents.Join(WithoutColumns(book.CreateList("REFAddress")), "a", "ca.AddressID = a.IDC", 1, 0);
    if (mngInvoice)
        documents.Join(WithoutColumns(book.CreateList("REFPriceType")), "Pt", "da.PriceTypeCode=Pt.Code", 1, 0);
}

// The document's dimensions, what the lines' department and seller read of the buyer, and
// what the lines need to convert and net their sums: whether the document is in the
// accounting currency, the day's rate, and for a management invoice whether its additional
// discount counts.
void RSale::AddDocumentFields(DataList& documents, const std::string& docType, const Talvex::RateJoin& rates) const
{
    const bool mngInvoice = docType == "PRSF" && isMngBKeeping_;
    const std::string missing = TextLiteral(kMissingText);
    Talvex::FieldList& f = documents.Fields();
    f.AddField("Buyer", FieldType::kLongText, "isnull(cl.Code + ':' + cl.Name," + missing + ")");
    f.AddField("BuyerCode", FieldType::kCode, "cl.Code");
    f.AddField("BuyerText", FieldType::kLongText, "Cl.Code + ':' + Cl.Name");
    f.AddField("IsSubsidiary", FieldType::kInteger, "Cl.IsSubsidiary");
    f.AddField("Country", FieldType::kCode, "UPPER(isnull(a.CountryCode," + missing + "))");
    f.AddField("Town", FieldType::kCode, "UPPER(isnull(a.TownCode," + missing + "))");
    f.AddField("Region", FieldType::kCode, "UPPER(isnull(a.DistrictCode," + missing + "))");
    f.AddField("PriceType", FieldType::kCode,
               IsRestaurantType(docType) || docType == "GPG" ? missing : "UPPER(isnull(da.PriceTypeCode," + missing + "))");
    f.AddField("InAccountCurrency", FieldType::kInteger,
               "CASE WHEN oTable.CurrencyCode = " +
                   SqlTools::Literal(FieldType::kCode, Value(book_->AccountCurrency())) + " THEN 1 ELSE 0 END");
    f.AddField("Rate", FieldType::kQuantity, rates.RateExpr("CurrencyCode"));
    f.AddField("WithAddDiscount", FieldType::kInteger,
               mngInvoice ? "CASE WHEN MngDoc.IsMngBKeeping > 0 OR da.IsNotPrInvoice = 1 THEN 1 ELSE 0 END" : "0");
}

// The parent documents and the seller (by the part's own document it comes from), the good
// with its group and unit.
void RSale::JoinTypeListSources(DataList& list, const std::string& docType)
{
    Talvex::Book& book = *book_;
    support_.JoinParentDoc(list, docType);
    support_.JoinSellerInfo(list, "", docType);
    const std::string goodCode = TextParam("GoodCode");
    if (!goodCode.empty()) {
        auto tree = WithoutColumns(book.CreateList("REFGoodT"));
        tree->Params().Item("Node").SetValue(Value(goodCode));
        list.Join(tree, "GT", "oTable.GoodCode = GT.Code", 0, 0);
    }
    // The good, its group and unit are joined to the parts directly and their texts built per
    // part: the planner already joins the goods with their units and groups first (a thousand
    // or two rows) and hashes the parts against them, and building the texts once per good in
    // a list of its own (and the seller's once per person) measured no faster at the bench
    // scale: the concatenations are a small part of the read.
    list.Join(WithoutColumns(book.CreateList("REFGood")), "g", "oTable.GoodCode = g.Code", 0, 0);
    list.Join(WithoutColumns(book.CreateList("REFGood")), "pg", "g.Parent = pg.Code", 1, 0);
    list.Join(WithoutColumns(book.CreateList("REFGoodUnit")), "u",
              FlagParam("IsCommon") ? "g.Code = u.GoodCode and u.IsCommon = 1"
                                    : "g.Code = u.GoodCode and u.isAccount = 1",
              0, 0);
}

// The columns: the cube's dimensions (the date by month unless weeks or the drill-down need
// the day), amounts and quantities with the document type's sign, and the document columns.
void RSale::AddTypeListFields(DataList& list, const std::string& docType, bool forDrillDown) const
{
    const std::string goodCode = TextParam("GoodCode");
    const std::string sign = SignText(docType);
    Talvex::FieldList& f = list.Fields();
    auto add = [&f](const char* name, Talvex::FieldType typeCode, const std::string& expression, long caption = 0) {
        Talvex::Field& field = f.AddField(name, typeCode, expression);
        if (caption) field.SetCaption(ModuleFormRes().GetString(caption));
    };

    const std::string missing = TextLiteral(kMissingText);
    add("Seller", FieldType::kLongText, CRSaleSupport::SellerText("D.IsSubsidiary", "D.BuyerText"));
    const std::string date = "oTable.DocumentDate";
    const bool exactDates = KeepsExactDates() || (forDrillDown && !readingRows_);
    add("DocumentDate", FieldType::kDate, exactDates ? date : MonthStart(date));
    add("Buyer", FieldType::kLongText, "D.Buyer", 15123);
    add("BuyerCode", FieldType::kCode, "D.BuyerCode");
    add("Department", FieldType::kCode,
        " CASE WHEN D.IsSubsidiary = 1 THEN " + TextLiteral(kSubsidiariesText) +
            "  ELSE UPPER(COALESCE(PPDoc.Department, Prnt.Department, oTable.department, " + missing + ")) END ",
        15012);
    add("Country", FieldType::kCode, "D.Country", 15010);
    add("Town", FieldType::kCode, "D.Town", 15034);
    add("Region", FieldType::kCode, "D.Region", 15011);
    add("PriceType", FieldType::kCode,
        docType == "GPG" ? "UPPER(isnull(PrntAdd.PriceTypeCode," + missing + "))" : std::string("D.PriceType"), 15013);
    add("Good", FieldType::kLongText, "g.Code + ':' + g.Name + ' [' + u.UnitCode + ']'", 15001);

    const std::string quantity = "ISNULL( " +
                                 std::string("CASE WHEN u.IsAccount = 1 then oTable.AmountAccount else "
                                             "oTable.AmountAccount/NULLIF(u.Rate,0) end") +
                                 " , oTable.AmountAccount)";
    const bool discount = IsDiscountType(docType);
    add("GoodAmount", FieldType::kQuantity, discount ? "0" : sign + " * " + quantity);

    // The part's share of the line's sum without VAT (and, where it counts, with the additional
    // discount), and of its cost, come with the part: money over a decimal(19,4) quantity times
    // a decimal(19,4) quantity, decimal(38,6) as the ERP's server types it.
    const std::string lineSum =
        "(CASE WHEN D.WithAddDiscount = 1 THEN oTable.PartNetWithDiscount ELSE oTable.PartNet END)";
    add("Summa", FieldType::kAmount,
        sign + " * ((CASE WHEN D.InAccountCurrency = 1 THEN " + lineSum + " ELSE ROUND((" + lineSum +
            ") * D.Rate, 2) END))");
    add("StoreAmount", FieldType::kQuantity, sign + " * " + (discount ? std::string("0") : quantity));
    const std::string cost = discount ? std::string("0") : std::string("oTable.PartCost");
    add("Cost", FieldType::kAmount, sign + " * (" + cost + ")");
    if (goodCode.empty())
        add("GroupT", FieldType::kLongText, "isnull( g.Parent,N'') + ':' + ISNULL(pg.Name,'')", 15120);
    add("IDC", FieldType::kId, "oTable.IDC");
    add("Number", FieldType::kCode, "oTable.Number");
    add("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    // The rows the cube reads keep each line's own date for the drill-down.
    if (!exactDates) add(kDayField, FieldType::kDate, date);
}

std::shared_ptr<DataList> RSale::CreateSalesList(bool forDrillDown)
{
    auto invoices = CreateTypeList("PRSF", forDrillDown);
    for (const auto& sub : kSubLists)
        invoices->Union(CreateTypeList(sub.docType, forDrillDown), sub.alias, true);
    if (restaurant_) {
        for (const auto& [docType, alias] : RestaurantSubLists())
            invoices->Union(CreateTypeList(docType, forDrillDown), alias, true);
    }

    auto sales = book_->CreateList("");
    sales->SetSource(invoices, "oTable", 0);

    CSelectByRef byRef;
    byRef.InitBook(book_);
    long selectionType = 0;
    if (params_->ExistsField("SelClientType")) {
        const Value& type = params_->Item("SelClientType").GetValue();
        if (!type.IsNull() && !type.IsEmpty()) selectionType = static_cast<long>(type.ToInteger());
    }
    std::string buyers = byRef.FiltrByClients(*sales, "oTable.BuyerCode", TextParam("SelClientList"), selectionType);
    if (!buyers.empty()) sales->SetFilter(buyers);

    if (!forDrillDown) SumForTheCube(*sales);
    return sales;
}

std::shared_ptr<DataList> RSale::ReadSalesRows()
{
    // The rows read before go first: a year of lines is held once, not twice.
    DropSalesRows();
    rowsList_.reset();
    drillList_.reset(); // the next drill-down reads the new rows
    struct Building {
        RSale& report;
        ~Building()
        {
            report.readingRows_ = false;
            report.periodPart_.reset();
        }
    } building{*this};
    readingRows_ = true;
    // The rows come straight into the list's recordset as the server works them out; the
    // cube sums them as it loads them (a goods line of a month for a buyer is nearly always a
    // combination of its own, so grouping them in SQL would cost a second pass and save the
    // cube nothing).
    auto list = ReadByHalves(DateParam("DateBeg"), DateParam("DateEnd"), [this](Talvex::Date from, Talvex::Date to) {
        periodPart_ = {from, to};
        return CreateSalesList(true);
    });
    rowsList_ = list;
    return list;
}

std::shared_ptr<DataList> RSale::SalesRowsList(bool forDrillDown)
{
    if (!rowsList_) throw Talvex::ValueError("RSale: the sales rows have not been read yet");
    if (!forDrillDown) return rowsList_;
    if (rowsTable_.empty()) WriteSalesRows();
    auto list = book_->CreateList(rowsTable_);
    // The table's columns are read under the names, types and captions of the list they
    // came from; its dates are the rows' own.
    list->Fields().SelectFields({});
    for (const auto& f : rowsList_->Fields()) {
        if (!f->Selected() || Talvex::EqualsIgnoreCase(f->Name(), kDayField)) continue;
        Talvex::Field& own = list->Fields().AddField(f->Name(), f->TypeCode(), "oTable." + f->Name());
        own.SetCaption(f->Caption());
    }
    return list;
}

// The rows read last into a new table of the session, as the list gives them (the table takes
// the list's column types), each with its own date.
void RSale::WriteSalesRows()
{
    // Each table gets a name of its own: two sales cubes may be open in one session.
    static std::atomic<long> tables{0};
    const std::string table = "#RSaleRows" + std::to_string(++tables);
    auto rows = rowsList_->Recordset();
    auto& fields = rows->Fields();
    std::vector<std::string> columns;
    std::vector<std::size_t> sources;
    std::size_t day = fields.Count();
    for (std::size_t i = 0; i < fields.Count(); ++i)
        if (Talvex::EqualsIgnoreCase(fields.Item(i).Name(), kDayField)) day = i;
    for (std::size_t i = 0; i < fields.Count(); ++i) {
        if (i == day) continue;
        columns.push_back(fields.Item(i).Name());
        sources.push_back(Talvex::EqualsIgnoreCase(columns.back(), "DocumentDate") && day < fields.Count() ? day : i);
    }
    Talvex::Data::Connection& db = book_->Db();
    db.Execute("SELECT TOP 0 oTable.* INTO " + table + " FROM (" + rowsList_->SqlText() + ") oTable");
    try {
        auto copy = db.BeginCopy(table, columns);
        for (const std::size_t row : rows->ViewRows()) {
            for (const std::size_t source : sources)
                copy.Add(rows->StoredValue(row, source));
            copy.EndRow();
        }
        copy.Finish();
    } catch (...) {
        db.Execute("DROP TABLE IF EXISTS " + table);
        throw;
    }
    rowsTable_ = table;
}

void RSale::DropSalesRows() noexcept
{
    if (rowsTable_.empty() || !book_) return;
    try {
        book_->Db().Execute("DROP TABLE IF EXISTS " + rowsTable_);
    } catch (...) {
        // The table goes with the session in any case.
    }
    rowsTable_.clear();
}

} // namespace Quarn_DuzAde
