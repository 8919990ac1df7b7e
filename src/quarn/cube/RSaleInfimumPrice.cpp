#include "quarn/cube/RSaleInfimumPrice.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeParamSaleInfPrice.hpp"
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
constexpr long kSumText = 15023;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kClientText = 15162;
constexpr long kFrameText = 15190;
constexpr long kPersonText = 15191;
constexpr long kUnitPriceText = 15192;
constexpr long kFloorText = 15193;
constexpr long kNothingText = 15695;

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

RSaleInfimumPrice::RSaleInfimumPrice() : CubeReport(kFrameText) {}

void RSaleInfimumPrice::Main(FieldList& params)
{
    OpenWindow("RSaleInfimumPrice", [&] { return Prepare(params); });
}

bool RSaleInfimumPrice::Prepare(FieldList& params)
{
    if (!TakeParams(params)) return false;
    OLAP::AddDefaultSaleParams(*params_);
    AddDefault("PriceTypeCode", FieldType::kCode, Value(std::string()));
    LoadDepartments();
    return true;
}

std::shared_ptr<DataList> RSaleInfimumPrice::CreateList()
{
    ReadFloors();
    return ListBelowFloors();
}

std::shared_ptr<DataList> RSaleInfimumPrice::ReadList()
{
    ReadFloors();
    return ReadPeriodList([this] { return ListBelowFloors(); });
}

void RSaleInfimumPrice::ReadFloors()
{
    const std::string priceType = TextParam("PriceTypeCode");
    if (priceType.empty()) throw Talvex::ValueError("PriceTypeCode: the price type of the lowest price is not chosen");
    floors_.Read(book_, priceType);
}

std::shared_ptr<DataList> RSaleInfimumPrice::ListBelowFloors() const
{
    Talvex::Book& book = *book_;
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    const std::string floorType = SqlTools::Literal(FieldType::kCode, Value(TextParam("PriceTypeCode")));

    auto lines = book.CreateList("THDocument");
    lines->Fields().SelectFields({});
    lines->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                              Value(DateParam("DateBeg")), Value(DateParam("DateEnd"))),
         "oTable.IsPosted = 1", "oTable.DocTypeCode = N'PRSF'"}));
    lines->Join(NoColumns(book.CreateList("THGoodSpec")), "gs", "oTable.IDC = gs.DocID and gs.AmountAccount > 0", 0, 0);
    lines->Join(NoColumns(book.CreateList("THGoodSpecPRSF")), "gsa",
                "gs.DocID = gsa.DocID and gs.PosNumb = gsa.PosNumb", 0, 0);
    // The floor: the type's price in effect on the sale's day for the good's accounting unit in
    // the sale's currency; a good without one has no floor and its lines never count.
    lines->Join(NoColumns(book.CreateList(floors_.Table())), "fp",
                floors_.InEffect("fp", "gs.GoodCode", "oTable.CurrencyCode", "oTable.DocumentDate"), 0, 0);
    lines->Join(NoColumns(book.CreateList("REFPriceType")), "fpt", "fpt.Code = " + floorType, 0, 0);
    lines->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefPerson")), "Prs", "oTable.Author = Prs.UserID", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*lines, "DocumentDate", "CurrencyCode");

    // Without VAT when the type's prices include it, at the line's rate.
    const std::string floor = "fp.Price / (CASE WHEN fpt.IsVATIncluded = 1 THEN 1 + gsa.VATRate / 100 ELSE 1 END)";
    auto& f = lines->Fields();
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(oTable.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Person", FieldType::kLongText, "ISNULL(Prs.Code + ':' + Prs.LastName," + missing + ")")
        .SetCaption(Res(kPersonText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("Summa", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "gs.Summa - gsa.SummVAT"))
        .SetCaption(Res(kSumText));
    f.AddField("UnitPrice", FieldType::kAmount, "(gs.Summa - gsa.SummVAT) / gs.AmountAccount")
        .SetCaption(Res(kUnitPriceText));
    f.AddField("FloorPrice", FieldType::kAmount, floor).SetCaption(Res(kFloorText));
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");

    auto below = book.CreateList("");
    below->SetSource(lines, "oTable", 0);
    below->SetFilter("oTable.UnitPrice < oTable.FloorPrice");
    return below;
}

void RSaleInfimumPrice::DefineCube(Engine& engine) const
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Person", Res(kPersonText));
    dims.Add("Client", Res(kClientText));
    AddSummedFacts(engine, {{"Summa", kSumText}});
    ShowAllFacts(engine);
    // The first layout: departments and their sellers down the rows, months across.
    dims.Item("Department").MoveTo(Axis::Rows, 0);
    dims.Item("Person").MoveTo(Axis::Rows, 1);
    dims.Item("Month").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RSaleInfimumPrice::CubeCaption() const
{
    return Title() + " (" + TextParam("PriceTypeCode") + ") " + PeriodSpan();
}

void RSaleInfimumPrice::Open(Talvex::CCube& cube)
{
    fCubeParamSaleInfPrice form;
    if (!form.Browse(&cube.Parent(), *params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    ShowList(
        cube, [this] { return list_ = ReadList(); }, kNothingText);
}

// The cube's own list is the drill-down's: its rows are the lines sold below the floor.
void RSaleInfimumPrice::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return list_; }, {"Client", "UnitPrice", "FloorPrice"});
}

} // namespace Quarn_DuzAde
