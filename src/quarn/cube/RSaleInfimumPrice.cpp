#include "quarn/cube/RSaleInfimumPrice.hpp"

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
#include "quarn/cube/fCubeParamSaleInfPrice.hpp"
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
constexpr long kSumText = 15023;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kClientText = 15162;
constexpr long kFrameText = 15190;
constexpr long kPersonText = 15191;
constexpr long kUnitPriceText = 15192;
constexpr long kFloorText = 15193;
constexpr long kLoadWaitText = 22170;
constexpr long kNothingText = 15695;

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

RSaleInfimumPrice::~RSaleInfimumPrice()
{
    if (wrapper_) wrapper_->Terminate();
}

void RSaleInfimumPrice::Main(FieldList& params)
{
    try {
        if (!Prepare(params)) return;
        Talvex::OpenCubeForm(shared_from_this(), "RSaleInfimumPrice");
    } catch (...) {
        ReportError();
    }
}

bool RSaleInfimumPrice::Prepare(FieldList& params)
{
    params_ = std::make_shared<FieldList>(params);
    book_.reset();
    if (params_->ExistsField("Book"))
        book_ = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
    if (!book_) return false;
    OLAP::AddDefaultSaleParams(*params_);
    if (!params_->ExistsField("PriceTypeCode")) params_->Add("PriceTypeCode", FieldType::kCode, Value(std::string()));
    departments_.Load(*book_, "REFDepartment");
    return true;
}

Talvex::Date RSaleInfimumPrice::DateParam(const char* name) const
{
    const Value& v = params_->Item(name).GetValue();
    if (!v.IsDate() && !v.IsText()) throw Talvex::ValueError(std::string(name) + ": the parameter is not a date");
    return v.ToDate();
}

std::shared_ptr<DataList> RSaleInfimumPrice::CreateList() const
{
    Talvex::Book& book = *book_;
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    const Value priceType = params_->Item("PriceTypeCode").GetValue();
    if (priceType.IsNull() || priceType.IsEmpty() || priceType.ToText().empty())
        throw Talvex::ValueError("PriceTypeCode: the price type of the lowest price is not chosen");
    const std::string floorType = SqlTools::Literal(FieldType::kCode, priceType);

    auto lines = book.CreateList("THDocument");
    lines->Fields().SelectFields({});
    lines->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                              Value(DateParam("DateBeg")), Value(DateParam("DateEnd"))),
         "oTable.IsPosted = 1", "oTable.DocTypeCode = N'PRSF'"}));
    lines->Join(NoColumns(book.CreateList("THGoodSpec")), "gs", "oTable.IDC = gs.DocID and gs.AmountAccount > 0", 0, 0);
    lines->Join(NoColumns(book.CreateList("THGoodSpecPRSF")), "gsa",
                "gs.DocID = gsa.DocID and gs.PosNumb = gsa.PosNumb", 0, 0);
    lines->Join(NoColumns(book.CreateList("REFGoodUnit")), "u", "gs.GoodCode = u.GoodCode and u.IsAccount = 1", 0, 0);
    lines->Join(NoColumns(book.CreateList("REFPriceType")), "fpt", "fpt.Code = " + floorType, 0, 0);
    lines->Join(NoColumns(book.CreateList("THPartyAttribute")), "p",
                "oTable.IDC = p.DocID and p.RolePartyCode = N'PIR'", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefClient")), "Cl", "p.PartyCode = Cl.Code", 1, 0);
    lines->Join(NoColumns(book.CreateList("RefPerson")), "Prs", "oTable.Author = Prs.UserID", 1, 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*lines, "DocumentDate", "CurrencyCode");

    // The floor: the type's price in effect on the sale's day for the good's accounting unit in
    // the sale's currency, without VAT when the type's prices include it (at the line's rate).
    const std::string floor = "(SELECT TOP 1 gp.Price FROM REFGoodPrice gp WHERE gp.PriceTypeCode = " + floorType +
                              " AND gp.GoodCode = gs.GoodCode AND gp.UnitCode = u.UnitCode"
                              " AND gp.CurrencyCode = oTable.CurrencyCode AND gp.DateApply <= oTable.DocumentDate"
                              " ORDER BY gp.DateApply DESC) / (CASE WHEN fpt.IsVATIncluded = 1"
                              " THEN 1 + gsa.VATRate / 100 ELSE 1 END)";
    auto& f = lines->Fields();
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(oTable.Department," + missing + "))")
        .SetCaption(Res(kDepartmentText));
    f.AddField("Person", FieldType::kLongText, "ISNULL(Prs.Code + ':' + Prs.LastName," + missing + ")")
        .SetCaption(Res(kPersonText));
    f.AddField("Client", FieldType::kLongText, "ISNULL(Cl.Code + ':' + Cl.Name," + missing + ")")
        .SetCaption(Res(kClientText));
    f.AddField("Summa", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "gs.Summa - gsa.SummVAT"))
        .SetCaption(Res(kSumText));
    f.AddField("UnitPrice", FieldType::kAmount, "(gs.Summa - gsa.SummVAT) / gs.AmountAccount")
        .SetCaption(Res(kUnitPriceText));
    f.AddField("FloorPrice", FieldType::kAmount, floor).SetCaption(Res(kFloorText));
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");

    auto below = book.CreateList("");
    below->SetSource(lines, "oTable", 0);
    below->SetFilter("oTable.UnitPrice < oTable.FloorPrice");
    return below;
}

void RSaleInfimumPrice::DefineCube(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    Dims& dims = engine.Dims();
    dims.Add("DocumentDate");
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Person", Res(kPersonText));
    dims.Add("Client", Res(kClientText));
    engine.BaseFacts().Add("Summa");
    engine.Facts().Add("Summa", Res(kSumText));
    engine.Facts().Item("Summa").FactVisible = true;
    engine.PreGrouping = false;
    // The first layout: departments and their sellers down the rows, months across.
    dims.Item("Department").MoveTo(Axis::Rows, 0);
    dims.Item("Person").MoveTo(Axis::Rows, 1);
    dims.Item("Month").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

void RSaleInfimumPrice::OnOpenCube(Talvex::CCube& cube)
{
    try {
        fCubeParamSaleInfPrice form;
        if (!form.Browse(&cube.Parent(), *params_, Res(kFrameText))) return;
        DefineCube(cube.cube());
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(Res(kFrameText) + " (" + params_->Item("PriceTypeCode").GetValue().ToText() + ") " +
                        DateParam("DateBeg").ToIso() + " - " + DateParam("DateEnd").ToIso());
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
        for (const char* name : {"Client", "UnitPrice", "FloorPrice"}) {
            const Talvex::Field& own = list_->Fields().Item(name);
            wrapper_->ShowFields().Add(name, own.TypeCode()).SetCaption(own.Caption());
        }
        OLAP::TellWhenEmpty(*list_, kNothingText, *params_);
    } catch (...) {
        ReportError();
    }
}

void RSaleInfimumPrice::OnLoad(Talvex::CCube& cube, std::vector<std::string>& /*userMenuItems*/)
{
    try {
        cube.Parent().SetCaption(Res(kFrameText));
    } catch (...) {
        ReportError();
    }
}

void RSaleInfimumPrice::OnDimMapping(Talvex::CCube& /*cube*/, const Dimension& viewDim, const Value& key,
                                     std::string& value)
{
    try {
        if (viewDim.Name() == "Department")
            value = departments_.Text(key.IsNull() || key.IsEmpty() ? std::string() : key.ToText(), ":");
    } catch (...) {
        ReportError();
    }
}

void RSaleInfimumPrice::OnFactCellDblClick(Talvex::CCube& /*cube*/, const GridCell& cell)
{
    try {
        if (wrapper_) wrapper_->ListByCell(&cell);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
