#include "quarn/cube/RPurchase.hpp"

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
#include "quarn/cube/frmRepPurchase.hpp"
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

namespace {

constexpr long kMissingText = 15000;
constexpr long kDepartmentText = 15012;
constexpr long kQuantityText = 15005;
constexpr long kSumText = 15023;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kPurchasesText = 15600;
constexpr long kSupplierText = 15601;
constexpr long kBuyerText = 15602;
constexpr long kMinPriceText = 15603;
constexpr long kMaxPriceText = 15604;
constexpr long kAvgPriceText = 15605;
constexpr long kNoPurchasesText = 15606;

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

} // namespace

RPurchase::RPurchase() : CubeReport(kPurchasesText) {}

bool RPurchase::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    OpenWindow("RPurchase", [&] { return Prepare(inParams) && Visual(); });
    return false;
}

bool RPurchase::Prepare(FieldList& inParams)
{
    if (!TakeParams(inParams)) return false;
    // The current year by default: purchases are looked at for the year running.
    AddYearDefaults();
    AddGoodsDefaults();
    AddDefault("IsCalcServiceSum", FieldType::kFlag, Value(0));
    LoadDepartments();
    return true;
}

std::shared_ptr<DataList> RPurchase::CreatePurchaseList(bool forDrillDown) const
{
    Talvex::Book& book = *book_;
    const std::string goodCode = TextParam("GoodCode");
    const bool withServices = FlagParam("IsCalcServiceSum");
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));

    auto list = book.CreateList("THGoodSpec");
    list->Fields().SelectFields({});
    list->Join(NoColumns(book.CreateList("THDocument")), "d", "oTable.DocID = d.IDC", 0, 0);
    if (!goodCode.empty()) {
        auto tree = NoColumns(book.CreateList("REFGoodT"));
        tree->Params().Item("Node").SetValue(Value(goodCode));
        list->Join(tree, "GT", "oTable.GoodCode = GT.Code", 0, 0);
    }
    list->Join(NoColumns(book.CreateList("REFGood")), "g", "oTable.GoodCode = g.Code", 0, 0);
    list->Join(NoColumns(book.CreateList("THPartyAttribute")), "p", "d.IDC = p.DocID and p.RolePartyCode = N'PAR'", 1,
               0);
    list->Join(NoColumns(book.CreateList("REFClient")), "cl", "p.PartyCode = cl.Code", 1, 0);
    list->Join(NoColumns(book.CreateList("REFGenericClient")), "gc", "p.PartyCode = gc.ClientCode", 1, 0);
    list->Join(NoColumns(book.CreateList("REFPerson")), "pr", "d.Author = pr.UserID", 1, 0);

    FieldList& f = list->Fields();
    auto add = [&f](const char* name, FieldType typeCode, const std::string& expression, long caption = 0) {
        Talvex::Field& field = f.AddField(name, typeCode, expression);
        if (caption) field.SetCaption(Res(caption));
        return &field;
    };

    // Goods count at their stock value (the cost the invoice put on them, already in the
    // accounting currency); a service row has no stock value, so with services counted it
    // brings its sum without VAT, converted on the invoice's day.
    std::string value = "oTable.CostSumm";
    Talvex::RateJoin rates;
    if (withServices) {
        list->Join(NoColumns(book.CreateList("THGoodSpecPISF")), "gsa",
                   "oTable.DocID = gsa.DocID and oTable.PosNumb = gsa.PosNumb", 1, 0);
        add("RateDate", FieldType::kDate, "d.DocumentDate");
        add("CurrencyCode", FieldType::kCode, "d.CurrencyCode");
        rates.Init(book_, "Cros", "Rate");
        rates.JoinRates(*list, "RateDate", "CurrencyCode");
        value = "(CASE WHEN g.Category = 0 THEN oTable.CostSumm ELSE " +
                rates.ConvertExpr("CurrencyCode", "(oTable.Summa - ISNULL(gsa.SummVAT, 0))") + " END)";
    }
    const std::string price = "ROUND(" + value + " / oTable.AmountAccount, 4)";

    const std::string date = "d.DocumentDate";
    add("DocumentDate", FieldType::kDate,
        forDrillDown ? date : "DATEADD( day, -DAY( " + date + " ) + 1, " + date + " )");
    add("Suplier", FieldType::kLongText,
        "ISNULL(gc.Code + ':' + gc.Name, ISNULL(cl.Code + ':' + cl.Name, " + missing + "))", kSupplierText);
    add("Department", FieldType::kCode, "UPPER(ISNULL(d.Department, " + missing + "))", kDepartmentText);
    add("Buyer", FieldType::kLongText, "ISNULL(pr.Code + ':' + pr.LastName + ' ' + pr.FirstName, " + missing + ")",
        kBuyerText);
    add("GoodAmount", FieldType::kQuantity, "oTable.AmountAccount", kQuantityText);
    add("Summa", FieldType::kAmount, value, kSumText);
    if (forDrillDown) {
        add("MinPrice", FieldType::kAmount, price, kMinPriceText);
        add("MaxPrice", FieldType::kAmount, price, kMaxPriceText);
        add("IDC", FieldType::kId, "d.IDC");
        add("Number", FieldType::kCode, "d.Number");
        add("DocTypeCode", FieldType::kCode, "d.DocTypeCode");
        add("GoodCode", FieldType::kCode, "oTable.GoodCode");
    } else {
        add("MinPrice", FieldType::kAmount, "MIN(" + price + ")", kMinPriceText)
            ->SetAggregate(Talvex::Aggregate::kGroupExpression);
        add("MaxPrice", FieldType::kAmount, "MAX(" + price + ")", kMaxPriceText)
            ->SetAggregate(Talvex::Aggregate::kGroupExpression);
        f.Item("GoodAmount").SetAggregate(Talvex::Aggregate::kSum);
        f.Item("Summa").SetAggregate(Talvex::Aggregate::kSum);
        if (withServices) {
            f.Item("RateDate").SetSelected(false);
            f.Item("CurrencyCode").SetSelected(false);
        }
    }

    // A row without quantity has no unit price: it would show as the lowest price of its
    // cell. Service rows count only when asked for.
    std::string filter = "d.DocTypeCode = N'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN " +
                         SqlTools::Literal(FieldType::kDate, Value(DateParam("DateBeg"))) + " AND " +
                         SqlTools::Literal(FieldType::kDate, Value(DateParam("DateEnd"))) +
                         " AND oTable.AmountAccount <> 0";
    if (!withServices) filter += " AND g.Category = 0";

    CSelectByRef byRef;
    byRef.InitBook(book_);
    long selectionType = 0;
    if (params_->ExistsField("SelClientType")) {
        const Value& type = params_->Item("SelClientType").GetValue();
        if (!type.IsNull() && !type.IsEmpty()) selectionType = static_cast<long>(type.ToInteger());
    }
    const std::string suppliers = byRef.FiltrByClients(*list, "p.PartyCode", TextParam("SelClientList"), selectionType);
    if (!suppliers.empty()) filter += " AND " + suppliers;
    list->SetFilter(filter);
    return list;
}

void RPurchase::DefineCube(Engine& engine)
{
    ClearCube(engine);

    Dims& dims = engine.Dims();
    dims.Add("Suplier", Res(kSupplierText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Buyer", Res(kBuyerText));
    dims.Add("DocumentDate");
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));

    for (const char* name : {"MinPrice", "MaxPrice", "GoodAmount", "Summa"})
        engine.BaseFacts().Add(name);
    engine.Facts().Add("MinPrice", Res(kMinPriceText), "MinPrice", Aggregation::Min);
    engine.Facts().Add("MaxPrice", Res(kMaxPriceText), "MaxPrice", Aggregation::Max);
    engine.Facts().Add("GoodAmount", Res(kQuantityText));
    engine.Facts().Add("Summa", Res(kSumText));
    engine.Facts().AddCalculated("AvgGPrice", Res(kAvgPriceText), "Summa / GoodAmount");
    ShowAllFacts(engine);

    // The first layout: suppliers down the rows, years across.
    dims.Item("Suplier").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RPurchase::CubeCaption() const
{
    return Title() + GoodNodeText() + " " + FromToText();
}

void RPurchase::Open(Talvex::CCube& cube)
{
    frmRepPurchase form;
    if (!form.Browse(*params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    ShowList(cube, CreatePurchaseList(false), kNoPurchasesText);
}

void RPurchase::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return CreatePurchaseList(true); },
                  {"Suplier", "Buyer", "GoodCode", "GoodAmount", "Summa"});
}

} // namespace Quarn_DuzAde
