#include "quarn/cube/RCashFlow.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Dimension.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeCashFlow.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using Talvex::Value;
using FieldType = Talvex::FieldType;
using namespace Talvex::Cube;

namespace {

constexpr long kDateText = 15100;
constexpr long kWeekText = 15101;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kDocumentsText = 21811;
constexpr long kLoadWaitText = 22170;
constexpr long kDayText = 27142;
constexpr long kFlowKindText = 27143;
constexpr long kBegDebtText = 27144;
constexpr long kDebtText = 27145;
constexpr long kPlanText = 27146;
constexpr long kBudgetText = 27147;
constexpr long kPaidText = 27148;
constexpr long kFrameText = 27149;
constexpr long kPartyText = 27150;
constexpr long kDeviationText = 27151;
constexpr long kCaptionText = 27152;
constexpr long kFactRestText = 27156;
constexpr long kSFRestText = 27157;
constexpr long kPlanRestText = 27158;
constexpr long kNothingText = 27160;
constexpr const char* kSource = "Quarn_DuzAde.RCashFlow";

// The rests are states: along the payment days a cell takes each flow kind and party's last.
constexpr const char* kPeriodDims[] = {"RecDate", "Day", "Year", "Month", "Week"};

std::string Res(long id)
{
    return OLAP::ResString(id);
}

std::string TextOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

// Reports an error with the callback it happened in, as the host shows its source.
void ReportFrom(const char* procedure)
{
    ReportErrorFrom(std::string(kSource) + procedure);
}

} // namespace

RCashFlow::~RCashFlow()
{
    if (wrapper_) wrapper_->Terminate();
}

bool RCashFlow::Prepare(FieldList& params)
{
    given_ = std::make_shared<FieldList>(params);
    book_ = GetBook(&params, false);
    if (!book_) return false;
    parties_.Load(*book_, "REFClient");
    flowKinds_.Load(*book_, "REFPaymentType");
    return true;
}

void RCashFlow::Main(FieldList& params)
{
    try {
        if (!Prepare(params)) return;
        Talvex::OpenCubeForm(shared_from_this(), "RCashFlow");
    } catch (...) {
        ReportError();
    }
}

bool RCashFlow::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    Main(inParams);
    return false;
}

void RCashFlow::Test(FieldList& parm)
{
    try {
        if (!Prepare(parm)) return;
        params_ = CashFlowParams{Date(2005, 11, 1), Date(2005, 11, 30), "27", "SRS", "BSP", "", false, false, false};
        skipForm_ = true;
        Talvex::OpenCubeForm(shared_from_this(), "RCashFlow");
    } catch (...) {
        ReportError();
    }
}

CashFlowRows RCashFlow::Compute(const std::shared_ptr<Talvex::Book>& book, const CashFlowParams& params)
{
    RCashFlow report;
    report.book_ = book;
    return report.ReadRows(params);
}

CashFlowParams RCashFlow::DefaultParams(Talvex::Book& book)
{
    CashFlowParams params;
    const Date today = book.Today();
    params.begDate = today.FirstOfMonth();
    params.endDate = today.LastOfMonth();
    const auto first = [&](std::string_view sql, const std::vector<Value>& args) {
        const auto rs = book.Db().Query(sql, args);
        return rs.rows.empty() || rs.rows[0][0].IsNull() ? std::string() : rs.rows[0][0].ToText();
    };
    params.accSetBudget = first("SELECT TOP 1 Code FROM GLAccSet WHERE IsBudget = 1 ORDER BY Code", {});
    params.accBudget = first("SELECT TOP 1 AccCode FROM GLAccountAnalytType WHERE AccSetCode = ? ORDER BY AccCode",
                             {Value(params.accSetBudget)});
    params.flowKindAnlt =
        first("SELECT TOP 1 AnalytTypeCode FROM GLAccountAnalytType WHERE AccSetCode = ? AND AccCode = ? "
              "ORDER BY PosNumb, AnalytTypeCode",
              {Value(params.accSetBudget), Value(params.accBudget)});
    // The deepest account of the books above every account kept by the flow-kind analytic.
    params.acc = first("SELECT TOP 1 p.Parent FROM GLAccountParent p "
                       "JOIN GLAccountAnalytType t ON t.AccSetCode = p.AccSetCode AND t.AccCode = p.Code "
                       "WHERE p.AccSetCode = ? AND t.AnalytTypeCode = ? "
                       "GROUP BY p.Parent, p.ParentLevel "
                       "HAVING COUNT(*) = (SELECT COUNT(*) FROM GLAccountAnalytType a "
                       "                   WHERE a.AccSetCode = ? AND a.AnalytTypeCode = ?) "
                       "ORDER BY p.ParentLevel DESC, p.Parent",
                       {book.Setting("AccSetCode"), Value(params.flowKindAnlt), book.Setting("AccSetCode"),
                        Value(params.flowKindAnlt)});
    params.factRest = true;
    return params;
}

void RCashFlow::DefineCube(Engine& engine, const CashFlowParams& params) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    Dims& dims = engine.Dims();
    const auto levels = CashFlowRows::LevelColumns(hierarchy_.LevelCount());
    for (std::size_t i = 0; i < levels.size(); ++i)
        dims.Add(levels[i], Res(kFlowKindText) + " [" + std::to_string(i + 1) + "]", 2);
    dims.Add("PartyCode", Res(kPartyText), 2);
    dims.Add("RecDate", Res(kDateText));
    dims.AddCalculated("Year", "RecDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "RecDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Week", "RecDate", PeriodLevel::Week, Res(kWeekText));
    dims.Add("Day", Res(kDayText), 2);

    for (auto [name, caption] : {std::pair{"BegDebtSumma", kBegDebtText},
                                 {"BPlanSumma", kBudgetText},
                                 {"PlanSumma", kPlanText},
                                 {"DebtSumma", kDebtText},
                                 {"PaySumma", kPaidText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    engine.Facts().AddCalculated("Deviation", Res(kDeviationText), "PaySumma - (PlanSumma + DebtSumma)");
    const std::pair<const char*, long> rests[] = {
        {"PlanRest", kPlanRestText}, {"SFRest", kSFRestText}, {"FactRest", kFactRestText}};
    const bool wanted[] = {params.planRest, params.sfRest, params.factRest};
    if (params.RestsWanted()) {
        for (std::size_t i = 0; i < std::size(rests); ++i) {
            engine.BaseFacts().Add(rests[i].first);
            if (!wanted[i]) continue;
            Fact& fact = engine.Facts().Add(rests[i].first, Res(rests[i].second));
            for (const char* dim : kPeriodDims)
                fact.SetDimAggregation(dim, DimAggregation::Last);
        }
    }
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;

    // The first layout: flow kinds down the rows (the top level shown), months across.
    dims.Item(levels.front()).MoveTo(Axis::Rows, 0);
    for (std::size_t i = 1; i < levels.size(); ++i)
        dims.Item(levels[i]).MoveTo(Axis::Rows, static_cast<int>(i));
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    dims.Item("Month").MoveTo(Axis::Columns, 1);
    dims.Item("PartyCode").MoveTo(Axis::Filter, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RCashFlow::CubeCaption(const CashFlowParams& params) const
{
    return FormatMsg(Res(kCaptionText), {Value(params.begDate.ToIso()), Value(params.endDate.ToIso()),
                                         Value(params.flowKindAnlt), Value(params.accSetBudget),
                                         Value(params.accBudget)});
}

std::string RCashFlow::DimMappingText(const std::string& dimName, const Value& key) const
{
    if (dimName == "Day") {
        if (!key.IsDate()) return TextOf(key);
        static const char* kWeekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        const Date day = key.ToDate();
        return day.ToIso() + " " + kWeekdays[day.IsoWeekday() - 1];
    }
    const std::string code = TextOf(key);
    if (dimName == "PartyCode") return parties_.Text(code, ": ");
    if (dimName.rfind("FlowKind", 0) == 0) {
        const std::string groupName = hierarchy_.Name(code);
        if (!groupName.empty() && flowKinds_.Text(code, ": ") == code) return code + ": " + groupName;
        return flowKinds_.Text(code, ": ");
    }
    return code;
}

std::shared_ptr<FieldList> RCashFlow::FieldsAttr() const
{
    auto attrs = std::make_shared<FieldList>();
    auto add = [&](const std::string& name, FieldType type, const std::string& caption) {
        attrs->Add(name, type).SetCaption(caption);
    };
    const auto levels = CashFlowRows::LevelColumns(hierarchy_.LevelCount());
    for (std::size_t i = 0; i < levels.size(); ++i)
        add(levels[i], FieldType::kCode, Res(kFlowKindText) + " [" + std::to_string(i + 1) + "]");
    add("PartyCode", FieldType::kCode, Res(kPartyText));
    add("RecDate", FieldType::kDate, Res(kDateText));
    add("Day", FieldType::kDate, Res(kDayText));
    add("Part", FieldType::kCode, "Part");
    add("IDC", FieldType::kId, "IDC");
    add("DocTypeCode", FieldType::kCode, "Type");
    add("DocumentDate", FieldType::kDate, "Document date");
    add("Number", FieldType::kCode, "Number");
    add("Summa", FieldType::kAmount, "Document sum");
    add("CurrencyCode", FieldType::kCode, "Currency");
    add("BegDebtSumma", FieldType::kAmount, Res(kBegDebtText));
    add("BPlanSumma", FieldType::kAmount, Res(kBudgetText));
    add("PlanSumma", FieldType::kAmount, Res(kPlanText));
    add("DebtSumma", FieldType::kAmount, Res(kDebtText));
    add("PaySumma", FieldType::kAmount, Res(kPaidText));
    add("BegPlanRest", FieldType::kAmount, "Opening cash rest");
    add("PlanRest", FieldType::kAmount, Res(kPlanRestText));
    add("SFRest", FieldType::kAmount, Res(kSFRestText));
    add("FactRest", FieldType::kAmount, Res(kFactRestText));
    return attrs;
}

void RCashFlow::OnOpenCube(Talvex::CCube& cube)
{
    try {
        if (!skipForm_) {
            fCubeCashFlow form;
            CashFlowParams chosen = params_;
            if (!form.Run(book_, *given_, chosen)) return;
            params_ = chosen;
        }
        OpenCube(cube);
    } catch (...) {
        ReportFrom(".OnOpenCube");
    }
}

void RCashFlow::OpenCube(Talvex::CCube& cube)
{
    hierarchy_.Init(*book_, params_.flowKindAnlt);
    {
        Talvex::Ui::CWaitInfo wait;
        wait.Show(Res(kLoadWaitText));
        rows_.emplace(ReadRows(params_));
    }
    data_.reset();
    if (rows_->Rows().empty()) {
        Talvex::Ui::MessageBox().Show(
            FormatMsg(Res(kNothingText), {Value(params_.begDate.ToIso()), Value(params_.endDate.ToIso())}));
        return;
    }
    Engine& engine = cube.cube();
    DefineCube(engine, params_);
    cube.VAxis().SetDrillDownLevel(0);
    cube.SetCaption(CubeCaption(params_));
    const Talvex::AnalytHierarchy& tree = hierarchy_;
    engine.SetSource(rows_->ToCubeSource(tree.LevelCount(), [&tree](const std::string& kind) { return tree.Path(kind); }));
    if (wrapper_) wrapper_->Terminate();
    wrapper_ = std::make_shared<COLAPCubeExt2>();
    wrapper_->Init(book_, cube);
    auto attrs = FieldsAttr();
    for (std::size_t i = 0; i < attrs->Count(); ++i) {
        const auto& attr = attrs->Item(i);
        if (!rows_->WithRests() && (attr.Name() == "PlanRest" || attr.Name() == "SFRest" || attr.Name() == "FactRest"))
            continue;
        wrapper_->ShowFields().Add(attr.Name(), attr.TypeCode()).SetCaption(attr.Caption());
    }
    wrapper_->SetRstFieldsAttr(attrs);
    wrapper_->SetListIsFill(true);
    engine.SetActive(true);
    wrapper_->SetFactVisible();
}

void RCashFlow::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(kFrameText));
        userMenuItems.push_back(Res(kDocumentsText));
    } catch (...) {
        ReportFrom(".ICubeForm2_OnLoad");
    }
}

void RCashFlow::OnUserMenu(int index)
{
    try {
        if (index == 1) OpenDrillDown(nullptr);
    } catch (...) {
        ReportFrom(".ICubeForm2_OnUserMenu");
    }
}

void RCashFlow::OnDimMapping(Talvex::CCube& /*cube*/, const Dimension& viewDim, const Value& key, std::string& value)
{
    try {
        value = DimMappingText(viewDim.Name(), key);
    } catch (...) {
        ReportError();
    }
}

void RCashFlow::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        OpenDrillDown(&cell);
    } catch (...) {
        ReportError();
    }
}

// The recordset the drill-down filters is made when it is first needed.
void RCashFlow::OpenDrillDown(const GridCell* cell)
{
    if (!wrapper_ || !rows_) return;
    if (!data_) {
        const Talvex::AnalytHierarchy& tree = hierarchy_;
        data_ = rows_->ToRecordset(tree.LevelCount(), [&tree](const std::string& kind) { return tree.Path(kind); });
        wrapper_->SetSourceRst(data_);
    }
    wrapper_->ListByCell(cell);
}

} // namespace Quarn_DuzAde
