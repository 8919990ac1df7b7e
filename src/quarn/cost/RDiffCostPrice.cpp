#include "quarn/cost/RDiffCostPrice.hpp"

#include "host/cube/CCube.hpp"
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
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"

#include <cstdio>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kGoodText = 15001;
constexpr long kQuantityText = 15005;
constexpr long kLoadWaitText = 22170;
constexpr long kTitleText = 15770;
constexpr long kRowText = 15771;
constexpr long kCostSummText = 15772;
constexpr long kCostPriceText = 15773;
constexpr long kMissingParamText = 15774;
constexpr long kNoRowsText = 15775;
constexpr long kAllGoodsText = 15776;

constexpr const char* kRequired[] = {"BegDate", "EndDate", "GoodCode", "Procent", "CalcMinCost"};

// Light green and light pink, as the host's RGB(r, g, b): 0x00BBGGRR.
constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return r | (g << 8) | (b << 16);
}
constexpr std::uint32_t kMinPriceBack = Rgb(204, 255, 204);
constexpr std::uint32_t kBigPriceBack = Rgb(255, 225, 225);

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

RDiffCostPrice::RDiffCostPrice() : CubeReport(kTitleText) {}

void RDiffCostPrice::Main(FieldList& inParams)
{
    OpenWindow("RDiffCostPrice", [&] { return Prepare(inParams); });
}

bool RDiffCostPrice::Prepare(FieldList& inParams)
{
    for (const char* name : kRequired) {
        if (!inParams.ExistsField(name)) {
            Talvex::Ui::MessageBox().ShowSingle(FormatMsg(Res(kMissingParamText), {Value(std::string(name))}), "Gerai");
            return false;
        }
    }
    if (!TakeParams(inParams, true)) return false;
    // Read now, so that a bad value is told before any window opens.
    (void)DateParam("BegDate");
    (void)DateParam("EndDate");
    const Value& percent = params_->Item("Procent").GetValue();
    if (!percent.IsNull() && !percent.IsEmpty() && percent.ToCurrency() < Currency())
        throw Talvex::ValueError("Procent: the tolerated excess must be 0 or more");
    return true;
}

std::shared_ptr<DataList> RDiffCostPrice::CreateSourceList() const
{
    Talvex::Book& book = *book_;
    auto list = book.CreateList("THGoodSpec");
    list->Fields().SelectFields({});
    list->Join(NoColumns(book.CreateList("THDocument")), "D", "D.IDC = oTable.DocID", 0, 0);
    list->Join(NoColumns(book.CreateList("REFGood")), "g", "oTable.GoodCode = g.Code", 0, 0);
    list->Join(NoColumns(book.CreateList("REFGoodUnit")), "gu", "g.Code = gu.GoodCode AND gu.IsAccount = 1", 0, 0);

    FieldList& f = list->Fields();
    auto add = [&f](const char* name, FieldType type, const std::string& expression, long caption = 0) {
        Talvex::Field& field = f.AddField(name, type, expression);
        if (caption) field.SetCaption(Res(caption));
    };
    add("Code", FieldType::kLongText,
        "D.DocTypeCode + ' ' + CONVERT(CHAR(10), D.DocumentDate, 102)+', '+D.Number + '/'+ CAST(oTable.PosNumb as "
        "varchar(20)) +': '+ CAST(oTable.AmountAccount as varchar(20)) + ' ' + gu.UnitCode",
        kRowText);
    add("Good", FieldType::kLongText, "g.Code + ': ' + g.Name + ' [' + gu.UnitCode + ']'", kGoodText);
    add("IDC", FieldType::kId, "D.IDC");
    add("DocTypeCode", FieldType::kCode, "D.DocTypeCode");
    add("Number", FieldType::kCode, "D.Number");
    add("DocumentDate", FieldType::kDate, "D.DocumentDate");
    add("PosNumb", FieldType::kInteger, "oTable.PosNumb");
    add("GoodCode", FieldType::kCode, "g.Code");
    add("Amount", FieldType::kQuantity, "oTable.Amount");
    add("AmountAccount", FieldType::kQuantity, "oTable.AmountAccount", kQuantityText);
    add("CostPrice", FieldType::kAmount, "ROUND(oTable.CostSumm / oTable.AmountAccount,4)", kCostPriceText);
    add("CostSumm", FieldType::kAmount, "oTable.CostSumm", kCostSummText);

    std::vector<std::string> conditions = {
        "D.IsPosted = 1", "D.DocTypeCode = N'PISF'",
        SqlTools::CondByName("D.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                             params_->Item("BegDate").GetValue(), params_->Item("EndDate").GetValue()),
        "oTable.CostSumm <> 0", "oTable.AmountAccount <> 0"};
    const std::string goodCode = TextParam("GoodCode");
    if (!goodCode.empty())
        conditions.push_back(
            SqlTools::CondByName("oTable.GoodCode", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(goodCode)));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conditions));
    list->OrderBy("D.DocumentDate, oTable.PosNumb");
    return list;
}

void RDiffCostPrice::DefineCube(Engine& engine)
{
    ClearCube(engine);
    engine.Dims().Add("Good", Res(kGoodText));
    engine.Dims().Add("Code", Res(kRowText));
    engine.BaseFacts().Add("CostSumm");
    engine.BaseFacts().Add("AmountAccount");
    engine.Facts().Add("CostSumm", Res(kCostSummText));
    engine.Facts().Add("AmountAccount", Res(kQuantityText));
    engine.Facts().AddCalculated("CostPriceCalc", Res(kCostPriceText), "CostSumm / AmountAccount");
    ShowAllFacts(engine);
    engine.Dims().Item("Good").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Code").MoveTo(Axis::Rows, 1);
    engine.SetDrillDownLevel(Axis::Rows, -1);
}

std::optional<RDiffCostPrice::LowestPrice> RDiffCostPrice::LowestCostPrice(
    const std::vector<Talvex::Decimal>& costSumm, const std::vector<Talvex::Decimal>& amountAccount)
{
    if (costSumm.size() != amountAccount.size())
        throw Talvex::ValueError("LowestCostPrice: the cost and quantity columns differ in length");
    std::optional<LowestPrice> lowest;
    for (std::size_t i = 0; i < costSumm.size(); ++i) {
        if (amountAccount[i].IsZero()) continue;
        const Talvex::Decimal price = costSumm[i] / amountAccount[i];
        if (!lowest || price < lowest->exact)
            lowest = LowestPrice{price, costSumm[i].ToDouble() / amountAccount[i].ToDouble()};
    }
    return lowest;
}

Currency RDiffCostPrice::BigPriceThreshold(const Talvex::Decimal& minCost, Currency percent)
{
    const Talvex::Decimal hundred = Talvex::Decimal::FromInteger(100);
    return (minCost * (hundred + Talvex::Decimal::FromCurrency(percent)) / hundred).ToCurrency();
}

void RDiffCostPrice::MarkPrices(Engine& engine, const LowestPrice& minCost, Currency threshold)
{
    if (!engine.Styles().Exists("MinPrice")) engine.Styles().Add("MinPrice").BackColor = kMinPriceBack;
    if (!engine.Styles().Exists("BigPrice")) engine.Styles().Add("BigPrice").BackColor = kBigPriceBack;
    Fact& price = engine.Facts().Item("CostPriceCalc");
    price.OwnConditions = true;
    price.Conditions().Clear();
    // The lowest price first: with 0 percent the threshold may round just below it, and the
    // cheapest row must stay green.
    price.Conditions().AddCompareCondition("MinPrice", minCost.inCube, Condition::Equal, true);
    price.Conditions().AddCompareCondition("BigPrice", threshold.ToDouble(), Condition::Greater, true);
}

std::optional<RDiffCostPrice::LowestPrice> RDiffCostPrice::MinCostOfRows(DataList& list) const
{
    auto rs = list.Recordset();
    const std::size_t cost = rs->Fields().Item("CostSumm").Index();
    const std::size_t amount = rs->Fields().Item("AmountAccount").Index();
    std::vector<Talvex::Decimal> costs;
    std::vector<Talvex::Decimal> amounts;
    for (std::size_t row : rs->ViewRows()) {
        costs.push_back(rs->StoredValue(row, cost).ToDecimal());
        amounts.push_back(rs->StoredValue(row, amount).ToDecimal());
    }
    return LowestCostPrice(costs, amounts);
}

std::string RDiffCostPrice::CubeCaption() const
{
    const std::string goodCode = TextParam("GoodCode");
    return Title() + " " + (goodCode.empty() ? Res(kAllGoodsText) : goodCode) + " " + DateParam("BegDate").ToIso() +
           " - " + DateParam("EndDate").ToIso();
}

void RDiffCostPrice::Open(Talvex::CCube& cube)
{
    Engine& engine = cube.cube();
    DefineCube(engine);
    cube.SetCaption(CubeCaption());
    list_ = CreateSourceList();
    {
        Talvex::Ui::CWaitInfo wait;
        wait.Show(OLAP::ResString(kLoadWaitText));
        list_->Refresh();
    }
    COLAPCubeExt2& wrapper = NewWrapper(cube);
    if (!wrapper.SetDirectDataList(list_)) return;
    if (list_->Recordset()->RecordCount() == 0) {
        Talvex::Ui::MessageBox().ShowSingle(Res(kNoRowsText), "Gerai");
        return;
    }
    minCost_.reset();
    const Value& given = params_->ExistsField("MinCost") ? params_->Item("MinCost").GetValue() : Value();
    if (!FlagParam("CalcMinCost") && !given.IsNull() && !given.IsEmpty())
        minCost_ = LowestPrice{given.ToDecimal(), given.ToDouble()};
    else
        minCost_ = MinCostOfRows(*list_);
    if (!minCost_) return;
    const Value& percent = params_->Item("Procent").GetValue();
    const Currency tolerance = percent.IsNull() || percent.IsEmpty() ? Currency() : percent.ToCurrency();
    MarkPrices(engine, *minCost_, BigPriceThreshold(minCost_->exact, tolerance));
    engine.Invalidate();
}

// The cube's own rows are the drill-down's: purchase rows of their documents.
void RDiffCostPrice::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return list_; }, {"PosNumb", "Good", "AmountAccount", "CostPrice", "CostSumm"});
}

} // namespace Quarn_DuzAde
