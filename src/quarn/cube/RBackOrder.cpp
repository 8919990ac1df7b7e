#include "quarn/cube/RBackOrder.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeParamBackOrder.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kMissingText = 15000;
constexpr long kDepartmentText = 15012;
constexpr long kDayText = 15103;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kFrameText = 15160;
constexpr long kGoodText = 15161;
constexpr long kClientText = 15162;
constexpr long kOrderedText = 15163;
constexpr long kDeliveredText = 15164;
constexpr long kOwedText = 15165;
constexpr long kOwedSumText = 15166;
constexpr long kDocumentsText = 15167;
constexpr long kNothingText = 15690;

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

RBackOrder::RBackOrder() : CubeReport(kFrameText, kDocumentsText) {}

void RBackOrder::Main(FieldList& params)
{
    OpenWindow("RBackOrder", [&] { return Prepare(params); });
}

bool RBackOrder::Prepare(FieldList& params)
{
    if (!TakeParams(params)) return false;
    OLAP::AddDefaultSaleParams(*params_);
    LoadDepartments();
    return true;
}

std::shared_ptr<DataList> RBackOrder::CreateList() const
{
    Talvex::Book& book = *book_;
    const Value end(DateParam("DateEnd"));
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));

    // Sales orders of the period with their lines.
    auto orders = book.CreateList("THDocument");
    orders->Fields().SelectFields({});
    orders->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate,
                                                     Talvex::SqlOperator::kBetween, Value(DateParam("DateBeg")), end),
                                "oTable.IsPosted = 1", "oTable.DocTypeCode = N'PRS'"}));
    orders->Join(NoColumns(book.CreateList("THGoodSpec")), "gs", "oTable.IDC = gs.DocID", 0, 0);
    orders->Join(NoColumns(book.CreateList("REFGood")), "g", "gs.GoodCode = g.Code", 0, 0);
    orders->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                 "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    orders->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*orders, "DocumentDate", "CurrencyCode");

    // Delivered: what the posted invoices written by the period's end took from the line, and
    // what consignment documents placed at the customer's ("PN": the goods left the store).
    // Summed once per order line and joined, so that each line meets its sum by one equality
    // instead of a sub-select per line and per column.
    auto links = book.CreateList("THGoodContent");
    links->Fields().SelectFields({"CorSpecID"});
    links->Join(NoColumns(book.CreateList("THGoodSpec")), "os", "os.IDC = oTable.SpecID", 0, 0);
    links->Join(NoColumns(book.CreateList("THDocument")), "od", "od.IDC = os.DocID", 0, 0);
    links->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {"((oTable.LinkKindCode = 'OR' AND od.DocTypeCode = N'PRSF') OR (oTable.LinkKindCode = 'PN' AND "
         "od.DocTypeCode = N'POSF'))",
         "od.IsPosted = 1",
         SqlTools::CondByName("od.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kNotGreater, end)}));
    links->Fields()
        .AddField("Delivered", FieldType::kQuantity, "oTable.AmountAccount")
        .SetAggregate(Talvex::Aggregate::kSum);
    orders->JoinForConditions(links, "dl", "gs.IDC = dl.CorSpecID", 1);
    const std::string delivered = "ISNULL(dl.Delivered,0)";
    auto& f = orders->Fields();
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("GoodName", FieldType::kLongText, "g.Code + ':' + g.Name").SetCaption(Res(kGoodText));
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(oTable.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("PAmount", FieldType::kQuantity, "gs.AmountAccount").SetCaption(Res(kOrderedText));
    f.AddField("FAmount", FieldType::kQuantity, delivered).SetCaption(Res(kDeliveredText));
    // The order's price of what is still owed, in the accounting currency.
    f.AddField(
         "SummaAcc", FieldType::kAmount,
         rates.ConvertExpr("CurrencyCode", "COALESCE(gs.Summa / NULLIF(gs.AmountAccount,0),0) * (gs.AmountAccount - " +
                                               delivered + ")"))
        .SetCaption(Res(kOwedSumText));
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");

    // Only the lines still owed.
    auto open = book.CreateList("");
    open->SetSource(orders, "oTable", 0);
    open->SetFilter("oTable.PAmount > oTable.FAmount");
    return open;
}

void RBackOrder::DefineCube(Engine& engine) const
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Day", "DocumentDate", PeriodLevel::Day, Res(kDayText));
    dims.Add("GoodName", Res(kGoodText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Client", Res(kClientText));
    AddSummedFacts(engine, {{"FAmount", kDeliveredText}, {"PAmount", kOrderedText}});
    engine.Facts().AddCalculated("Amount", Res(kOwedText), "PAmount - FAmount");
    AddSummedFacts(engine, {{"SummaAcc", kOwedSumText}});
    ShowAllFacts(engine);
    // The first layout: clients and their goods down the rows, years across.
    dims.Item("Client").MoveTo(Axis::Rows, 0);
    dims.Item("GoodName").MoveTo(Axis::Rows, 1);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RBackOrder::CubeCaption() const
{
    return Title() + " " + FromToText();
}

void RBackOrder::Open(Talvex::CCube& cube)
{
    fCubeParamBackOrder form;
    if (!form.Browse(&cube.Parent(), *params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    list_ = CreateList();
    ShowList(cube, list_, kNothingText);
}

// The cube's own list is the drill-down's: its rows are the order lines.
void RBackOrder::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return list_; }, {"Client", "GoodName"});
}

} // namespace Quarn_DuzAde
