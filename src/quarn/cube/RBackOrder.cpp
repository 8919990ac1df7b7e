#include "quarn/cube/RBackOrder.hpp"

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
#include "quarn/cube/fCubeParamBackOrder.hpp"
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
constexpr long kDepartmentText = 15012;
constexpr long kFromText = 15057;
constexpr long kToText = 15058;
constexpr long kDayText = 15103;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kFrameText = 15160;
constexpr long kGoodText = 15161;
constexpr long kClientText = 15162;
constexpr long kOrderedText = 15163;
constexpr long kDeliveredText = 15164;
constexpr long kOwedText = 15165;
constexpr long kOwedSumText = 15166;
constexpr long kLoadWaitText = 22170;
constexpr long kDocumentsText = 15167;
constexpr long kNothingText = 15690;

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

RBackOrder::~RBackOrder()
{
    if (wrapper_) wrapper_->Terminate();
}

void RBackOrder::Main(FieldList& params)
{
    try {
        if (!Prepare(params)) return;
        Talvex::OpenCubeForm(shared_from_this(), "RBackOrder");
    } catch (...) {
        ReportError();
    }
}

bool RBackOrder::Prepare(FieldList& params)
{
    params_ = std::make_shared<FieldList>(params);
    book_.reset();
    if (params_->ExistsField("Book"))
        book_ = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
    if (!book_) return false;
    OLAP::AddDefaultSaleParams(*params_);
    departments_.Load(*book_, "REFDepartment");
    return true;
}

Talvex::Date RBackOrder::DateParam(const char* name) const
{
    const Value& v = params_->Item(name).GetValue();
    if (!v.IsDate() && !v.IsText()) throw Talvex::ValueError(std::string(name) + ": the parameter is not a date");
    return v.ToDate();
}

std::shared_ptr<DataList> RBackOrder::CreateList() const
{
    Talvex::Book& book = *book_;
    const Value end(DateParam("DateEnd"));
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));

    // Sales orders of the period with their lines.
    auto orders = book.CreateList("THDocument");
    orders->Fields().SelectFields({});
    orders->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate,
                                                     Talvex::SqlOperator::kBetween, Value(DateParam("DateBeg")), end),
                                "oTable.IsPosted = 1", "oTable.DocTypeCode = N'PRS'"}));
    orders->Join(NoColumns(book.CreateList("THGoodSpec")), "gs", "oTable.IDC = gs.DocID", 0, 0);
    orders->Join(NoColumns(book.CreateList("REFGood")), "g", "gs.GoodCode = g.Code", 0, 0);
    orders->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                 "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    orders->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*orders, "DocumentDate", "CurrencyCode");

    // Delivered: what the posted invoices written by the period's end took from the line, and
    // what consignment documents placed at the customer's ("PN": the goods left the store).
    const std::string delivered =
        "ISNULL((SELECT SUM(oc.AmountAccount) FROM THGoodContent oc JOIN THGoodSpec os ON os.IDC = oc.SpecID "
        "JOIN THDocument od ON od.IDC = os.DocID WHERE oc.CorSpecID = gs.IDC AND ((oc.LinkKindCode = 'OR' "
        "AND od.DocTypeCode = N'PRSF') OR (oc.LinkKindCode = 'PN' AND od.DocTypeCode = N'POSF')) "
        "AND od.IsPosted = 1 AND od.DocumentDate <= " +
        SqlTools::Literal(FieldType::kDate, end) + "),0)";
    auto& f = orders->Fields();
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("GoodName", FieldType::kLongText, "g.Code + ':' + g.Name").SetCaption(Res(kGoodText));
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(oTable.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("PAmount", FieldType::kQuantity, "gs.AmountAccount").SetCaption(Res(kOrderedText));
    f.AddField("FAmount", FieldType::kQuantity, delivered).SetCaption(Res(kDeliveredText));
    // The order's price of what is still owed, in the accounting currency.
    f.AddField(
         "SummaAcc", FieldType::kAmount,
         rates.ConvertExpr("CurrencyCode", "COALESCE(gs.Summa / NULLIF(gs.AmountAccount,0),0) * (gs.AmountAccount - " +
                                               delivered + ")"))
        .SetCaption(Res(kOwedSumText));
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");

    // Only the lines still owed.
    auto open = book.CreateList("");
    open->SetSource(orders, "oTable", 0);
    open->SetFilter("oTable.PAmount > oTable.FAmount");
    return open;
}

void RBackOrder::DefineCube(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    Dims& dims = engine.Dims();
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Day", "DocumentDate", PeriodLevel::Day, Res(kDayText));
    dims.Add("GoodName", Res(kGoodText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Client", Res(kClientText));
    for (auto [name, caption] : {std::pair{"FAmount", kDeliveredText}, {"PAmount", kOrderedText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    engine.Facts().AddCalculated("Amount", Res(kOwedText), "PAmount - FAmount");
    engine.BaseFacts().Add("SummaAcc");
    engine.Facts().Add("SummaAcc", Res(kOwedSumText));
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;
    // The first layout: clients and their goods down the rows, years across.
    dims.Item("Client").MoveTo(Axis::Rows, 0);
    dims.Item("GoodName").MoveTo(Axis::Rows, 1);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RBackOrder::CubeCaption() const
{
    return Res(kFrameText) + " " + Res(kFromText) + " " + DateParam("DateBeg").ToIso() + " " + Res(kToText) + " " +
           DateParam("DateEnd").ToIso();
}

void RBackOrder::OnOpenCube(Talvex::CCube& cube)
{
    try {
        fCubeParamBackOrder form;
        if (!form.Browse(&cube.Parent(), *params_, Res(kFrameText))) return;
        DefineCube(cube.cube());
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(CubeCaption());
        {
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            list_ = CreateList();
        }
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        wrapper_->SetSourceList(list_);
        wrapper_->CrShowFieldsByDoc();
        for (const char* name : {"Client", "GoodName"}) {
            const Talvex::Field& own = list_->Fields().Item(name);
            wrapper_->ShowFields().Add(name, own.TypeCode()).SetCaption(own.Caption());
        }
        wrapper_->SetDirectDataList(list_);
        wrapper_->SetSourceList(list_);
        OLAP::TellWhenEmpty(*list_, kNothingText, *params_);
    } catch (...) {
        ReportError();
    }
}

void RBackOrder::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(kFrameText));
        userMenuItems.push_back(Res(kDocumentsText));
    } catch (...) {
        ReportError();
    }
}

void RBackOrder::OnDimMapping(Talvex::CCube& /*cube*/, const Dimension& viewDim, const Value& key, std::string& value)
{
    try {
        if (viewDim.Name().find("Department") != std::string::npos)
            value = departments_.Text(key.IsNull() || key.IsEmpty() ? std::string() : key.ToText(), ":");
    } catch (...) {
        ReportError();
    }
}

void RBackOrder::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        if (wrapper_) wrapper_->ListByCell(&cell);
    } catch (...) {
        ReportError();
    }
}

void RBackOrder::OnUserMenu(int index)
{
    try {
        if (index == 1 && wrapper_) wrapper_->ListByCell();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
