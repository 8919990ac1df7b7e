#include "quarn/cube/RPurchaseBigPrice.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/cost/RDiffCostPrice.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/cube/CubeSrcList.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeParamPurchaseBigPrice.hpp"
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

constexpr long kMissingText = 15000;
constexpr long kGoodText = 15001;
constexpr long kQuantityText = 15005;
constexpr long kDepartmentText = 15012;
constexpr long kSumText = 15023;
constexpr long kDayText = 15103;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kSupplierText = 15601;
constexpr long kMinPriceText = 15603;
constexpr long kTitleText = 15760;
constexpr long kLowestMarkText = 15761;
constexpr long kWithinMarkText = 15762;
constexpr long kAboveMarkText = 15764;
constexpr long kPersonText = 15765;
constexpr long kMinSummaText = 15767;
constexpr long kPriceText = 15768;
constexpr long kVarProcText = 15777;
constexpr long kSummDiffText = 15778;
constexpr long kMarkText = 15779;
constexpr long kCostPricesMenuText = 15780;
constexpr long kChooseGoodText = 15781;
constexpr long kNothingText = 15782;
constexpr long kGoodCodeText = 15783;
constexpr long kLoadWaitText = 22170;

// Light green and light pink, as the host's RGB(r, g, b): 0x00BBGGRR.
constexpr std::uint32_t kLowestBack = 204 | (255 << 8) | (204 << 16);
constexpr std::uint32_t kAboveBack = 255 | (225 << 8) | (225 << 16);

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

RPurchaseBigPrice::RPurchaseBigPrice() : CubeReport(kTitleText) {}

RPurchaseBigPrice::~RPurchaseBigPrice() = default;

void RPurchaseBigPrice::Main(FieldList& params)
{
    OpenWindow("RPurchaseBigPrice", [&] { return Prepare(params); });
}

void RPurchaseBigPrice::Test(std::shared_ptr<Talvex::Book> book)
{
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(std::move(book))));
    Main(params);
}

bool RPurchaseBigPrice::Prepare(FieldList& params)
{
    if (!TakeParams(params, true)) return false;
    AddYearDefaults();
    AddGoodsDefaults();
    // A tenth above the lowest price is what a buyer usually lets pass.
    AddDefault("Procent", FieldType::kAmount, Value(Currency::FromInteger(10)));
    LoadDepartments();
    return true;
}

std::shared_ptr<DataList> RPurchaseBigPrice::CreateList() const
{
    Talvex::Book& book = *book_;
    const std::string goodCode = CubeParamInput::Text(*params_, "GoodCode");
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));

    auto list = book.CreateList("THGoodSpec");
    list->Fields().SelectFields({});
    list->Join(NoColumns(book.CreateList("THDocument")), "d", "oTable.DocID = d.IDC", 0, 0);
    if (!goodCode.empty()) {
        auto tree = NoColumns(book.CreateList("REFGoodT"));
        tree->Params().Item("Node").SetValue(Value(goodCode));
        list->Join(tree, "GT", "oTable.GoodCode = GT.Code", 0, 0);
    }
    list->Join(NoColumns(book.CreateList("REFGood")), "g", "oTable.GoodCode = g.Code", 0, 0);
    list->Join(NoColumns(book.CreateList("REFGoodUnit")), "gu", "g.Code = gu.GoodCode AND gu.IsAccount = 1", 1, 0);
    list->Join(NoColumns(book.CreateList("THPartyAttribute")), "p", "d.IDC = p.DocID and p.RolePartyCode = N'PAR'", 1,
               0);
    list->Join(NoColumns(book.CreateList("REFClient")), "cl", "p.PartyCode = cl.Code", 1, 0);
    list->Join(NoColumns(book.CreateList("REFPerson")), "pr", "d.Author = pr.UserID", 1, 0);

    FieldList& f = list->Fields();
    f.AddField("IDC", FieldType::kId, "d.IDC");
    f.AddField("DocTypeCode", FieldType::kCode, "d.DocTypeCode");
    f.AddField("Number", FieldType::kCode, "d.Number");
    f.AddField("DocumentDate", FieldType::kDate, "d.DocumentDate");
    f.AddField("PosNumb", FieldType::kInteger, "oTable.PosNumb");
    f.AddField("Department", FieldType::kCode, "UPPER(ISNULL(d.Department, " + missing + "))");
    f.AddField("Person", FieldType::kLongText,
               "ISNULL(pr.Code + ':' + pr.LastName + ' ' + pr.FirstName, " + missing + ")");
    f.AddField("Client", FieldType::kLongText, "ISNULL(cl.Code + ':' + cl.Name, " + missing + ")");
    f.AddField("GoodCode", FieldType::kCode, "g.Code");
    f.AddField("GoodName", FieldType::kLongText, "g.Name");
    f.AddField("UnitCode", FieldType::kCode, "ISNULL(gu.UnitCode, oTable.UnitCode)");
    f.AddField("AmountAccount", FieldType::kQuantity, "oTable.AmountAccount");
    f.AddField("CostSumm", FieldType::kAmount, "oTable.CostSumm");

    // A row without cost or quantity has no unit cost to set against the others.
    list->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {"d.DocTypeCode = N'PISF'", "d.IsPosted = 1",
                                SqlTools::CondByName("d.DocumentDate", FieldType::kDate, Talvex::SqlOperator::kBetween,
                                                     Value(DateParam("DateBeg")), Value(DateParam("DateEnd"))),
                                "oTable.CostSumm <> 0", "oTable.AmountAccount <> 0"}));
    list->OrderBy("d.DocumentDate, d.IDC, oTable.PosNumb");
    return list;
}

std::vector<PurchaseLineRow> RPurchaseBigPrice::ReadRows() const
{
    auto list = CreateList();
    list->Refresh();
    auto rs = list->Recordset();
    auto index = [&rs](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = index("IDC"), type = index("DocTypeCode"), number = index("Number"),
                      date = index("DocumentDate"), pos = index("PosNumb"), dep = index("Department"),
                      person = index("Person"), client = index("Client"), good = index("GoodCode"),
                      name = index("GoodName"), unit = index("UnitCode"), amount = index("AmountAccount"),
                      cost = index("CostSumm");
    std::vector<PurchaseLineRow> rows;
    rows.reserve(rs->ViewRows().size());
    for (std::size_t row : rs->ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs->StoredValue(row, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        PurchaseLineRow r;
        r.idc = at(idc).ToInteger();
        r.docTypeCode = text(type);
        r.number = text(number);
        r.documentDate = at(date).ToDate();
        r.posNumb = at(pos).ToInteger();
        r.department = text(dep);
        r.person = text(person);
        r.client = text(client);
        r.goodCode = text(good);
        r.goodName = text(name);
        r.unitCode = text(unit);
        r.amountAccount = at(amount).ToCurrency();
        r.costSumm = at(cost).ToCurrency();
        rows.push_back(std::move(r));
    }
    return rows;
}

PurchasePriceMarks RPurchaseBigPrice::Compute(const std::vector<PurchaseLineRow>& rows) const
{
    return PurchasePriceMarks(rows, params_->Item("Procent").GetValue().ToCurrency());
}

std::vector<std::string> RPurchaseBigPrice::MarkTexts() const
{
    const Value percent(params_->Item("Procent").GetValue().ToCurrency().ToString());
    // The leading digit keeps the marks in their order among the members.
    return {"1 " + Res(kLowestMarkText), "2 " + FormatMsg(Res(kWithinMarkText), {percent}),
            "3 " + FormatMsg(Res(kAboveMarkText), {percent})};
}

void RPurchaseBigPrice::DefineCube(Engine& engine)
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("DocumentDate", Res(kDayText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.Add("Department", Res(kDepartmentText), 2);
    dims.Add("Person", Res(kPersonText));
    dims.Add("Client", Res(kSupplierText));
    dims.Add("Code", Res(kGoodCodeText));
    dims.Add("Good", Res(kGoodText));
    dims.Add("Ind", Res(kMarkText));

    Facts& facts = engine.Facts();
    AddSummedFacts(engine, {{"AmountAccount", kQuantityText}, {"CostSumm", kSumText}, {"MinSumma", kMinSummaText}});
    facts.AddCalculated("Price", Res(kPriceText), FormatMsg("%0/%1", {Value("CostSumm"), Value("AmountAccount")}));
    facts.AddCalculated("MinPrice", Res(kMinPriceText),
                        FormatMsg("%0/%1", {Value("MinSumma"), Value("AmountAccount")}));
    facts.AddCalculated("VarProc", Res(kVarProcText),
                        FormatMsg("(%0 / %1)*100-100", {Value("Price"), Value("MinPrice")}));
    facts.AddCalculated("SummDiff", Res(kSummDiffText), FormatMsg("%0 - %1", {Value("CostSumm"), Value("MinSumma")}));
    ShowAllFacts(engine);

    // The first layout: the marks down the rows, each with its suppliers under it.
    dims.Item("Ind").MoveTo(Axis::Rows, 0);
    dims.Item("Client").MoveTo(Axis::Rows, 1);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RPurchaseBigPrice::CubeCaption() const
{
    std::string caption = Title();
    const std::string goodCode = TextParam("GoodCode");
    if (!goodCode.empty()) caption += " " + goodCode;
    return caption + " " + PeriodSpan() + " (" + params_->Item("Procent").GetValue().ToCurrency().ToString() + "%)";
}

void RPurchaseBigPrice::Open(Talvex::CCube& cube)
{
    fCubeParamPurchaseBigPrice form;
    if (!form.Browse(*params_, Title())) return;
    std::vector<PurchaseLineRow> lines;
    {
        Talvex::Ui::CWaitInfo wait;
        wait.Show(OLAP::ResString(kLoadWaitText));
        lines = ReadRows();
    }
    rows_ = Compute(lines).ToRecordset(MarkTexts());

    Engine& engine = cube.cube();
    DefineCube(engine);
    engine.AttachRecordset(*rows_);
    ShowDefined(cube, CubeCaption());

    auto attrs = std::make_shared<FieldList>();
    for (auto [name, type, caption] : {std::tuple{"DocumentDate", FieldType::kDate, kDayText},
                                       {"Department", FieldType::kCode, kDepartmentText},
                                       {"Person", FieldType::kLongText, kPersonText},
                                       {"Client", FieldType::kLongText, kSupplierText},
                                       {"Code", FieldType::kCode, kGoodCodeText},
                                       {"Good", FieldType::kLongText, kGoodText},
                                       {"Ind", FieldType::kLongText, kMarkText}})
        attrs->Add(name, type).SetCaption(Res(caption));
    listDialog_.reset();
    listForm_.reset();
    COLAPCubeExt2& wrapper = ShowRows(cube, rows_, attrs);

    // The excess over the lowest price is shown pink beyond the tolerance, green at none.
    for (auto [style, back] : {std::pair{"MinPrice", kLowestBack}, {"BigPrice", kAboveBack}})
        if (!engine.Styles().Exists(style)) engine.Styles().Add(style).BackColor = back;
    wrapper.SetUserStyleComparCondition("MinPrice", Currency(), Condition::Equal, "VarProc");
    wrapper.SetUserStyleComparCondition("BigPrice", params_->Item("Procent").GetValue().ToCurrency(),
                                        Condition::Greater, "VarProc");
    OLAP::TellWhenEmpty(*rows_, kNothingText, *params_);
}

void RPurchaseBigPrice::AddMenuItems(std::vector<std::string>& items)
{
    items.push_back(Res(kCostPricesMenuText));
}

void RPurchaseBigPrice::OnMenu(int index)
{
    if (index == 2) OpenCostPrices();
}

std::string RPurchaseBigPrice::Filter()
{
    return wrapper_ ? wrapper_->Filter() : std::string();
}

std::string RPurchaseBigPrice::FltrInfo()
{
    return wrapper_ ? wrapper_->FltrInfo() : std::string();
}

std::string RPurchaseBigPrice::PeriodFltrInfo()
{
    return wrapper_ ? wrapper_->PeriodFltrInfo() : std::string();
}

std::string RPurchaseBigPrice::Caption()
{
    return Title();
}

void RPurchaseBigPrice::OpenDrillDown(const GridCell* cell)
{
    if (!wrapper_ || !rows_) return;
    wrapper_->ParseCell(cell);
    if (showFields_.Count() == 0) {
        for (auto [name, type, caption] : {std::tuple{"IDC", FieldType::kId, 0L},
                                           {"DocTypeCode", FieldType::kCode, 0L},
                                           {"Number", FieldType::kCode, 0L},
                                           {"DocumentDate", FieldType::kDate, kDayText},
                                           {"PosNumb", FieldType::kInteger, 0L},
                                           {"Client", FieldType::kLongText, kSupplierText},
                                           {"Good", FieldType::kLongText, kGoodText},
                                           {"AmountAccount", FieldType::kQuantity, kQuantityText},
                                           {"CostSumm", FieldType::kAmount, kSumText},
                                           {"MinSumma", FieldType::kAmount, kMinSummaText},
                                           {"Ind", FieldType::kLongText, kMarkText}}) {
            Talvex::Field& field = showFields_.Add(name, type);
            if (caption) field.SetCaption(Res(caption));
        }
    }
    if (!listDialog_) {
        listForm_ = std::make_shared<CubeSrcList>();
        auto params = std::make_shared<FieldList>();
        // The dialog refers to the report without owning it: the report owns the dialog.
        params->Add("Parent", FieldType::kObject,
                    Value(std::shared_ptr<Talvex::Object>(std::shared_ptr<Talvex::Object>(),
                                                          static_cast<Talvex::Object*>(this))));
        params->Add("IsDataChange", FieldType::kInteger, Value(0));
        params->Add("FieldNameDocID", FieldType::kCode, Value("IDC"));
        params->Add("FieldNameDocTypeCode", FieldType::kCode, Value("DocTypeCode"));
        listDialog_ = std::make_unique<Talvex::Ui::BaseDialog>();
        const Value param{std::shared_ptr<Talvex::Object>(params)};
        listDialog_->Init(*listForm_, book_->CreateDocList("THDocument"), param);
        if (!static_cast<CubeSrcList*>(listForm_.get())->Init(*listDialog_, param))
            throw Talvex::ValueError("ListByCell: the list form did not take its parameters");
    }
    if (listForm_->IsVisible()) listForm_->Hide();
    listDialog_->RunForm(false, false, wrapper_->cube() ? &wrapper_->cube()->Parent() : nullptr);
}

void RPurchaseBigPrice::OpenCostPrices()
{
    if (!wrapper_) return;
    const std::string goodCode = wrapper_->DimValOnfocusedCellExt("Code");
    if (goodCode.empty()) {
        Talvex::Ui::MessageBox().Show(Res(kChooseGoodText));
        return;
    }
    // The cost prices of the goods over the same period and tolerance, the lowest price
    // taken from the rows it shows: they are this cube's rows of that goods.
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book_)));
    params.Add("BegDate", FieldType::kDate, Value(DateParam("DateBeg")));
    params.Add("EndDate", FieldType::kDate, Value(DateParam("DateEnd")));
    params.Add("GoodCode", FieldType::kCode, Value(goodCode));
    params.Add("Procent", FieldType::kAmount, params_->Item("Procent").GetValue());
    params.Add("CalcMinCost", FieldType::kFlag, Value(1));
    costPrices_ = std::make_shared<RDiffCostPrice>();
    costPrices_->Main(params);
}

} // namespace Quarn_DuzAde
