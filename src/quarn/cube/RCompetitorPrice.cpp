#include "quarn/cube/RCompetitorPrice.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/frmRCompetitorPrice.hpp"
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
constexpr long kGoodText = 15001;
constexpr long kRegionText = 15011;
constexpr long kPriceTypeText = 15013;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kClientText = 15162;
constexpr long kFrameText = 15170;
constexpr long kCompPriceTypeText = 15171;
constexpr long kCompetitorText = 15172;
constexpr long kCountText = 15173;
constexpr long kMinText = 15174;
constexpr long kAvgText = 15175;
constexpr long kMaxText = 15176;
constexpr long kNothingText = 15691;

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

RCompetitorPrice::RCompetitorPrice() : CubeReport(kFrameText) {}

bool RCompetitorPrice::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    OpenWindow("RCompetitorPrice", [&] { return Prepare(inParams) && Visual(); });
    return false;
}

bool RCompetitorPrice::Prepare(FieldList& params)
{
    if (!TakeParams(params)) return false;
    const Talvex::Date today = book_->Today();
    AddDefault("BegPeriod", FieldType::kDate, Value(Talvex::Date(today.Year(), 1, 1)));
    AddDefault("EndPeriod", FieldType::kDate, Value(Talvex::Date(today.Year(), 12, 31)));
    AddDefault("CurrencyCode", FieldType::kCode, Value(book_->AccountCurrency()));
    priceTypes_.Load(*book_, "REFPriceType");
    return true;
}

std::shared_ptr<DataList> RCompetitorPrice::CreateList() const
{
    Talvex::Book& book = *book_;
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    auto prices = book.CreateList("REFCompPrice");
    prices->Fields().SelectFields({});
    prices->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DateApply", FieldType::kDate, Talvex::SqlOperator::kBetween,
                              Value(DateParam("BegPeriod")), Value(DateParam("EndPeriod"))),
         SqlTools::CondByName("oTable.CurrencyCode", FieldType::kCode, Talvex::SqlOperator::kEqual,
                              params_->Item("CurrencyCode").GetValue())}));
    prices->Join(NoColumns(book.CreateList("REFCompGood")), "cg",
                 "oTable.CompetitorCode = cg.CompetitorCode and oTable.CompGoodCode = cg.Code", 0, 0);
    prices->Join(NoColumns(book.CreateList("REFGood")), "g", "cg.GoodCode = g.Code", 1, 0);
    prices->Join(NoColumns(book.CreateList("REFCompPriceType")), "cpt", "oTable.CompPriceTypeCode = cpt.Code", 0, 0);
    prices->Join(NoColumns(book.CreateList("REFCompetitor")), "c", "oTable.CompetitorCode = c.Code", 0, 0);
    prices->Join(NoColumns(book.CreateList("RefClient")), "Cl", "c.ClientCode = Cl.Code", 1, 0);

    auto& f = prices->Fields();
    f.AddField("Good", FieldType::kLongText, "cg.GoodCode + ':' + ISNULL(g.Name,'')").SetCaption(Res(kGoodText));
    f.AddField("CPriceType", FieldType::kLongText, "cpt.Code + ':' + cpt.Name").SetCaption(Res(kCompPriceTypeText));
    f.AddField("PriceType", FieldType::kCode, "UPPER(ISNULL(cpt.PriceTypeCode," + missing + "))")
        .SetCaption(Res(kPriceTypeText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("Region", FieldType::kCode, "UPPER(ISNULL(c.TerritoryCode," + missing + "))")
        .SetCaption(Res(kRegionText));
    f.AddField("CompCode", FieldType::kLongText, "c.Code + ':' + c.Name").SetCaption(Res(kCompetitorText));
    f.AddField("DateApply", FieldType::kDate, "oTable.DateApply");
    f.AddField("Price", FieldType::kAmount, "oTable.Price");
    f.AddField("COUNTER", FieldType::kInteger, "1");
    return prices;
}

void RCompetitorPrice::DefineCube(Engine& engine) const
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("Good", Res(kGoodText));
    dims.Add("CPriceType", Res(kCompPriceTypeText));
    dims.Add("PriceType", Res(kPriceTypeText), 2);
    dims.Add("Client", Res(kClientText));
    dims.Add("Region", Res(kRegionText));
    dims.Add("CompCode", Res(kCompetitorText));
    dims.Add("DateApply");
    dims.AddCalculated("Year", "DateApply", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DateApply", PeriodLevel::Month, Res(kMonthText));

    engine.BaseFacts().Add("COUNTER");
    engine.BaseFacts().Add("Price");
    engine.Facts().Add("COUNTER", Res(kCountText));
    engine.Facts().Add("MinPrice", Res(kMinText), "Price", Aggregation::Min);
    // The average of the cell's price records: their sum over their number.
    engine.Facts().Add("SumPrice", "", "Price", Aggregation::Sum).FactVisible = false;
    engine.Facts().AddCalculated("AvgPrice", Res(kAvgText), "SumPrice / COUNTER");
    engine.Facts().Add("MaxPrice", Res(kMaxText), "Price", Aggregation::Max);
    engine.PreGrouping = false;
    // The first layout: goods down the rows, competitors across.
    dims.Item("Good").MoveTo(Axis::Rows, 0);
    dims.Item("CompCode").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RCompetitorPrice::CubeCaption() const
{
    return Res(kFrameText) + " " + DateParam("BegPeriod").ToIso() + " - " + DateParam("EndPeriod").ToIso() + " (" +
           params_->Item("CurrencyCode").GetValue().ToText() + ")";
}

void RCompetitorPrice::Open(Talvex::CCube& cube)
{
    frmRCompetitorPrice form;
    if (!form.Browse(&cube.Parent(), *params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    list_ = CreateList();
    ShowList(cube, list_, kNothingText);
}

void RCompetitorPrice::OpenDrillDown(const GridCell* cell)
{
    if (!wrapper_) return;
    if (!drillList_) {
        drillList_ = list_;
        wrapper_->SetSourceList(drillList_);
        wrapper_->SetFieldNameToGetDocID("COUNTER");
        for (const char* name : {"DateApply", "CompCode", "CPriceType", "Good", "Price"}) {
            const Talvex::Field& own = drillList_->Fields().Item(name);
            wrapper_->ShowFields().Add(name, own.TypeCode()).SetCaption(own.Caption().empty() ? name : own.Caption());
        }
    }
    wrapper_->ListByCell(cell);
}

std::optional<std::string> RCompetitorPrice::MemberText(const std::string& dimName, const Value& key) const
{
    if (dimName != "PriceType") return std::nullopt;
    return priceTypes_.Text(KeyText(key), ":");
}

} // namespace Quarn_DuzAde
