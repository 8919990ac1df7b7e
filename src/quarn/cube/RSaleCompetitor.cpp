#include "quarn/cube/RSaleCompetitor.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeSaleComp.hpp"
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
constexpr long kQuantityText = 15005;
constexpr long kDepartmentText = 15012;
constexpr long kCostText = 15014;
constexpr long kProfitText = 15015;
constexpr long kPercentText = 15016;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kFolderText = 15146;
constexpr long kClientText = 15162;
constexpr long kCompetitorText = 15172;
constexpr long kSumText = 15023;
constexpr long kCompGoodText = 15181;
constexpr long kPriceText = 15182;
constexpr long kSalesFrameText = 15183;
constexpr long kProfitFrameText = 15184;
constexpr long kNothingText = 15694;

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

RSaleCompetitor::RSaleCompetitor() : RSaleCompetitor(kSalesFrameText, "RSaleCompetitor", "fCubeSaleComp") {}

RSaleCompetitor::RSaleCompetitor(long titleText, const char* className, const char* paramFormName)
    : CubeReport(titleText), className_(className), paramFormName_(paramFormName)
{
}

RProfitByCompetitor::RProfitByCompetitor()
    : RSaleCompetitor(kProfitFrameText, "RProfitByCompetitor", "fCubeProfitByComp")
{
}

void RSaleCompetitor::Main(FieldList& params)
{
    OpenWindow(className_, [&] { return Prepare(params); });
}

bool RSaleCompetitor::Prepare(FieldList& params)
{
    if (!TakeParams(params)) return false;
    OLAP::AddDefaultSaleParams(*params_);
    AddDefault("IsAnalogue", FieldType::kFlag, Value(0));
    folders_.Read(book_, Res(kMissingText));
    LoadDepartments();
    return true;
}

std::shared_ptr<DataList> RSaleCompetitor::CreateList() const
{
    Talvex::Book& book = *book_;
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    // The posted sales invoices and their returns of the period with their lines, one per
    // article a competitor offers of the good. The lines are read from their own tables: the
    // general sales-line source joins every line of every sales type to its VAT before the
    // period narrows them (seconds at the bench scale for two types of a year).
    auto lines = book.CreateList("THDocument");
    lines->Fields().SelectFields({});
    lines->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                              Value(DateParam("DateBeg")), Value(DateParam("DateEnd"))),
         "oTable.IsPosted = 1", "oTable.DocTypeCode IN (N'PRSF', N'GPG')"}));
    lines->Join(NoColumns(book.CreateList("THGoodSpec")), "gs", "oTable.IDC = gs.DocID", 0, 0);
    lines->Join(NoColumns(book.CreateList("REFCompGood")), "cg",
                FlagParam("IsAnalogue") ? "gs.GoodCode = cg.GoodCode"
                                        : "gs.GoodCode = cg.GoodCode and cg.IsAnalogue = 0",
                0, 0);
    lines->Join(NoColumns(book.CreateList("REFCompetitor")), "c", "cg.CompetitorCode = c.Code", 0, 0);
    lines->Join(NoColumns(book.CreateList("THGoodSpecPRSF")), "vf", "gs.DocID = vf.DocID and gs.PosNumb = vf.PosNumb",
                1, 0);
    lines->Join(NoColumns(book.CreateList("THGoodSpecGPG")), "vr", "gs.DocID = vr.DocID and gs.PosNumb = vr.PosNumb", 1,
                0);
    lines->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    // The folders by the competitor's article rather than by each line: the server then meets
    // the articles with their folders before the lines, instead of comparing every line's code
    // twice.
    if (!folders_.Table().empty())
        lines->Join(NoColumns(book.CreateList(folders_.Table())), "plf", "cg.GoodCode = plf.GoodCode", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*lines, "DocumentDate", "CurrencyCode");

    // A return takes back what its invoice sold.
    const std::string sign = "(CASE WHEN oTable.DocTypeCode = N'GPG' THEN -1 ELSE 1 END)";
    const std::string withoutVat = "gs.Summa - ISNULL(vf.SummVAT, ISNULL(vr.SummVAT, 0))";
    auto& f = lines->Fields();
    for (const auto& level : folders_.Levels())
        f.AddField(level, FieldType::kLongText, "ISNULL(plf." + level + "," + missing + ")")
            .SetCaption(Res(kFolderText));
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("CompGoodName", FieldType::kLongText, "cg.Code + ':' + cg.Name").SetCaption(Res(kCompGoodText));
    f.AddField("Competitor", FieldType::kLongText, "c.Code + ':' + c.Name").SetCaption(Res(kCompetitorText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(oTable.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Amount", FieldType::kQuantity, sign + " * gs.AmountAccount").SetCaption(Res(kQuantityText));
    f.AddField("SummaAcc", FieldType::kAmount, sign + " * (" + rates.ConvertExpr("CurrencyCode", withoutVat) + ")")
        .SetCaption(Res(kSumText));
    f.AddField("CostSumm", FieldType::kAmount, sign + " * gs.CostSumm").SetCaption(Res(kCostText));
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    return lines;
}

void RSaleCompetitor::DefineDims(Engine& engine) const
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    for (std::size_t k = 0; k < folders_.Levels().size(); ++k)
        dims.Add(folders_.Levels()[k], Res(kFolderText) + " [" + std::to_string(k + 1) + "]");
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.Add("CompGoodName", Res(kCompGoodText));
    dims.Add("Competitor", Res(kCompetitorText));
    dims.Add("Client", Res(kClientText));
    dims.Add("Department", Res(kDepartmentText), 2);
}

void RSaleCompetitor::Layout(Engine& engine) const
{
    ShowAllFacts(engine);
    // The first layout: competitors down the rows, years across.
    engine.Dims().Item("Competitor").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

void RSaleCompetitor::DefineCube(Engine& engine) const
{
    DefineDims(engine);
    AddSummedFacts(engine, {{"Amount", kQuantityText}, {"SummaAcc", kSumText}});
    engine.Facts().AddCalculated("Price", Res(kPriceText), "SummaAcc / Amount");
    Layout(engine);
}

void RProfitByCompetitor::DefineCube(Engine& engine) const
{
    DefineDims(engine);
    AddSummedFacts(engine, {{"SummaAcc", kSumText}, {"CostSumm", kCostText}});
    engine.Facts().AddCalculated("Profit", Res(kProfitText), "SummaAcc -  CostSumm");
    engine.Facts().AddCalculated("ProfitProc", Res(kPercentText), "Profit / SummaAcc * 100");
    Layout(engine);
}

std::string RSaleCompetitor::CubeCaption() const
{
    return Title() + " " + PeriodSpan();
}

void RSaleCompetitor::Open(Talvex::CCube& cube)
{
    fCubeSaleComp form(paramFormName_);
    if (!form.Browse(&cube.Parent(), *params_, Title())) return;
    DefineCube(cube.cube());
    ShowDefined(cube, CubeCaption());
    ShowList(
        cube, [this] { return list_ = ReadList(); }, kNothingText);
}

std::shared_ptr<DataList> RSaleCompetitor::ReadList()
{
    return ReadPeriodList([this] { return CreateList(); });
}

// The cube's own list is the drill-down's: its rows are the sales lines.
void RSaleCompetitor::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return list_; }, {"Client", "Competitor", "CompGoodName"});
}

} // namespace Quarn_DuzAde
