#include "quarn/cube/RRestAnalysis.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeRestAnalysis.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kGoodText = 15001;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kGroupText = 15120;
constexpr long kTitleText = 15784;
constexpr long kIncomeAmountText = 15785;
constexpr long kIncomeCostText = 15786;
constexpr long kRestAmountText = 15787;
constexpr long kRestCostText = 15788;
constexpr long kFixedAmountText = 15789;
constexpr long kFixedCostText = 15790;
constexpr long kDaysText = 15791;
constexpr long kTurnProcText = 15792;
constexpr long kTurnDaysText = 15794;
constexpr long kNothingText = 15795;
constexpr long kMonthEndText = 15796;
constexpr long kLoadWaitText = 22170;

constexpr const char* kPeriodLevels[] = {"DateEnd", "Month", "Year", "Q"};

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

RRestAnalysis::RRestAnalysis() : CubeReport(kTitleText) {}

void RRestAnalysis::Main(FieldList& inParams)
{
    OpenWindow("RRestAnalysis", [&] { return Prepare(inParams); });
}

bool RRestAnalysis::Prepare(FieldList& inParams)
{
    if (!TakeParams(inParams, true)) return false;
    AddYearDefaults();
    AddGoodsDefaults();
    AddDefault("AmountAsWeight", FieldType::kFlag, Value(0));
    goods_.Load(*book_, "REFGood");
    return true;
}

std::shared_ptr<DataList> RRestAnalysis::CreateList() const
{
    Talvex::Book& book = *book_;
    auto list = book.CreateList("THDocGoodFixLogMonth");
    list->Fields().SelectFields({});
    const std::string goodCode = CubeParamInput::Text(*params_, "GoodCode");
    if (!goodCode.empty()) {
        auto tree = NoColumns(book.CreateList("REFGoodT"));
        tree->Params().Item("Node").SetValue(Value(goodCode));
        list->Join(tree, "GT", "oTable.GoodCode = GT.Code", 0, 0);
    }
    // Quantities in the goods' common unit when asked: the accounting quantity over the
    // unit's rate (a good without a common unit keeps its accounting unit).
    const std::string per = CubeParamInput::Flag(*params_, "AmountAsWeight")
                                ? " / ISNULL((SELECT MAX(cu.Rate) FROM REFGoodUnit cu WHERE cu.GoodCode = "
                                  "oTable.GoodCode AND cu.IsCommon = 1), 1)"
                                : "";
    FieldList& f = list->Fields();
    f.AddField("GoodCode", FieldType::kCode, "oTable.GoodCode");
    f.AddField("DateEnd", FieldType::kDate, "oTable.DateEnd");
    f.AddField("IncomeAmountAccount", FieldType::kQuantity, "oTable.IncomeAmountAccount" + per);
    f.AddField("IncomeCostSumm", FieldType::kAmount, "oTable.IncomeCostSumm");
    f.AddField("AmountAccount", FieldType::kQuantity, "oTable.AmountAccount" + per);
    f.AddField("CostSumm", FieldType::kAmount, "oTable.CostSumm");
    f.AddField("FixedAmountAccount", FieldType::kQuantity, "oTable.FixedAmountAccount" + per);
    f.AddField("FixedCostSumm", FieldType::kAmount, "oTable.FixedCostSumm");
    f.AddField("MonthDays", FieldType::kInteger, "oTable.MonthDays");
    // Every month the period touches: it ends on or after the first day and begins on or
    // before the last.
    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DateEnd", FieldType::kDate, Talvex::SqlOperator::kNotLess,
                              Value(DateParam("DateBeg"))),
         SqlTools::CondByName("DATEADD(day, 1 - oTable.MonthDays, oTable.DateEnd)", FieldType::kDate,
                              Talvex::SqlOperator::kNotGreater, Value(DateParam("DateEnd")))}));
    list->OrderBy("oTable.GoodCode, oTable.DateEnd");
    return list;
}

StockRestRows RRestAnalysis::ReadRows() const
{
    auto list = CreateList();
    list->Refresh();
    auto rs = list->Recordset();
    auto index = [&rs](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t good = index("GoodCode"), dateEnd = index("DateEnd"), inAmount = index("IncomeAmountAccount"),
                      inCost = index("IncomeCostSumm"), restAmount = index("AmountAccount"),
                      restCost = index("CostSumm"), outAmount = index("FixedAmountAccount"),
                      outCost = index("FixedCostSumm"), days = index("MonthDays");
    std::vector<StockMonthRow> rows;
    rows.reserve(rs->ViewRows().size());
    for (std::size_t row : rs->ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs->StoredValue(row, field); };
        // Quantities in another unit may have more decimals than money keeps: rounded to four.
        auto exact = [&](std::size_t field) {
            return at(field).IsNull() ? Currency() : Currency::Parse(at(field).ToInvariantText());
        };
        StockMonthRow r;
        r.goodCode = at(good).ToText();
        r.dateEnd = at(dateEnd).ToDate();
        r.incomeAmount = exact(inAmount);
        r.incomeCost = exact(inCost);
        r.restAmount = exact(restAmount);
        r.restCost = exact(restCost);
        r.fixedAmount = exact(outAmount);
        r.fixedCost = exact(outCost);
        r.monthDays = at(days).ToInteger();
        rows.push_back(std::move(r));
    }

    auto goods = book_->CreateList("REFGood");
    goods->Fields().SelectFields({"Code", "Parent"});
    goods->Refresh();
    auto grs = goods->Recordset();
    const std::size_t code = grs->Fields().Item("Code").Index(), parent = grs->Fields().Item("Parent").Index();
    std::vector<GoodsTreeNode> tree;
    tree.reserve(grs->ViewRows().size());
    for (std::size_t row : grs->ViewRows()) {
        const Value& p = grs->StoredValue(row, parent);
        tree.push_back({grs->StoredValue(row, code).ToText(), p.IsNull() ? std::string() : p.ToText()});
    }
    return StockRestRows(std::move(rows), tree);
}

void RRestAnalysis::DefineCube(Engine& engine, std::size_t levels)
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    std::vector<std::string> goodsDims;
    for (std::size_t level = 1; level <= levels; ++level) {
        goodsDims.push_back("GoodCode" + std::to_string(level));
        dims.Add(goodsDims.back(), Res(kGroupText) + " [" + std::to_string(level) + "]", 2);
    }
    goodsDims.push_back("GoodCode");
    dims.Add("GoodCode", Res(kGoodText), 2);
    dims.Add("DateEnd", Res(kMonthEndText));
    dims.AddCalculated("Month", "DateEnd", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Year", "DateEnd", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DateEnd", PeriodLevel::Q, Res(kQuarterText));

    Facts& facts = engine.Facts();
    AddSummedFacts(engine, {{"IncomeAmountAccount", kIncomeAmountText},
                            {"IncomeCostSumm", kIncomeCostText},
                            {"AmountAccount", kRestAmountText},
                            {"CostSumm", kRestCostText},
                            {"FixedAmountAccount", kFixedAmountText},
                            {"FixedCostSumm", kFixedCostText},
                            {"MonthDays", kDaysText}});
    // A rest is the rest at the end of the cell's last month, not a sum over its months.
    for (const char* rest : {"AmountAccount", "CostSumm"})
        for (const char* level : kPeriodLevels)
            facts.Item(rest).SetDimAggregation(level, DimAggregation::Last);
    // The days of a cell are its months' days once, however many goods it holds.
    for (const auto& goodsDim : goodsDims)
        facts.Item("MonthDays").SetDimAggregation(goodsDim, DimAggregation::Last);
    // The share of the stock available (the rest left and what went out) that went out, and
    // the days the rest left lasts at the pace it went out: rest / out x days.
    facts.AddCalculated(
        "TurnProc", Res(kTurnProcText),
        FormatMsg("100 * %0 /(%1 + %2)", {Value("FixedCostSumm"), Value("CostSumm"), Value("FixedCostSumm")}));
    facts.AddCalculated("TurnDays", Res(kTurnDaysText),
                        FormatMsg("((%0 + %1- %2)/ %2) * %3", {Value("CostSumm"), Value("FixedCostSumm"),
                                                               Value("FixedCostSumm"), Value("MonthDays")}));
    ShowAllFacts(engine);

    // The first layout: the outermost groups down the rows, years across.
    dims.Item(goodsDims.front()).MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RRestAnalysis::CubeCaption() const
{
    std::string caption = Title();
    const std::string goodCode = TextParam("GoodCode");
    if (!goodCode.empty()) caption += " " + goodCode;
    return caption + " " + PeriodSpan();
}

std::string RRestAnalysis::GoodText(const Value& key) const
{
    return goods_.Text(KeyText(key), ": ");
}

std::optional<std::string> RRestAnalysis::MemberText(const std::string& dimName, const Value& key) const
{
    if (dimName.rfind("GoodCode", 0) != 0) return std::nullopt;
    return GoodText(key);
}

void RRestAnalysis::Open(Talvex::CCube& cube)
{
    fCubeRestAnalysis form;
    if (!form.Browse(*params_, Title())) return;
    std::shared_ptr<Talvex::Data::Recordset> rows;
    std::size_t levels = 0;
    {
        Talvex::Ui::CWaitInfo wait;
        wait.Show(OLAP::ResString(kLoadWaitText));
        const StockRestRows stock = ReadRows();
        rows = stock.ToRecordset();
        levels = stock.Levels();
    }
    Engine& engine = cube.cube();
    DefineCube(engine, levels);
    engine.AttachRecordset(*rows);
    ShowDefined(cube, CubeCaption());

    auto attrs = std::make_shared<FieldList>();
    for (std::size_t level = 1; level <= levels; ++level)
        attrs->Add("GoodCode" + std::to_string(level), FieldType::kCode)
            .SetCaption(Res(kGroupText) + " [" + std::to_string(level) + "]");
    attrs->Add("GoodCode", FieldType::kCode).SetCaption(Res(kGoodText));
    attrs->Add("DateEnd", FieldType::kDate).SetCaption(Res(kMonthEndText));
    for (auto [name, caption] : {std::pair{"IncomeAmountAccount", kIncomeAmountText},
                                 {"IncomeCostSumm", kIncomeCostText},
                                 {"AmountAccount", kRestAmountText},
                                 {"CostSumm", kRestCostText},
                                 {"FixedAmountAccount", kFixedAmountText},
                                 {"FixedCostSumm", kFixedCostText}})
        attrs->Add(name, FieldType::kAmount).SetCaption(Res(caption));
    COLAPCubeExt2& wrapper = ShowRows(cube, rows, attrs);
    // The drill-down lists the goods' months with every column of the cube.
    for (const auto& attr : *attrs)
        wrapper.ShowFields().Add(attr->Name(), attr->TypeCode()).SetCaption(attr->Caption());
    wrapper.SetRedTextForNegValue();
    OLAP::TellWhenEmpty(*rows, kNothingText, *params_);
}

} // namespace Quarn_DuzAde
