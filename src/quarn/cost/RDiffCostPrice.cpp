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
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
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
constexpr long kDocumentsMenuText = 15607;
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

std::string TextOf(const FieldList& params, const char* name)
{
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace

RDiffCostPrice::~RDiffCostPrice()
{
    if (wrapper_) wrapper_->Terminate();
}

void RDiffCostPrice::Main(FieldList& inParams)
{
    try {
        if (!Prepare(inParams)) return;
        Talvex::OpenCubeForm(shared_from_this(), "RDiffCostPrice");
    } catch (...) {
        ReportError();
    }
}

bool RDiffCostPrice::Prepare(FieldList& inParams)
{
    for (const char* name : kRequired) {
        if (!inParams.ExistsField(name)) {
            Talvex::Ui::MessageBox().ShowSingle(FormatMsg(Res(kMissingParamText), {Value(std::string(name))}), "Gerai");
            return false;
        }
    }
    book_ = GetBook(&inParams, false);
    if (!book_) return false;
    params_ = inParams;
    // Read now, so that a bad value is told before any window opens.
    (void)params_.Item("BegDate").GetValue().ToDate();
    (void)params_.Item("EndDate").GetValue().ToDate();
    const Value& percent = params_.Item("Procent").GetValue();
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
                             params_.Item("BegDate").GetValue(), params_.Item("EndDate").GetValue()),
        "oTable.CostSumm <> 0", "oTable.AmountAccount <> 0"};
    const std::string goodCode = TextOf(params_, "GoodCode");
    if (!goodCode.empty())
        conditions.push_back(
            SqlTools::CondByName("oTable.GoodCode", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(goodCode)));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conditions));
    list->OrderBy("D.DocumentDate, oTable.PosNumb");
    return list;
}

void RDiffCostPrice::DefineCube(Engine& engine)
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    engine.Dims().Add("Good", Res(kGoodText));
    engine.Dims().Add("Code", Res(kRowText));
    engine.BaseFacts().Add("CostSumm");
    engine.BaseFacts().Add("AmountAccount");
    engine.Facts().Add("CostSumm", Res(kCostSummText));
    engine.Facts().Add("AmountAccount", Res(kQuantityText));
    engine.Facts().AddCalculated("CostPriceCalc", Res(kCostPriceText), "CostSumm / AmountAccount");
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;
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
    const std::string goodCode = TextOf(params_, "GoodCode");
    return Res(kTitleText) + " " + (goodCode.empty() ? Res(kAllGoodsText) : goodCode) + " " +
           params_.Item("BegDate").GetValue().ToDate().ToIso() + " - " +
           params_.Item("EndDate").GetValue().ToDate().ToIso();
}

void RDiffCostPrice::OnOpenCube(Talvex::CCube& cube)
{
    try {
        Engine& engine = cube.cube();
        DefineCube(engine);
        cube.SetCaption(CubeCaption());
        auto list = CreateSourceList();
        {
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            list->Refresh();
        }
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        wrapper_->SetSourceList(list);
        showFieldsSet_ = false;
        if (!wrapper_->SetDirectDataList(list)) return;
        if (list->Recordset()->RecordCount() == 0) {
            Talvex::Ui::MessageBox().ShowSingle(Res(kNoRowsText), "Gerai");
            return;
        }
        minCost_.reset();
        const Value& given = params_.ExistsField("MinCost") ? params_.Item("MinCost").GetValue() : Value();
        if (!CubeParamInput::Flag(params_, "CalcMinCost") && !given.IsNull() && !given.IsEmpty())
            minCost_ = LowestPrice{given.ToDecimal(), given.ToDouble()};
        else
            minCost_ = MinCostOfRows(*list);
        if (!minCost_) return;
        const Value& percent = params_.Item("Procent").GetValue();
        const Currency tolerance = percent.IsNull() || percent.IsEmpty() ? Currency() : percent.ToCurrency();
        MarkPrices(cube.cube(), *minCost_, BigPriceThreshold(minCost_->exact, tolerance));
        cube.cube().Invalidate();
    } catch (...) {
        ReportError();
    }
}

void RDiffCostPrice::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(kTitleText));
        userMenuItems.push_back(Res(kDocumentsMenuText));
    } catch (...) {
        ReportError();
    }
}

void RDiffCostPrice::OnUserMenu(int index)
{
    try {
        if (index == 1) OpenDrillDown(nullptr);
    } catch (...) {
        ReportError();
    }
}

void RDiffCostPrice::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        OpenDrillDown(&cell);
    } catch (...) {
        ReportError();
    }
}

void RDiffCostPrice::OpenDrillDown(const GridCell* cell)
{
    if (!wrapper_) return;
    if (!showFieldsSet_) {
        wrapper_->CrShowFieldsByDoc();
        const auto& own = wrapper_->SourceList()->Fields();
        for (const char* name : {"PosNumb", "Good", "AmountAccount", "CostPrice", "CostSumm"}) {
            Talvex::Field& shown = wrapper_->ShowFields().Add(name, own.Item(name).TypeCode());
            shown.SetCaption(own.Item(name).Caption());
        }
        showFieldsSet_ = true;
    }
    wrapper_->ListByCell(cell);
}

} // namespace Quarn_DuzAde
