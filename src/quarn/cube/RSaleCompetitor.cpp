#include "quarn/cube/RSaleCompetitor.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Dimension.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeSaleComp.hpp"
#include "quarn/frame/ReportError.hpp"
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
constexpr long kLoadWaitText = 22170;
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

RSaleCompetitor::~RSaleCompetitor()
{
    if (wrapper_) wrapper_->Terminate();
}

long RSaleCompetitor::FrameText() const
{
    return kSalesFrameText;
}

long RProfitByCompetitor::FrameText() const
{
    return kProfitFrameText;
}

void RSaleCompetitor::Main(FieldList& params)
{
    try {
        if (!Prepare(params)) return;
        Talvex::OpenCubeForm(shared_from_this(), ClassName());
    } catch (...) {
        ReportError();
    }
}

bool RSaleCompetitor::Prepare(FieldList& params)
{
    params_ = std::make_shared<FieldList>(params);
    book_.reset();
    if (params_->ExistsField("Book"))
        book_ = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
    if (!book_) return false;
    OLAP::AddDefaultSaleParams(*params_);
    if (!params_->ExistsField("IsAnalogue")) params_->Add("IsAnalogue", FieldType::kFlag, Value(0));
    folders_.Read(book_, Res(kMissingText));
    departments_.Load(*book_, "REFDepartment");
    return true;
}

Talvex::Date RSaleCompetitor::DateParam(const char* name) const
{
    const Value& v = params_->Item(name).GetValue();
    if (!v.IsDate() && !v.IsText()) throw Talvex::ValueError(std::string(name) + ": the parameter is not a date");
    return v.ToDate();
}

bool RSaleCompetitor::FlagParam(const char* name) const
{
    if (!params_->ExistsField(name)) return false;
    const Value& v = params_->Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() == 1;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

std::shared_ptr<DataList> RSaleCompetitor::CreateList() const
{
    Talvex::Book& book = *book_;
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    // The sales lines with their sign and their sum without VAT, one per article a competitor
    // offers of the good.
    auto lines = book.CreateList("THSpecForOLAPSale");
    lines->Fields().SelectFields({});
    lines->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                              Value(DateParam("DateBeg")), Value(DateParam("DateEnd"))),
         "oTable.DocTypeCode IN (N'PRSF', N'GPG')"}));
    lines->Join(NoColumns(book.CreateList("THDocument")), "d", "oTable.DocID = d.IDC and d.IsPosted = 1", 0, 0);
    lines->Join(NoColumns(book.CreateList("REFCompGood")), "cg",
                FlagParam("IsAnalogue") ? "oTable.GoodCode = cg.GoodCode"
                                        : "oTable.GoodCode = cg.GoodCode and cg.IsAnalogue = 0",
                0, 0);
    lines->Join(NoColumns(book.CreateList("REFCompetitor")), "c", "cg.CompetitorCode = c.Code", 0, 0);
    lines->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                "oTable.DocID = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    if (!folders_.Table().empty())
        lines->Join(NoColumns(book.CreateList(folders_.Table())), "plf", "oTable.GoodCode = plf.GoodCode", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*lines, "DocumentDate", "CurrencyCode");

    auto& f = lines->Fields();
    for (const auto& level : folders_.Levels())
        f.AddField(level, FieldType::kLongText, "ISNULL(plf." + level + "," + missing + ")")
            .SetCaption(Res(kFolderText));
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("CompGoodName", FieldType::kLongText, "cg.Code + ':' + cg.Name").SetCaption(Res(kCompGoodText));
    f.AddField("Competitor", FieldType::kLongText, "c.Code + ':' + c.Name").SetCaption(Res(kCompetitorText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(d.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Amount", FieldType::kQuantity, "oTable.Sign * oTable.AmountAccount").SetCaption(Res(kQuantityText));
    f.AddField("SummaAcc", FieldType::kAmount,
               "oTable.Sign * (" + rates.ConvertExpr("CurrencyCode", "oTable.SummaWithoutVAT") + ")")
        .SetCaption(Res(kSumText));
    f.AddField("CostSumm", FieldType::kAmount, "oTable.Sign * oTable.CostSumm").SetCaption(Res(kCostText));
    f.AddField("IDC", FieldType::kId, "oTable.DocID");
    f.AddField("Number", FieldType::kCode, "d.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    return lines;
}

void RSaleCompetitor::DefineDims(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
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
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;
    // The first layout: competitors down the rows, years across.
    engine.Dims().Item("Competitor").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

void RSaleCompetitor::DefineCube(Engine& engine) const
{
    DefineDims(engine);
    for (auto [name, caption] : {std::pair{"Amount", kQuantityText}, {"SummaAcc", kSumText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    engine.Facts().AddCalculated("Price", Res(kPriceText), "SummaAcc / Amount");
    Layout(engine);
}

void RProfitByCompetitor::DefineCube(Engine& engine) const
{
    DefineDims(engine);
    for (auto [name, caption] : {std::pair{"SummaAcc", kSumText}, {"CostSumm", kCostText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    engine.Facts().AddCalculated("Profit", Res(kProfitText), "SummaAcc -  CostSumm");
    engine.Facts().AddCalculated("ProfitProc", Res(kPercentText), "Profit / SummaAcc * 100");
    Layout(engine);
}

void RSaleCompetitor::OnOpenCube(Talvex::CCube& cube)
{
    try {
        fCubeSaleComp form(ParamFormName());
        if (!form.Browse(&cube.Parent(), *params_, Res(FrameText()))) return;
        DefineCube(cube.cube());
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(Res(FrameText()) + " " + DateParam("DateBeg").ToIso() + " - " + DateParam("DateEnd").ToIso());
        {
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            list_ = CreateList();
        }
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        wrapper_->SetDirectDataList(list_);
        wrapper_->SetSourceList(list_);
        wrapper_->CrShowFieldsByDoc();
        for (const char* name : {"Client", "Competitor", "CompGoodName"}) {
            const Talvex::Field& own = list_->Fields().Item(name);
            wrapper_->ShowFields().Add(name, own.TypeCode()).SetCaption(own.Caption());
        }
        OLAP::TellWhenEmpty(*list_, kNothingText, *params_);
    } catch (...) {
        ReportError();
    }
}

void RSaleCompetitor::OnLoad(Talvex::CCube& cube, std::vector<std::string>& /*userMenuItems*/)
{
    try {
        cube.Parent().SetCaption(Res(FrameText()));
    } catch (...) {
        ReportError();
    }
}

void RSaleCompetitor::OnDimMapping(Talvex::CCube& /*cube*/, const Dimension& viewDim, const Value& key,
                                   std::string& value)
{
    try {
        if (viewDim.Name() == "Department")
            value = departments_.Text(key.IsNull() || key.IsEmpty() ? std::string() : key.ToText(), ":");
    } catch (...) {
        ReportError();
    }
}

void RSaleCompetitor::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        if (wrapper_) wrapper_->ListByCell(&cell);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
