#include "quarn/cost/RAllocateCostByDept.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FormRes.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/cost/frmAllocateCostByDept.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/frame/CDBCommand.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kGoodText = 15001;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kTitleText = 15620;
constexpr long kSaleSumText = 15621;
constexpr long kSaleCostText = 15622;
constexpr long kDICostText = 15623;
constexpr long kPICostText = 15624;
constexpr long kVSCostText = 15625;
constexpr long kTotalCostText = 15626;
constexpr long kProfitText = 15627;
constexpr long kProfit2Text = 15628;
constexpr long kProfit2ProcText = 15629;
constexpr long kNothingText = 15630;

constexpr const char* kProcParams[] = {"BegDate", "EndDate", "MFCostCenter", "AccSetCode"};

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

} // namespace

RAllocateCostByDept::RAllocateCostByDept() : CubeReport(kTitleText) {}

void RAllocateCostByDept::Main(FieldList& inParams)
{
    OpenWindow("RAllocateCostByDept", [&] {
        book_ = GetBook(&inParams, false);
        return book_ != nullptr;
    });
}

std::string RAllocateCostByDept::CommandText() const
{
    std::string text = "sp_" + book_->Setting("CompanyCode").ToText() + "$CostAnltDistrib";
    for (std::size_t i = 0; i < std::size(kProcParams); ++i)
        text += " ?,";
    text.pop_back();
    return text;
}

std::shared_ptr<Talvex::Data::Recordset> RAllocateCostByDept::RunProcedure()
{
    // The parameters in the procedure's order, whatever order the form wrote them in.
    FieldList ordered;
    for (const char* name : kProcParams) {
        const Talvex::Field& given = params_->Item(name);
        ordered.Add(name, given.TypeCode(), given.GetValue());
    }
    CDBCommand command;
    command.Init(book_);
    return command.DirectListByProc(CommandText(), ordered);
}

std::shared_ptr<FieldList> RAllocateCostByDept::RowAttributes()
{
    auto attrs = std::make_shared<FieldList>();
    attrs->Add("BegDate", FieldType::kDate).SetCaption(Res(kMonthText));
    attrs->Add("GoodCode", FieldType::kCode).SetCaption(Res(kGoodText));
    attrs->Add("GoodName", FieldType::kText);
    for (auto [name, caption] : {std::pair{"SaleSum", kSaleSumText},
                                 {"SaleCost", kSaleCostText},
                                 {"DICost", kDICostText},
                                 {"PICost", kPICostText},
                                 {"VSCost", kVSCostText}})
        attrs->Add(name, FieldType::kAmount).SetCaption(Res(caption));
    return attrs;
}

void RAllocateCostByDept::DefineCube(Engine& engine)
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("GoodCode", Res(kGoodText), 2);
    dims.Add("BegDate");
    dims.AddCalculated("Year", "BegDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "BegDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "BegDate", PeriodLevel::Month, Res(kMonthText));

    Facts& facts = engine.Facts();
    AddSummedFacts(engine, {{"SaleSum", kSaleSumText},
                            {"SaleCost", kSaleCostText},
                            {"DICost", kDICostText},
                            {"PICost", kPICostText},
                            {"VSCost", kVSCostText}});
    facts.AddCalculated("TotalCost", Res(kTotalCostText),
                        FormatMsg("%0 + %1 + %2", {Value("SaleCost"), Value("DICost"), Value("PICost")}));
    facts.AddCalculated("Profit", Res(kProfitText), FormatMsg("%0 - %1", {Value("SaleSum"), Value("TotalCost")}));
    facts.AddCalculated("Profit2", Res(kProfit2Text), FormatMsg("%0 - %1", {Value("Profit"), Value("VSCost")}));
    facts.AddCalculated("Profit2Proc", Res(kProfit2ProcText),
                        FormatMsg("%0 / %1 * 100", {Value("Profit2"), Value("SaleSum")}));
    ShowAllFacts(engine);

    dims.Item("GoodCode").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RAllocateCostByDept::GoodText(const Value& key) const
{
    return goods_.Text(KeyText(key), ": ");
}

std::optional<std::string> RAllocateCostByDept::MemberText(const std::string& dimName, const Value& key) const
{
    if (dimName != "GoodCode") return std::nullopt;
    return GoodText(key);
}

void RAllocateCostByDept::Open(Talvex::CCube& cube)
{
    if (!frmAllocateCostByDept::Run(book_, *params_)) return;
    if (!goodsLoaded_) {
        goods_.Load(*book_, "REFGood");
        goodsLoaded_ = true;
    }
    Engine& engine = cube.cube();
    engine.SetActive(false);
    engine.PreGrouping = false;
    cube.VAxis().SetDrillDownLevel(0);
    auto rows = RunProcedure();
    if (!rows) return;
    DefineCube(engine);
    engine.AttachRecordset(*rows);
    cube.SetCaption(Title() + " " + params_->Item("BegDate").GetValue().ToDate().ToIso() + " - " +
                    params_->Item("EndDate").GetValue().ToDate().ToIso());
    ShowRows(cube, rows, RowAttributes()).SetRedTextForNegValue();
    if (rows->RecordCount() == 0) Talvex::Ui::MessageBox().Show(Res(kNothingText));
}

} // namespace Quarn_DuzAde
