#include "quarn/cube/RSaleBySupplier.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/cube/fCubeParamSaleBySupplier.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CSelectByRef.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;
namespace In = CubeParamInput;

namespace {

constexpr long kMissingText = 15000;
constexpr long kGoodText = 15001;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kGroupText = 15120;
constexpr long kSupplierText = 15601;
constexpr long kTitleText = 15610;
constexpr long kOutAmountText = 15611;
constexpr long kOutSumText = 15612;
constexpr long kSellPriceText = 15613;
constexpr long kOutCostText = 15614;
constexpr long kProfitText = 15615;
constexpr long kAddPriceText = 15616;
constexpr long kRestAmountText = 15617;
constexpr long kRestValueText = 15618;
constexpr long kNothingText = 15619;

// The documents that sell goods out of stock.
constexpr const char* kSaleTypes[] = {"PRSF", "RD", "RDG", "HR", "HS"};

// The figures of the cube, in the list's column order.
constexpr const char* kAmounts[] = {"OutAmount", "OutSum", "OutCost", "RestAmount", "RestValue"};

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::string MonthStart(const std::string& date)
{
    return "DATEADD(day,-DATEPART(day," + date + ") + 1," + date + ")";
}

} // namespace

RSaleBySupplier::RSaleBySupplier() : CubeReport(kTitleText) {}

bool RSaleBySupplier::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    OpenWindow("RSaleBySupplier", [&] { return Prepare(inParams) && Visual(); });
    return false;
}

void RSaleBySupplier::RunDebug(const std::shared_ptr<Talvex::Book>& book)
{
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
    FieldList out;
    SetVisual(true);
    Run(params, out);
}

bool RSaleBySupplier::Prepare(FieldList& inParams)
{
    if (!TakeParams(inParams)) return false;
    AddYearDefaults();
    AddGoodsDefaults();
    return true;
}

// The good with its group and, for a goods node, the tree; the supplier of the lot. A lot
// nobody sold us (a customer's return, our own production) has no supplier.
void RSaleBySupplier::JoinTexts(DataList& list, const std::string& goodExpr, const std::string& vendorExpr) const
{
    Talvex::Book& book = *book_;
    const std::string goodCode = In::Text(*params_, "GoodCode");
    if (!goodCode.empty()) {
        auto tree = NoColumns(book.CreateList("REFGoodT"));
        tree->Params().Item("Node").SetValue(Value(goodCode));
        list.Join(tree, "GT", goodExpr + " = GT.Code", 0, 0);
    }
    list.Join(NoColumns(book.CreateList("REFGood")), "g", goodExpr + " = g.Code", 0, 0);
    list.Join(NoColumns(book.CreateList("REFGood")), "pg", "g.Parent = pg.Code", 1, 0);
    list.Join(NoColumns(book.CreateList("REFClient")), "sup", vendorExpr + " = sup.Code", 1, 0);
}

// The suppliers chosen on the form, by the lot's own party.
void RSaleBySupplier::FilterSuppliers(DataList& list, const std::string& vendorExpr) const
{
    CSelectByRef byRef;
    byRef.InitBook(book_);
    long selectionType = 0;
    if (params_->ExistsField("SelClientType")) {
        const Value& type = params_->Item("SelClientType").GetValue();
        if (!type.IsNull() && !type.IsEmpty()) selectionType = static_cast<long>(type.ToInteger());
    }
    const std::string suppliers =
        byRef.FiltrByClients(list, vendorExpr, In::Text(*params_, "SelClientList"), selectionType);
    if (!suppliers.empty()) list.SetFilter(list.Filter().empty() ? suppliers : list.Filter() + " AND " + suppliers);
}

void RSaleBySupplier::AddTextFields(DataList& list) const
{
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    FieldList& f = list.Fields();
    // The united lists must give their columns in one order: a column of the table under a
    // name of ours gives way to ours, at the end.
    auto add = [&f](const char* name, const std::string& expression, long caption) {
        if (f.ExistsField(name)) f.Remove(name);
        f.AddField(name, FieldType::kLongText, expression).SetCaption(Res(caption));
    };
    add("Supplier", "ISNULL(sup.Code + ':' + sup.Name, " + missing + ")", kSupplierText);
    add("GoodGr", "ISNULL(g.Parent, N'') + ':' + ISNULL(pg.Name, N'')", kGroupText);
    add("Good", "g.Code + ':' + g.Name", kGoodText);
}

void RSaleBySupplier::AddFields(DataList& list, bool forDrillDown, const std::string& date,
                                const std::string& vendorExpr, const std::string& goodExpr,
                                const std::string& outAmount, const std::string& outSum, const std::string& outCost,
                                const std::string& restAmount, const std::string& restValue, const std::string& docId,
                                const std::string& number, const std::string& docType) const
{
    FieldList& f = list.Fields();
    // The united lists must give their columns in one order: a column of the table under a
    // name of ours gives way to ours, at the end.
    auto add = [&f](const char* name, FieldType typeCode, const std::string& expression, long caption = 0) {
        if (f.ExistsField(name)) f.Remove(name);
        Talvex::Field& field = f.AddField(name, typeCode, expression);
        if (caption) field.SetCaption(Res(caption));
    };
    add("DocumentDate", FieldType::kDate, date);
    if (forDrillDown) {
        AddTextFields(list);
    } else {
        add("SupplierCode", FieldType::kCode, vendorExpr);
        add("GoodCode", FieldType::kCode, goodExpr);
    }
    add("OutAmount", FieldType::kQuantity, outAmount, kOutAmountText);
    add("OutSum", FieldType::kAmount, outSum, kOutSumText);
    add("OutCost", FieldType::kAmount, outCost, kOutCostText);
    add("RestAmount", FieldType::kQuantity, restAmount, kRestAmountText);
    add("RestValue", FieldType::kAmount, restValue, kRestValueText);
    if (forDrillDown) {
        add("SupplierCode", FieldType::kCode, vendorExpr);
        add("IDC", FieldType::kId, docId);
        add("Number", FieldType::kCode, number);
        add("DocTypeCode", FieldType::kCode, docType);
    }
}

// What was sold: each fixation of a sales row against a lot, the row's sum without VAT
// prorated to the quantity fixed and converted on the sale's day, at the lot's unit cost. The
// fixation row keeps what it needs of the sale and of the lot (its date, document, type,
// posting, currency, good and net unit price; the lot's document and unit cost), so the log is
// read alone with the day's rate and the lot's supplier.
std::shared_ptr<DataList> RSaleBySupplier::SoldList(bool forDrillDown) const
{
    Talvex::Book& book = *book_;
    auto takes = book.CreateList("THGoodSpecFixLog");
    takes->Fields().SelectFields({});
    std::string types;
    for (const char* type : kSaleTypes)
        types += (types.empty() ? "N'" : ", N'") + std::string(type) + "'";
    // A lot's document is kept while its goods row exists: a take from a lot that is gone counts
    // nowhere.
    takes->SetFilter("oTable.OutcomeIsPosted = 1 AND oTable.OutcomeDocTypeCode IN (" + types +
                     ") AND oTable.IncomeDocID IS NOT NULL AND oTable.OutcomeDate BETWEEN " +
                     SqlTools::Literal(FieldType::kDate, Value(DateParam("DateBeg"))) + " AND " +
                     SqlTools::Literal(FieldType::kDate, Value(DateParam("DateEnd"))));
    takes->Fields().AddField("RateDate", FieldType::kDate, "oTable.OutcomeDate").SetSelected(false);
    takes->Fields().AddField("CurrencyCode", FieldType::kCode, "oTable.OutcomeCurrencyCode").SetSelected(false);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*takes, "RateDate", "CurrencyCode");
    const std::string sum = rates.ConvertExpr("CurrencyCode", "oTable.OutcomeNetPrice * oTable.Amount");
    const std::string cost = "ROUND(oTable.IncomeUnitCost * oTable.Amount, 4)";
    const std::string vendor = "rp.PartyCode";
    const std::string byLotDocument = "oTable.IncomeDocID = rp.DocID and rp.RolePartyCode = N'PAR'";

    if (forDrillDown) {
        takes->Join(NoColumns(book.CreateList("THPartyAttribute")), "rp", byLotDocument, 1, 0);
        takes->Join(NoColumns(book.CreateList("THDocument")), "od", "oTable.OutcomeDocID = od.IDC", 0, 0);
        JoinTexts(*takes, "oTable.OutcomeGoodCode", vendor);
        FilterSuppliers(*takes, vendor);
        AddFields(*takes, true, "oTable.OutcomeDate", vendor, "oTable.OutcomeGoodCode", "oTable.Amount", sum, cost, "0",
                  "0", "oTable.OutcomeDocID", "od.Number", "oTable.OutcomeDocTypeCode");
        return takes;
    }

    // The cube's: the takes summed by month, lot document and good first, keys that sort as a
    // date and a number ahead of a code nearly always equal among them (a few tens of
    // thousands of sums of hundreds of thousands of takes); the lots' supplier only then.
    FieldList& f = takes->Fields();
    f.AddField("DocumentDate", FieldType::kDate, MonthStart("oTable.OutcomeDate"));
    f.AddField("IncomeDocID", FieldType::kId, "oTable.IncomeDocID");
    f.AddField("GoodCode", FieldType::kCode, "oTable.OutcomeGoodCode");
    f.AddField("OutAmount", FieldType::kQuantity, "oTable.Amount").SetAggregate(Talvex::Aggregate::kSum);
    f.AddField("OutSum", FieldType::kAmount, sum).SetAggregate(Talvex::Aggregate::kSum);
    f.AddField("OutCost", FieldType::kAmount, cost).SetAggregate(Talvex::Aggregate::kSum);
    auto sold = book.CreateList("");
    sold->SetSource(takes, "oTable", 0);
    sold->Fields().SelectFields({});
    sold->Join(NoColumns(book.CreateList("THPartyAttribute")), "rp", byLotDocument, 1, 0);
    FilterSuppliers(*sold, vendor);
    AddFields(*sold, false, "oTable.DocumentDate", vendor, "oTable.GoodCode", "oTable.OutAmount", "oTable.OutSum",
              "oTable.OutCost", "0", "0", "", "", "");
    return sold;
}

// What is left of the lots at the period's end, at their own unit cost, dated on that day.
std::shared_ptr<DataList> RSaleBySupplier::RestList(bool forDrillDown) const
{
    Talvex::Book& book = *book_;
    const Date end = DateParam("DateEnd");
    auto list = book.CreateList("THGoodSpecNotFixed");
    list->Params().Item("DocumentDate").SetValue(Value(end));
    list->Fields().SelectFields({});
    list->Join(NoColumns(book.CreateList("THPartyAttribute")), "rp",
               "oTable.DocId = rp.DocID and rp.RolePartyCode = N'PAR'", 1, 0);
    if (forDrillDown) {
        list->Join(NoColumns(book.CreateList("THDocument")), "id", "oTable.DocId = id.IDC", 0, 0);
        JoinTexts(*list, "oTable.GoodCode", "rp.PartyCode");
    }
    FilterSuppliers(*list, "rp.PartyCode");
    const std::string endDay = SqlTools::Literal(FieldType::kDate, Value(end));
    AddFields(*list, forDrillDown, forDrillDown ? endDay : MonthStart(endDay), "rp.PartyCode", "oTable.GoodCode", "0",
              "0", "0", "oTable.AmountAccount", "oTable.CostSumm", "oTable.DocId", "id.Number", "oTable.DocTypeCode");
    return list;
}

std::shared_ptr<DataList> RSaleBySupplier::CreateList(bool forDrillDown) const
{
    auto sold = SoldList(forDrillDown);
    sold->Union(RestList(forDrillDown), "Rest", true);
    if (forDrillDown) {
        auto rows = book_->CreateList("");
        rows->SetSource(sold, "oTable", 0);
        return rows;
    }
    // The cube's rows: the parts summed by month, supplier and good codes first, and only
    // those sums given their texts; the texts of every sold part would be built and grouped
    // by hundreds of thousands.
    auto sums = book_->CreateList("");
    sums->SetSource(sold, "oTable", 0);
    for (const char* name : kAmounts)
        sums->Fields().Item(name).SetAggregate(Talvex::Aggregate::kSum);
    auto rows = book_->CreateList("");
    rows->SetSource(sums, "oTable", 0);
    JoinTexts(*rows, "oTable.GoodCode", "oTable.SupplierCode");
    AddTextFields(*rows);
    for (const char* name : {"SupplierCode", "GoodCode"})
        rows->Fields().Item(name).SetSelected(false);
    return rows;
}

void RSaleBySupplier::DefineCube(Engine& engine)
{
    ClearCube(engine);

    Dims& dims = engine.Dims();
    dims.Add("Supplier", Res(kSupplierText));
    dims.Add("GoodGr", Res(kGroupText));
    dims.Add("Good", Res(kGoodText));
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));

    for (const char* name : kAmounts)
        engine.BaseFacts().Add(name);
    Facts& facts = engine.Facts();
    facts.Add("OutAmount", Res(kOutAmountText));
    facts.Add("OutSum", Res(kOutSumText));
    facts.AddCalculated("SellPrice", Res(kSellPriceText), std::string("OutSum") + " / " + "OutAmount");
    facts.Add("OutCost", Res(kOutCostText));
    facts.AddCalculated("Profit", Res(kProfitText), std::string("OutSum") + " - " + "OutCost");
    facts.AddCalculated("AddPrice", Res(kAddPriceText), std::string("Profit") + "/" + "OutCost" + " * 100");
    facts.Add("RestAmount", Res(kRestAmountText));
    facts.Add("RestValue", Res(kRestValueText));
    ShowAllFacts(engine);

    dims.Item("Supplier").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RSaleBySupplier::CubeCaption() const
{
    return Title() + GoodNodeText() + " " + FromToText();
}

void RSaleBySupplier::Open(Talvex::CCube& cube)
{
    fCubeParamSaleBySupplier form;
    if (!form.Browse(*params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    ShowList(cube, CreateList(false), kNothingText).SetRedBackForNegValue();
}

void RSaleBySupplier::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return CreateList(true); },
                  {"Supplier", "Good", "OutAmount", "OutSum", "OutCost", "RestAmount", "RestValue"});
}

} // namespace Quarn_DuzAde
