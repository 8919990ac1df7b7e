#include "quarn/cube/RPendingCashFlow.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/CubeSource.hpp"
#include "host/cube/Dimension.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeParamPayQ.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CDebtByDoc.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr const char* kSource = "Quarn_DuzAde::RPendingCashFlow";
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kWeekText = 15101;
constexpr long kDayText = 15103;
constexpr long kLoadWaitText = 22170;
constexpr long kTitleText = 15830;
constexpr long kDirectionText = 15831;
constexpr long kMoneyInText = 15832;
constexpr long kMoneyOutText = 15833;
constexpr long kPersonText = 15834;
constexpr long kClientGroupText = 15835;
constexpr long kClientText = 15836;
constexpr long kExpectedText = 15837;
constexpr long kOpenText = 15838;
constexpr long kDueFromText = 15839;
constexpr long kMarketGroupText = 15840;
constexpr long kNothingText = 15846;
constexpr long kTenDaysText = 15847;
constexpr long kDocumentsMenuText = 15848;
constexpr long kNoGroupText = 15849;
constexpr long kNotGivenText = 15000;

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::string TextOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

bool FlagOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() != 0;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

// Reports an error with the callback it happened in, as the host shows its source.
void ReportFrom(const char* procedure)
{
    ReportErrorFrom(std::string(kSource) + procedure);
}

} // namespace

RPendingCashFlow::~RPendingCashFlow()
{
    if (wrapper_) wrapper_->Terminate();
}

bool RPendingCashFlow::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    try {
        if (!Prepare(inParams)) return false;
        if (!Visual()) return false;
        Talvex::OpenCubeForm(shared_from_this(), "RPendingCashFlow");
    } catch (...) {
        ReportFrom(".Run");
    }
    return false;
}

bool RPendingCashFlow::Prepare(FieldList& inParams)
{
    params_ = std::make_shared<FieldList>(inParams);
    book_.reset();
    if (params_->ExistsField("Book"))
        book_ = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
    if (!book_) return false;
    auto add = [this](const char* name, FieldType typeCode, Value value) {
        if (!params_->ExistsField(name)) params_->Add(name, typeCode, std::move(value));
    };
    add("DateBeg", FieldType::kDate, Value(book_->Today()));
    add("Direction", FieldType::kInteger, Value(std::int64_t{0}));
    add("MarketGroup", FieldType::kCode, Value(std::string()));
    add("MarketGroupSelType", FieldType::kInteger, Value(std::int64_t{0}));
    add("IncludeCPAY", FieldType::kFlag, Value(0));
    add("CenterBranch", FieldType::kFlag, Value(0));
    add("ContractType", FieldType::kCode, Value(std::string()));
    add("IncludeDimWeek", FieldType::kFlag, Value(0));
    // Marks the run as the cube's: the list reads the terms the cube shows.
    add("CubeForVR", FieldType::kFlag, Value(1));
    return true;
}

PendingCashFlowParams RPendingCashFlow::ParamsOf() const
{
    const FieldList& p = *params_;
    PendingCashFlowParams out;
    const Value& day = p.Item("DateBeg").GetValue();
    if (day.IsNull() || day.IsEmpty()) throw Talvex::ValueError("DateBeg: no day the terms are due from");
    out.dateBeg = day.ToDate();
    const Value& direction = p.Item("Direction").GetValue();
    out.direction = direction.IsNull() || direction.IsEmpty() ? 0 : static_cast<long>(direction.ToInteger());
    if (out.direction < 0 || out.direction > 2)
        throw Talvex::ValueError("Direction: " + std::to_string(out.direction) + " is none of 0 (both), 1 (out), 2 (in)");
    // A selection type of 0 means every client, whatever group is remembered.
    const Value& selType = p.Item("MarketGroupSelType").GetValue();
    const bool byGroup = selType.IsNull() || selType.IsEmpty() ? true : selType.ToInteger() != 0;
    if (byGroup) out.marketGroup = TextOf(p, "MarketGroup");
    out.includeCPAY = FlagOf(p, "IncludeCPAY");
    out.centerBranch = FlagOf(p, "CenterBranch");
    out.contractType = TextOf(p, "ContractType");
    out.includeDimWeek = FlagOf(p, "IncludeDimWeek");
    return out;
}

std::vector<PendingTerm> RPendingCashFlow::ReadTerms(const std::shared_ptr<Talvex::Book>& book,
                                                     const PendingCashFlowParams& params)
{
    CDebtByDoc debt;
    debt.Init(book);
    auto list = debt.DebtByNeedPayDate(params.dateBeg, params.direction, params.marketGroup, false,
                                       params.includeCPAY, params.centerBranch, params.contractType, true);
    // Terms paid in full expect nothing: most terms of a company are, so they are not read.
    list->SetFilter(Talvex::SqlTools::AndFilter(list->Filter(), "Doc.DebtSumma <> 0"));
    list->Refresh();
    auto rs = list->Recordset();
    auto index = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = index("IDC"), type = index("DocTypeCode"), number = index("Number"),
                      currency = index("CurrencyCode"), due = index("DocumentDate"), rest = index("RestPaySum"),
                      person = index("ResponsPerson"), group = index("ClientGroup"), name = index("Name");
    // One direction brings its open sum as it is; both bring the two columns of which one is
    // zero, what we owe negated: taken back, so that a term reads as the debt it is (a credit
    // note's negative sum stays negative).
    const bool both = params.direction == 0;
    const std::size_t accSell = index(both ? "AccNeedPaySumSell" : "AccNeedPaySum");
    const std::size_t accBuy = both ? index("AccNeedPaySumBuy") : accSell;

    std::vector<PendingTerm> terms;
    terms.reserve(rs->ViewRows().size());
    for (std::size_t row : rs->ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs->StoredValue(row, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        auto money = [&](std::size_t field) { return at(field).IsNull() ? Currency() : at(field).ToCurrency(); };
        PendingTerm t;
        t.idc = at(idc).IsNull() ? 0 : at(idc).ToInteger();
        t.docTypeCode = text(type);
        t.number = text(number);
        t.currencyCode = text(currency);
        t.dueDate = at(due).IsNull() ? Date() : at(due).ToDate();
        t.rest = money(rest);
        t.accRest = both ? money(accSell) - money(accBuy) : money(accSell);
        t.person = text(person);
        t.clientGroup = text(group);
        t.client = text(name);
        terms.push_back(std::move(t));
    }
    return terms;
}

PendingFlowTexts RPendingCashFlow::Texts()
{
    return {Res(kMoneyInText), Res(kMoneyOutText), Res(kNoGroupText), Res(kNotGivenText)};
}

PendingFlowRows RPendingCashFlow::Compute(const std::shared_ptr<Talvex::Book>& book, const PendingCashFlowParams& params)
{
    return PendingFlowRows(ReadTerms(book, params), Texts());
}

void RPendingCashFlow::DefineCube(Engine& engine, bool withWeeks)
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();

    Dims& dims = engine.Dims();
    dims.Add("Direction", Res(kDirectionText));
    dims.Add("ResponsPerson", Res(kPersonText));
    dims.Add("ClientGroup", Res(kClientGroupText));
    dims.Add("Client", Res(kClientText));
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    if (withWeeks) dims.AddCalculated("Week", "DocumentDate", PeriodLevel::Week, Res(kWeekText));
    dims.AddCalculated("Dec", "DocumentDate", PeriodLevel::Dec, Res(kTenDaysText));
    dims.AddCalculated("Day", "DocumentDate", PeriodLevel::Day, Res(kDayText));

    for (const char* name : {"AccNeedPaySum", "RestPaySum"})
        engine.BaseFacts().Add(name);
    engine.Facts().Add("AccNeedPaySum", Res(kExpectedText));
    engine.Facts().Add("RestPaySum", Res(kOpenText));
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;

    // The first layout: the directions down the rows, the due years across (a month level
    // alone would put the Januaries of two years together).
    dims.Item("Direction").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RPendingCashFlow::CubeCaption(const PendingCashFlowParams& params) const
{
    std::string caption = Res(kTitleText) + ", " + Res(kDueFromText) + " " + params.dateBeg.ToIso();
    if (params.direction != 0) caption += ", " + Res(params.direction == 1 ? kMoneyOutText : kMoneyInText);
    if (!params.marketGroup.empty()) caption += ", " + Res(kMarketGroupText) + " " + params.marketGroup;
    return caption;
}

std::shared_ptr<FieldList> RPendingCashFlow::FieldsAttr() const
{
    auto attrs = std::make_shared<FieldList>();
    auto add = [&](const std::string& name, FieldType type, const std::string& caption) {
        attrs->Add(name, type).SetCaption(caption);
    };
    add("Direction", FieldType::kText, Res(kDirectionText));
    add("ResponsPerson", FieldType::kText, Res(kPersonText));
    add("ClientGroup", FieldType::kCode, Res(kClientGroupText));
    add("Client", FieldType::kText, Res(kClientText));
    add("DocumentDate", FieldType::kDate, Res(kDayText));
    add("AccNeedPaySum", FieldType::kAmount, Res(kExpectedText));
    add("RestPaySum", FieldType::kAmount, Res(kOpenText));
    add("IDC", FieldType::kId, "IDC");
    add("DocTypeCode", FieldType::kCode, "Type");
    add("Number", FieldType::kCode, "Number");
    add("CurrencyCode", FieldType::kCode, "Currency");
    return attrs;
}

void RPendingCashFlow::OnOpenCube(Talvex::CCube& cube)
{
    try {
        fCubeParamPayQ form;
        if (!form.Browse(*params_, Res(kTitleText))) return;
        const PendingCashFlowParams params = ParamsOf();
        {
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            rows_.emplace(Compute(book_, params));
        }
        data_.reset();
        if (wrapper_) wrapper_->Terminate();
        wrapper_.reset();
        if (rows_->Empty()) {
            Talvex::Ui::MessageBox().Show(Res(kNothingText) + " " + params.dateBeg.ToIso());
            return;
        }
        Engine& engine = cube.cube();
        DefineCube(engine, params.includeDimWeek);
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(CubeCaption(params));
        data_ = rows_->ToRecordset();
        engine.SetSource(CubeSource::FromRecordset(*data_));
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        auto attrs = FieldsAttr();
        for (std::size_t i = 0; i < attrs->Count(); ++i) {
            const auto& attr = attrs->Item(i);
            wrapper_->ShowFields().Add(attr.Name(), attr.TypeCode()).SetCaption(attr.Caption());
        }
        wrapper_->SetRstFieldsAttr(attrs);
        wrapper_->SetListIsFill(true);
        engine.SetActive(true);
        wrapper_->SetFactVisible();
    } catch (...) {
        ReportFrom(".OnOpenCube");
    }
}

void RPendingCashFlow::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(kTitleText));
        userMenuItems.push_back(Res(kDocumentsMenuText));
    } catch (...) {
        ReportFrom(".OnLoad");
    }
}

void RPendingCashFlow::OnUserMenu(int index)
{
    try {
        if (index == 1) OpenDrillDown(nullptr);
    } catch (...) {
        ReportFrom(".OnUserMenu");
    }
}

void RPendingCashFlow::OnDimMapping(Talvex::CCube& /*cube*/, const Dimension& /*viewDim*/, const Value& /*key*/,
                                    std::string& /*value*/)
{
    // Every member is shown as read: names, not codes.
}

void RPendingCashFlow::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        OpenDrillDown(&cell);
    } catch (...) {
        ReportFrom(".OnFactCellDblClick");
    }
}

void RPendingCashFlow::OpenDrillDown(const GridCell* cell)
{
    if (!wrapper_ || !data_) return;
    // The recordset the cube was built from is the drill-down's too: the documents behind a
    // cell are exactly the terms it adds up.
    wrapper_->SetSourceRst(data_);
    wrapper_->ListByCell(cell);
}

} // namespace Quarn_DuzAde
