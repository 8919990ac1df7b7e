#include "quarn/cube/CubeReport.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Dimension.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/PeriodHalves.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;

namespace {

constexpr long kGroupCaptionText = 15055;
constexpr long kGoodCaptionText = 15056;
constexpr long kFromText = 15057;
constexpr long kToText = 15058;
constexpr long kLoadWaitText = 22170;

} // namespace

CubeReport::CubeReport(long titleText, long documentsMenuText)
    : titleText_(titleText), documentsMenuText_(documentsMenuText)
{
}

CubeReport::~CubeReport()
{
    if (wrapper_) wrapper_->Terminate();
}

std::string CubeReport::Title() const
{
    return OLAP::ResString(titleText_);
}

// ---------------------------------------------------------------------------------------
// The window's callbacks

void CubeReport::OnOpenCube(Talvex::CCube& cube)
{
    try {
        Open(cube);
    } catch (...) {
        ReportError();
    }
}

void CubeReport::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Title());
        userMenuItems.push_back(OLAP::ResString(documentsMenuText_));
        AddMenuItems(userMenuItems);
    } catch (...) {
        ReportError();
    }
}

void CubeReport::OnUserMenu(int index)
{
    try {
        if (index == 1)
            OpenDrillDown(nullptr);
        else
            OnMenu(index);
    } catch (...) {
        ReportError();
    }
}

void CubeReport::OnDimMapping(Talvex::CCube& /*cube*/, const Talvex::Cube::Dimension& viewDim, const Value& key,
                              std::string& value)
{
    try {
        if (auto text = MemberText(viewDim.Name(), key)) value = std::move(*text);
    } catch (...) {
        ReportError();
    }
}

void CubeReport::OnFactCellDblClick(Talvex::CCube& /*cube*/, const Talvex::Cube::GridCell& cell)
{
    try {
        OpenDrillDown(&cell);
    } catch (...) {
        ReportError();
    }
}

void CubeReport::OpenDrillDown(const Talvex::Cube::GridCell* cell)
{
    if (wrapper_) wrapper_->ListByCell(cell);
}

std::optional<std::string> CubeReport::MemberText(const std::string& dimName, const Value& key) const
{
    if (!departmentsLoaded_ || dimName.find("Department") == std::string::npos) return std::nullopt;
    return departments_.Text(KeyText(key), ":");
}

std::string CubeReport::DimMappingText(const std::string& dimName, const Value& key) const
{
    if (auto text = MemberText(dimName, key)) return *text;
    return KeyText(key);
}

std::string CubeReport::KeyText(const Value& key)
{
    return key.IsNull() || key.IsEmpty() ? std::string() : key.ToText();
}

// ---------------------------------------------------------------------------------------
// Entry and parameters

void CubeReport::OpenWindow(const std::string& key, const std::function<bool()>& prepare)
{
    try {
        if (!prepare()) return;
        Talvex::OpenCubeForm(shared_from_this(), key);
    } catch (...) {
        ReportError();
    }
}

bool CubeReport::TakeParams(const FieldList& inParams, bool hostBook)
{
    params_ = std::make_shared<FieldList>(inParams);
    book_ = hostBook ? GetBook(params_.get(), false) : CubeParamInput::BookOf(*params_);
    if (!book_) return false;
    if (!params_->ExistsField("Book"))
        params_->Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book_)));
    return true;
}

void CubeReport::AddDefault(const char* name, FieldType typeCode, Value value)
{
    if (!params_->ExistsField(name)) params_->Add(name, typeCode, std::move(value));
}

void CubeReport::AddYearDefaults(bool toToday)
{
    const Date today = book_->Today();
    AddDefault("DateBeg", FieldType::kDate, Value(Date(today.Year(), 1, 1)));
    AddDefault("DateEnd", FieldType::kDate, Value(toToday ? today : Date(today.Year(), 12, 31)));
}

void CubeReport::AddGoodsDefaults()
{
    AddDefault("GoodCode", FieldType::kCode, Value(std::string()));
    AddDefault("IsGroup", FieldType::kFlag, Value(0));
}

void CubeReport::LoadDepartments()
{
    departments_.Load(*book_, "REFDepartment");
    departmentsLoaded_ = true;
}

Date CubeReport::DateParam(const char* name) const
{
    if (periodPart_ && std::string_view(name) == "DateBeg") return periodPart_->first;
    if (periodPart_ && std::string_view(name) == "DateEnd") return periodPart_->second;
    const Value& v = params_->Item(name).GetValue();
    if (!v.IsDate() && !v.IsText()) throw Talvex::ValueError(std::string(name) + ": the parameter is not a date");
    return v.ToDate();
}

std::shared_ptr<Talvex::DataList>
CubeReport::ReadPeriodList(const std::function<std::shared_ptr<Talvex::DataList>()>& make)
{
    struct Whole {
        std::optional<std::pair<Date, Date>>& part;
        ~Whole() { part.reset(); }
    } whole{periodPart_};
    return ReadByHalves(DateParam("DateBeg"), DateParam("DateEnd"), [&](Date from, Date to) {
        periodPart_ = {from, to};
        return make();
    });
}

std::string CubeReport::TextParam(const char* name) const
{
    return CubeParamInput::Text(*params_, name);
}

bool CubeReport::FlagParam(const char* name) const
{
    return CubeParamInput::Flag(*params_, name);
}

std::string CubeReport::FromToText() const
{
    return OLAP::ResString(kFromText) + " " + DateParam("DateBeg").ToIso() + " " + OLAP::ResString(kToText) + " " +
           DateParam("DateEnd").ToIso();
}

std::string CubeReport::PeriodSpan() const
{
    return DateParam("DateBeg").ToIso() + " - " + DateParam("DateEnd").ToIso();
}

std::string CubeReport::GoodNodeText() const
{
    const std::string goodCode = TextParam("GoodCode");
    if (goodCode.empty()) return {};
    return " " + OLAP::ResString(FlagParam("IsGroup") ? kGroupCaptionText : kGoodCaptionText) + " " + goodCode;
}

// ---------------------------------------------------------------------------------------
// The cube's data and the companion

void CubeReport::ClearCube(Talvex::Cube::Engine& engine)
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
}

void CubeReport::ShowAllFacts(Talvex::Cube::Engine& engine)
{
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;
}

void CubeReport::AddSummedFacts(Talvex::Cube::Engine& engine,
                                std::initializer_list<std::pair<const char*, long>> facts)
{
    for (const auto& [name, caption] : facts) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, OLAP::ResString(caption));
    }
}

void CubeReport::ShowDefined(Talvex::CCube& cube, const std::string& caption)
{
    cube.VAxis().SetDrillDownLevel(0);
    cube.SetCaption(caption);
}

COLAPCubeExt2& CubeReport::NewWrapper(Talvex::CCube& cube)
{
    drillList_.reset();
    if (wrapper_) wrapper_->Terminate();
    wrapper_ = std::make_shared<COLAPCubeExt2>();
    wrapper_->Init(book_, cube);
    return *wrapper_;
}

COLAPCubeExt2& CubeReport::ShowList(Talvex::CCube& cube, const std::shared_ptr<Talvex::DataList>& list,
                                    long nothingText)
{
    return ShowList(
        cube,
        [&list] {
            list->Refresh();
            return list;
        },
        nothingText);
}

COLAPCubeExt2& CubeReport::ShowList(Talvex::CCube& cube, const std::function<std::shared_ptr<Talvex::DataList>()>& read,
                                    long nothingText)
{
    std::shared_ptr<Talvex::DataList> list;
    {
        // Read here, so that a fault of the statement reaches the user; the companion only
        // attaches the rows read.
        Talvex::Ui::CWaitInfo wait;
        wait.Show(OLAP::ResString(kLoadWaitText));
        list = read();
    }
    COLAPCubeExt2& wrapper = NewWrapper(cube);
    wrapper.SetDirectDataList(list);
    OLAP::TellWhenEmpty(*list, nothingText, *params_);
    return wrapper;
}

COLAPCubeExt2& CubeReport::ShowRows(Talvex::CCube& cube, const std::shared_ptr<Talvex::Data::Recordset>& rows,
                                    std::shared_ptr<FieldList> attrs)
{
    COLAPCubeExt2& wrapper = NewWrapper(cube);
    wrapper.SetSourceRst(rows);
    wrapper.SetRstFieldsAttr(std::move(attrs));
    wrapper.SetListIsFill(true);
    return wrapper;
}

void CubeReport::ListDocuments(const Talvex::Cube::GridCell* cell,
                               const std::function<std::shared_ptr<Talvex::DataList>()>& create,
                               std::initializer_list<const char*> columns)
{
    if (!wrapper_) return;
    if (!drillList_) {
        drillList_ = create();
        wrapper_->SetSourceList(drillList_);
        wrapper_->CrShowFieldsByDoc();
        for (const char* name : columns) {
            const Talvex::Field& own = drillList_->Fields().Item(name);
            wrapper_->ShowFields().Add(name, own.TypeCode()).SetCaption(own.Caption());
        }
    }
    wrapper_->ListByCell(cell);
}

} // namespace Quarn_DuzAde
