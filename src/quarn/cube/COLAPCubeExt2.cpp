#include "quarn/cube/COLAPCubeExt2.hpp"

#include "host/cube/CCube.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/Field.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/cube/CubeSrcList.hpp"
#include "quarn/cube/OLAP.hpp"

#include <algorithm>
#include <cmath>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
namespace Cube = Talvex::Cube;

namespace {

constexpr long kWaitText = 22170;
constexpr const char* kNegStyle = "negstyle";
constexpr const char* kZeroStyle = "zerostyle";
constexpr std::uint32_t kRedBack = 0x7878FF;            // RGB(255,120,120)
constexpr std::uint32_t kRedText = 0x0000FF;            // RGB(255,0,0)
constexpr std::uint32_t kWindowBackground = 0x80000005; // the system colour of window backgrounds

// A cube value as the ERP's money type: four decimals, half away from zero, as CCur does.
Currency CurrencyOfDouble(double value)
{
    const double units = std::round(value * static_cast<double>(Currency::kScale));
    if (!std::isfinite(units) || std::fabs(units) > 9.2e18)
        throw Talvex::ValueError("the cube value " + std::to_string(value) + " does not fit the money type");
    return Currency::FromUnits(static_cast<std::int64_t>(units));
}

// The short date format of the host's locale.
std::string ShortDate(Date date)
{
    return date.ToIso();
}

int MemberAsInteger(const Value& member)
{
    if (member.IsNull() || member.IsEmpty()) return 0;
    return static_cast<int>(member.ToInteger());
}

std::string MemberText(const Value& member)
{
    if (member.IsDate()) return ShortDate(member.ToDate());
    return member.ToText();
}

// The days of a decade of a month as the host's date functions count them: 1-10, 11-20,
// 21 to the month's end.
std::pair<Date, Date> DecadeBounds(int year, unsigned month, int decade)
{
    const Date first(year, month, 1);
    if (decade <= 1) return {first, Date(year, month, 10)};
    if (decade == 2) return {Date(year, month, 11), Date(year, month, 20)};
    return {Date(year, month, 21), first.LastOfMonth()};
}

} // namespace

COLAPCubeExt2::COLAPCubeExt2() = default;

COLAPCubeExt2::~COLAPCubeExt2()
{
    try {
        Terminate();
    } catch (...) {
        // Releasing never fails the report that goes.
    }
}

// ---------------------------------------------------------------------------------------
// Set-up and sources

void COLAPCubeExt2::Init(std::shared_ptr<Talvex::Book> book, Talvex::CCube& cube)
{
    book_ = std::move(book);
    cube_ = &cube;
    docIdField_ = "IDC";
    docTypeField_ = "DocTypeCode";
    ReInitListDlg(true);
    savedCol_ = -1;
    savedRow_ = -1;
}

void COLAPCubeExt2::Terminate()
{
    if (listForm_ && listForm_->IsVisible()) listForm_->Unload();
    listDialog_.reset();
    listForm_.reset();
    cube_ = nullptr;
    showFields_.reset();
    sourceList_.reset();
    sourceRst_.reset();
    rstFieldsAttr_.reset();
    book_.reset();
}

void COLAPCubeExt2::SetFrmShowList(std::shared_ptr<Talvex::Ui::Form> form)
{
    listDialog_.reset();
    listForm_ = std::move(form);
    customListForm_ = listForm_ != nullptr;
}

Talvex::FieldList& COLAPCubeExt2::ShowFields()
{
    if (!showFields_) showFields_ = std::make_shared<Talvex::FieldList>();
    return *showFields_;
}

void COLAPCubeExt2::CrShowFieldsByDoc()
{
    if (!book_) throw Talvex::ValueError("CrShowFieldsByDoc: the wrapper has no Book (Init first)");
    const auto& table = book_->Describe("THDocument");
    auto& fields = ShowFields();
    for (const char* name : {"IDC", "DocTypeCode", "Number", "DocumentDate"}) {
        const auto column =
            std::find_if(table.columns.begin(), table.columns.end(),
                         [&](const Talvex::SourceColumn& c) { return Talvex::EqualsIgnoreCase(c.name, name); });
        if (column == table.columns.end())
            throw Talvex::ValueError(std::string("CrShowFieldsByDoc: the document table has no field \"") + name +
                                     "\"");
        auto& field = fields.Add(column->name, column->typeCode);
        field.SetCaption(column->name);
    }
}

void COLAPCubeExt2::ReInitListDlg(bool reinit)
{
    if (!reinit) return;
    if (listForm_ && listForm_->IsVisible()) listForm_->Unload();
    listDialog_.reset();
    listForm_.reset();
    customListForm_ = false;
}

bool COLAPCubeExt2::SetDirectDataList(std::shared_ptr<Talvex::DataList> list)
{
    try {
        if (!cube_ || !book_ || !list) return false;
        Talvex::Ui::CWaitInfo wait;
        wait.Show(OLAP::ResString(kWaitText));
        cube_ = &Talvex::AttachDataList(*cube_, *book_, *list, 0, 150);
        return true;
    } catch (...) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Focused-cell queries

std::optional<Cube::GridCell> COLAPCubeExt2::Focused() const
{
    if (!cube_) return std::nullopt;
    return cube_->FocusedCell();
}

std::string COLAPCubeExt2::DimValOnfocusedCell(const std::string& dimName)
{
    try {
        const auto cell = Focused();
        if (!cell) return {};
        return MemberText(cell->Coordinates().MemberByName(dimName));
    } catch (...) {
        return {};
    }
}

std::string COLAPCubeExt2::DimValOnfocusedCellExt(const std::string& dimName)
{
    try {
        const auto cell = Focused();
        if (!cell) return {};
        const auto coords = cell->Coordinates();
        if (coords.IsBlank()) return {};
        return MemberText(coords.MemberByName(dimName));
    } catch (...) {
        return {};
    }
}

Currency COLAPCubeExt2::FactValOnfocusedCellExt(const std::string& factName)
{
    try {
        const auto cell = Focused();
        if (!cell) return {};
        const auto coords = cell->Coordinates();
        if (coords.IsBlank()) return {};
        return CurrencyOfDouble(coords.FactValue(factName).value_or(0.0));
    } catch (...) {
        return {};
    }
}

std::string COLAPCubeExt2::FilterOnfocusedCell()
{
    const auto cell = Focused();
    ParseCell(cell ? &*cell : nullptr);
    return Filter();
}

std::optional<Date> COLAPCubeExt2::DateOnFocusedCell()
{
    const auto cell = Focused();
    ParseCell(cell ? &*cell : nullptr);
    const auto period = CellPeriod();
    if (!period) return std::nullopt;
    return period->first;
}

const Talvex::Field* COLAPCubeExt2::FieldAttr(const std::string& name) const
{
    const Talvex::FieldList* attrs = sourceList_ ? &sourceList_->Fields() : rstFieldsAttr_.get();
    if (attrs == nullptr || !attrs->ExistsField(name)) return nullptr;
    return &attrs->Item(name);
}

void COLAPCubeExt2::ParseCell(const Cube::GridCell* cell)
{
    year_ = quarter_ = month_ = decade_ = day_ = 0;
    week_ = -1;
    dimFilter_.clear();
    fltrInfo_.clear();
    factField_.clear();
    dateField_.clear();
    if (cell == nullptr) return;

    const auto coords = cell->Coordinates();
    for (std::size_t i = 0; i < coords.Count(); ++i) {
        const auto& dim = coords.Dimension(i);
        const std::string& name = dim.Name();
        const Value& member = coords.Member(i);
        bool period = true;
        if (name == "Q")
            quarter_ = MemberAsInteger(member);
        else if (name == "Day")
            day_ = member.IsDate() ? static_cast<int>(member.ToDate().Day()) : MemberAsInteger(member);
        else if (name == "Year")
            year_ = MemberAsInteger(member);
        else if (name == "Month")
            month_ = MemberAsInteger(member);
        else if (name == "Dec")
            decade_ = MemberAsInteger(member);
        else if (name == "Week")
            week_ = MemberAsInteger(member) - 1;
        else
            period = false;
        if (period) {
            dateField_ = dim.FieldName();
            continue;
        }

        const Talvex::Field* attr = FieldAttr(name);
        if (attr == nullptr) continue;
        const std::string field = listIsFill_ ? name : "oTable." + name;
        const std::string condition = SqlTools::CondByName(field, attr->TypeCode(), Talvex::SqlOperator::kEqual, member,
                                                           {}, listIsFill_ ? SqlTools::kForRecordset : 0);
        dimFilter_ = dimFilter_.empty() ? condition : dimFilter_ + " AND " + condition;
        if (attr->Caption() != attr->Name())
            fltrInfo_ += attr->Caption() + ": " + MemberText(member);
        else
            fltrInfo_ += MemberText(member);
        if (!fltrInfo_.empty()) fltrInfo_ += ";  ";
    }
    const auto& fact = cell->Fact();
    if (!fact.IsCalculated()) factField_ = fact.Name();
}

std::optional<std::pair<Date, Date>> COLAPCubeExt2::CellPeriod() const
{
    int year = year_;
    int month = month_;
    if (year == 0) {
        if (day_ == 0 && decade_ == 0 && month_ == 0 && quarter_ == 0) return std::nullopt;
        if (!book_) throw Talvex::ValueError("CellPeriod: the wrapper has no Book to take the current year from");
        year = book_->Today().Year();
    }
    if ((day_ != 0 || decade_ != 0) && month == 0) {
        if (!book_) throw Talvex::ValueError("CellPeriod: the wrapper has no Book to take the current month from");
        month = static_cast<int>(book_->Today().Month());
    }
    if (day_ != 0) {
        const Date day(year, static_cast<unsigned>(month), static_cast<unsigned>(day_));
        return std::make_pair(day, day);
    }
    Date begin;
    Date end;
    if (decade_ != 0) {
        std::tie(begin, end) = DecadeBounds(year, static_cast<unsigned>(month), decade_);
    } else if (month != 0) {
        begin = Date(year, static_cast<unsigned>(month), 1);
        end = begin.LastOfMonth();
    } else if (quarter_ != 0) {
        begin = Date(year, static_cast<unsigned>((quarter_ - 1) * 3 + 1), 1);
        end = begin.AddMonthsClamped(2).LastOfMonth();
    } else {
        begin = Date(year, 1, 1);
        end = Date(year, 12, 31);
    }
    if (week_ >= 0) {
        const Date firstOfYear(year, 1, 1);
        const auto weekday = static_cast<std::int32_t>(firstOfYear.IsoWeekday());
        Date weekBegin = firstOfYear;
        Date weekEnd = firstOfYear.AddDays(7 - weekday);
        if (week_ >= 1) {
            weekBegin = firstOfYear.AddDays((8 - weekday) + 7 * (week_ - 1));
            weekEnd = weekBegin.AddDays(6);
        }
        begin = std::max(begin, weekBegin);
        end = std::min(end, weekEnd);
        if (end < begin) end = begin;
    }
    return std::make_pair(begin, end);
}

std::string COLAPCubeExt2::Filter()
{
    std::string result;
    if (const auto period = CellPeriod()) {
        const auto [begin, end] = *period;
        const int flag = listIsFill_ ? SqlTools::kForRecordset : 0;
        if (begin != end) {
            result = SqlTools::CondByName(dateField_, Talvex::FieldType::kDate, Talvex::SqlOperator::kBetween,
                                          Value(begin), Value(end), flag);
            periodFltrInfo_ = ShortDate(begin) + " - " + ShortDate(end);
        } else {
            result = SqlTools::CondByName(dateField_, Talvex::FieldType::kDate, Talvex::SqlOperator::kEqual,
                                          Value(begin), {}, flag);
            periodFltrInfo_ = ShortDate(begin);
        }
    }
    if (!dimFilter_.empty()) result = result.empty() ? dimFilter_ : result + " AND " + dimFilter_;
    if (!factField_.empty()) {
        if (const Talvex::Field* attr = FieldAttr(factField_)) {
            const std::string field = listIsFill_ ? factField_ : "oTable." + factField_;
            const std::string nonZero = SqlTools::CondByName(field, attr->TypeCode(), Talvex::SqlOperator::kNotEqual,
                                                             Value(0), {}, listIsFill_ ? SqlTools::kForRecordset : 0);
            result = result.empty() ? nonZero : result + " AND " + nonZero;
        }
    }
    return result;
}

std::string COLAPCubeExt2::Caption()
{
    return cube_ ? cube_->Caption() : std::string();
}

std::shared_ptr<Talvex::Data::Recordset> COLAPCubeExt2::SourceRst()
{
    if (sourceRst_) return sourceRst_;
    if (sourceList_) return sourceList_->Recordset();
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Drill-down

void COLAPCubeExt2::ListByCell(const Cube::GridCell* cell)
{
    if (cell != nullptr) {
        ParseCell(cell);
    } else {
        const auto focused = Focused();
        ParseCell(focused ? &*focused : nullptr);
    }
    empCost_ = false;
    ShowSourceList();
}

void COLAPCubeExt2::ListByCell_EMPCost(const Cube::GridCell* cell)
{
    if (cell != nullptr) {
        ParseCell(cell);
    } else {
        const auto focused = Focused();
        ParseCell(focused ? &*focused : nullptr);
    }
    empCost_ = true;
    ShowSourceList();
}

bool COLAPCubeExt2::IsDataChange() const
{
    if (!listDialog_) return false;
    const auto params = std::dynamic_pointer_cast<Talvex::FieldList>(listDialog_->Param().ToObject());
    if (!params || !params->ExistsField("IsDataChange")) return false;
    const Value& flag = params->Item("IsDataChange").GetValue();
    return !flag.IsEmpty() && !flag.IsNull() && flag.ToInteger() == 1;
}

void COLAPCubeExt2::AfterSetListFilter(Talvex::Data::Recordset& rst)
{
    if (!cellListFiltered_) return;
    const auto cell = Focused();
    cellListFiltered_(Value(cell ? cell->Value() : 0.0), factField_, rst);
}

void COLAPCubeExt2::ShowSourceList()
{
    if (!book_) throw Talvex::ValueError("ListByCell: the wrapper has no Book (Init first)");
    if (!listDialog_) {
        if (!listForm_) listForm_ = std::make_shared<CubeSrcList>();
        auto params = std::make_shared<Talvex::FieldList>();
        // The dialog refers to the wrapper without owning it: the wrapper owns the dialog.
        params->Add("Parent", Talvex::FieldType::kObject,
                    Value(std::shared_ptr<Talvex::Object>(std::shared_ptr<Talvex::Object>(), this)));
        params->Add("IsDataChange", Talvex::FieldType::kInteger, Value(0));
        params->Add("FieldNameDocID", Talvex::FieldType::kCode, Value(docIdField_));
        params->Add("FieldNameDocTypeCode", Talvex::FieldType::kCode, Value(docTypeField_));
        listDialog_ = std::make_unique<Talvex::Ui::BaseDialog>();
        const Value param{std::shared_ptr<Talvex::Object>(params)};
        listDialog_->Init(*listForm_, book_->CreateDocList("THDocument"), param);
        if (auto* list = dynamic_cast<CubeSrcList*>(listForm_.get())) {
            if (!list->Init(*listDialog_, param))
                throw Talvex::ValueError("ListByCell: the list form did not take its parameters");
            list->AfterSetListFilter = [this](Talvex::Data::Recordset& rst) { AfterSetListFilter(rst); };
        }
    } else {
        const auto params = std::dynamic_pointer_cast<Talvex::FieldList>(listDialog_->Param().ToObject());
        if (params) params->Add("IsDataChange", Talvex::FieldType::kInteger, Value(0));
    }
    if (listForm_->IsVisible()) listForm_->Hide();
    listDialog_->RunForm(false, false, cube_ ? &cube_->Parent() : nullptr);
}

// ---------------------------------------------------------------------------------------
// Display rules

bool COLAPCubeExt2::HasComparisonStyled(const std::string& styleName) const
{
    const auto& conditions = cube_->Conditions();
    for (std::size_t i = 0; i < conditions.Count(); ++i) {
        const auto& c = conditions.Item(i);
        if (c.Kind == Cube::Condition::kComparison && c.StyleName == styleName) return true;
    }
    return false;
}

void COLAPCubeExt2::AddNegStyle(std::uint32_t backColor, std::uint32_t textColor, bool background)
{
    if (!cube_) throw Talvex::ValueError("the wrapper has no cube (Init first)");
    auto& styles = cube_->Styles();
    if (!styles.Exists(kNegStyle)) {
        auto& style = styles.Add(kNegStyle);
        if (background)
            style.BackColor = backColor;
        else
            style.TextColor = textColor;
    }
    if (!HasComparisonStyled(kNegStyle))
        cube_->Conditions().AddCompareCondition(kNegStyle, 0, Cube::Condition::Less, true);
}

void COLAPCubeExt2::SetRedBackForNegValue()
{
    AddNegStyle(kRedBack, 0, true);
}

void COLAPCubeExt2::SetRedTextForNegValue()
{
    AddNegStyle(0, kRedText, false);
}

void COLAPCubeExt2::SetInVisibleZeroValue()
{
    if (!cube_) throw Talvex::ValueError("SetInVisibleZeroValue: the wrapper has no cube (Init first)");
    auto& styles = cube_->Styles();
    if (!styles.Exists(kZeroStyle)) styles.Add(kZeroStyle).TextColor = kWindowBackground;
    if (!HasComparisonStyled(kZeroStyle))
        cube_->Conditions().AddCompareCondition(kZeroStyle, 0, Cube::Condition::Equal, true);
}

void COLAPCubeExt2::SetUserStyleComparCondition(const std::string& udStyle, Currency value, long oper,
                                                const std::string& factName)
{
    if (!cube_) throw Talvex::ValueError("SetUserStyleComparCondition: the wrapper has no cube (Init first)");
    if (HasComparisonStyled(udStyle)) return;
    if (factName.empty()) {
        cube_->Conditions().AddCompareCondition(udStyle, value.ToDouble(), static_cast<int>(oper), true);
        return;
    }
    auto& fact = cube_->Facts().Item(factName);
    fact.OwnConditions = true;
    fact.Conditions().AddCompareCondition(udStyle, value.ToDouble(), static_cast<int>(oper), true);
}

void COLAPCubeExt2::SetUserStyleFormulaCondition(const std::string& udStyle, const std::string& formula,
                                                 const std::string& factName)
{
    if (!cube_) throw Talvex::ValueError("SetUserStyleFormulaCondition: the wrapper has no cube (Init first)");
    const auto& conditions = cube_->Conditions();
    for (std::size_t i = 0; i < conditions.Count(); ++i) {
        const auto& c = conditions.Item(i);
        if (c.Kind == Cube::Condition::kFormula && c.StyleName == udStyle) return;
    }
    if (factName.empty()) {
        cube_->Conditions().AddFormulaCondition(udStyle, formula, true);
        return;
    }
    auto& fact = cube_->Facts().Item(factName);
    fact.OwnConditions = true;
    fact.Conditions().AddFormulaCondition(udStyle, formula, true);
}

void COLAPCubeExt2::SetFactVisible()
{
    if (!cube_) return;
    auto& facts = cube_->Facts();
    for (std::size_t i = 0; i < facts.Count(); ++i)
        facts.Item(i).FactVisible = true;
}

void COLAPCubeExt2::HideFact(const std::string& name)
{
    if (!cube_) throw Talvex::ValueError("HideFact: the wrapper has no cube (Init first)");
    auto& fact = cube_->Facts().Item(name);
    fact.FactVisible = false;
    fact.FactEnabled = false;
}

void COLAPCubeExt2::SetStatusText()
{
    if (!cube_) return;
    cube_->SetStatusText(0, "");
    cube_->SetStatusText(1, "");
}

void COLAPCubeExt2::SaveCurrentPos()
{
    const auto cell = Focused();
    if (!cell) return;
    savedCol_ = static_cast<int>(cell->ColIndex());
    savedRow_ = static_cast<int>(cell->RowIndex());
}

void COLAPCubeExt2::RestoreCurrentPos()
{
    if (!cube_ || savedCol_ < 0 || savedRow_ < 0) return;
    // A reload that left fewer rows or columns keeps the host's own focus.
    const auto& engine = cube_->cube();
    if (!engine.Active() || static_cast<std::size_t>(savedCol_) >= engine.Grid().ColCount() ||
        static_cast<std::size_t>(savedRow_) >= engine.Grid().RowCount())
        return;
    cube_->SetFocusedCell(static_cast<std::size_t>(savedCol_), static_cast<std::size_t>(savedRow_));
}

} // namespace Quarn_DuzAde
