#include "quarn/cube/fCubeDebtByClients.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <sstream>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Ui::CellRule;
using Talvex::Ui::CellType;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using FieldType = Talvex::FieldType;

namespace {

constexpr const char* kSettingsKey = "RDebtOfClients";
constexpr const char* kGrid = "SpecGrid";
constexpr long kDepartmentText = 21817;
constexpr long kPersonText = 21818;
constexpr long kClientText = 21819;
constexpr long kDueText = 21820;

// Intervals a user who never chose any starts from: a month, two and three.
const std::vector<OverdueInterval> kDefaultIntervals = {{30, false, 1}, {60, false, 2}, {90, false, 3}};

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::stringstream in(text);
    std::string code;
    while (std::getline(in, code, ','))
        if (std::string trimmed = Trimmed(code); !trimmed.empty()) codes.push_back(trimmed);
    return codes;
}

std::string TextOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace

fCubeDebtByClients::fCubeDebtByClients() : Form("fCubeDebtByClients")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::DateBox, "edRepDate", "Report date");
    Add(ControlKind::Selector, "cbClient", res.GetString(kClientText))
        .BindSelector({"REFClient", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::ComboBox, "cbDepartment", res.GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
    Add(ControlKind::ComboBox, "cbPerson", res.GetString(kPersonText)).BindLookup({"REFPerson", "Code", "LastName"});
    Add(ControlKind::TextBox, "selDocState", "Document states");
    Add(ControlKind::CheckBox, "chIsRateByDocDate", "Rates on the document date");
    Add(ControlKind::Label, "lblBands", res.GetString(kDueText));
    AddSpecGrid();
    Add(ControlKind::Button, "btDefaultBands", "Default intervals");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btDefaultBands", "Click", [this](EventArgs&) { ShowIntervals(kDefaultIntervals); });
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

void fCubeDebtByClients::AddSpecGrid()
{
    auto& grid = AddGrid(kGrid);
    grid.AddColumn("Days", "Days");
    grid.AddColumn("IsPayBefore", "Paid before");
    grid.AddColumn("DaysOrder", "Order");
    CellRule days = CellRule::Of(CellType::Integer);
    days.required = true;
    days.check = [this](const Value& value, const Talvex::Ui::Grid&, std::size_t row) {
        return DaysProblem(value, row);
    };
    grid.SetEditable("Days", days);
    CellRule flag = CellRule::Of(CellType::Integer);
    flag.minimum = Talvex::Currency::FromInteger(0);
    flag.maximum = Talvex::Currency::FromInteger(1);
    grid.SetEditable("IsPayBefore", flag);
    grid.SetRowsAddable(true);
    grid.SetRowsDeletable(true);
    // A new interval goes last, with a place after every other.
    On(kGrid, "AddRow", [this](EventArgs& args) {
        auto& g = GridCtl(kGrid);
        std::int64_t last = 0;
        for (std::size_t r = 0; r < g.RowCount(); ++r)
            if (const Value& order = g.Cell(r, "DaysOrder"); !order.IsNull() && !order.IsEmpty())
                last = std::max(last, order.ToInteger());
        g.SetCell(static_cast<std::size_t>(args.row), "DaysOrder", Value(last + 1));
        g.SetCell(static_cast<std::size_t>(args.row), "IsPayBefore", Value(0));
    });
}

// The bound the user types must keep the bounds rising in grid order; the other rows as
// they stand, the edited one with its new value, rows without a bound yet left out.
std::string fCubeDebtByClients::DaysProblem(const Value& value, std::size_t row) const
{
    const auto& grid = GridCtl(kGrid);
    std::vector<OverdueInterval> intervals;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
        const Value days = r == row ? value : grid.Cell(r, "Days");
        if (days.IsNull() || days.IsEmpty()) continue;
        const Value& order = grid.Cell(r, "DaysOrder");
        intervals.push_back(
            {static_cast<long>(days.ToInteger()), false,
             order.IsNull() || order.IsEmpty() ? static_cast<long>(r + 1) : static_cast<long>(order.ToInteger())});
    }
    try {
        (void)OverdueBands::FromIntervals(intervals, {}, {});
    } catch (const ValueError& e) {
        // The cell's refusal names the column itself.
        std::string problem = e.what();
        if (problem.rfind("Days: ", 0) == 0) problem = problem.substr(6);
        return problem;
    }
    return {};
}

std::vector<OverdueInterval> fCubeDebtByClients::Intervals() const
{
    const auto& grid = GridCtl(kGrid);
    std::vector<OverdueInterval> intervals;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
        const Value& days = grid.Cell(r, "Days");
        if (days.IsNull() || days.IsEmpty())
            throw ValueError(std::string(kGrid) + ": Days: row " + std::to_string(r + 1) + " has no number of days");
        const Value& order = grid.Cell(r, "DaysOrder");
        const Value& before = grid.Cell(r, "IsPayBefore");
        intervals.push_back(
            {static_cast<long>(days.ToInteger()), !before.IsNull() && !before.IsEmpty() && before.ToInteger() == 1,
             order.IsNull() || order.IsEmpty() ? static_cast<long>(r + 1) : static_cast<long>(order.ToInteger())});
    }
    try {
        (void)OverdueBands::FromIntervals(intervals, {}, {});
    } catch (const ValueError& e) {
        throw ValueError(std::string(kGrid) + ": " + e.what());
    }
    std::stable_sort(intervals.begin(), intervals.end(),
                     [](const OverdueInterval& a, const OverdueInterval& b) { return a.daysOrder < b.daysOrder; });
    return intervals;
}

std::string fCubeDebtByClients::IntervalsText(const std::vector<OverdueInterval>& intervals)
{
    std::string text;
    for (const auto& interval : intervals)
        text += (text.empty() ? "" : ";") + std::to_string(interval.days) + ":" + (interval.isPayBefore ? "1" : "0");
    return text;
}

std::vector<OverdueInterval> fCubeDebtByClients::ParseIntervals(const std::string& text)
{
    std::vector<OverdueInterval> intervals;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        if (item.empty()) continue;
        const auto colon = item.find(':');
        OverdueInterval interval;
        interval.days = std::stol(item.substr(0, colon));
        interval.isPayBefore = colon != std::string::npos && item.substr(colon + 1) == "1";
        interval.daysOrder = static_cast<long>(intervals.size() + 1);
        intervals.push_back(interval);
    }
    return intervals;
}

void fCubeDebtByClients::ShowIntervals(const std::vector<OverdueInterval>& intervals)
{
    auto& grid = GridCtl(kGrid);
    grid.ClearRows();
    long place = 0;
    for (const auto& interval : intervals)
        grid.AddRow({Value(static_cast<std::int64_t>(interval.days)), Value(interval.isPayBefore ? 1 : 0),
                     Value(static_cast<std::int64_t>(++place))});
}

bool fCubeDebtByClients::Run(std::shared_ptr<Talvex::Book> book, DebtCubeParams& params, bool isBuyDirection,
                             bool bandsOnly)
{
    if (!book) throw ValueError("fCubeDebtByClients: no Book");
    book_ = std::move(book);
    // Vendors have no responsible person of ours to choose.
    Ctl("cbPerson").SetVisible(!isBuyDirection);
    for (const char* name : {"edRepDate", "cbClient", "cbDepartment", "cbPerson", "selDocState", "chIsRateByDocDate"})
        Ctl(name).SetEnabled(!bandsOnly);
    LoadChoices(params);
    confirmed_ = false;
    Show(true);
    if (confirmed_) params = result_;
    return confirmed_;
}

void fCubeDebtByClients::LoadChoices(const DebtCubeParams& given)
{
    Talvex::UserSettings settings(*book_);
    Date repDate = given.repDate;
    if (repDate == Date()) {
        const Value saved = settings.Load(kSettingsKey, "RepDate");
        if (saved.IsEmpty() || !Date::TryParse(TextOf(saved), repDate)) repDate = book_->Today();
    }
    Ctl("edRepDate").SetValue(Value(repDate));
    auto savedText = [&](const char* name, const std::string& current) {
        return current.empty() ? TextOf(settings.Load(kSettingsKey, name)) : current;
    };
    Ctl("cbClient").SetValue(Value(savedText("Client", given.client)));
    Ctl("cbDepartment").SetValue(Value(savedText("Department", given.department)));
    Ctl("cbPerson").SetValue(Value(savedText("Person", given.person)));
    Ctl("selDocState").SetValue(Value(savedText("DocState", given.docState)));
    const std::string byDocDate = TextOf(settings.Load(kSettingsKey, "IsRateByDocDate"));
    Ctl("chIsRateByDocDate").SetValue(Value(given.isRateByDocDate || byDocDate == "1" ? 1 : 0));
    std::vector<OverdueInterval> intervals = given.intervals;
    if (intervals.empty()) {
        const std::string saved = TextOf(settings.Load(kSettingsKey, "Intervals"));
        try {
            intervals = saved.empty() ? kDefaultIntervals : ParseIntervals(saved);
        } catch (const std::exception&) {
            intervals = kDefaultIntervals; // a damaged setting is not the user's fault
        }
    }
    ShowIntervals(intervals);
}

void fCubeDebtByClients::CheckInput() const
{
    if (!Ctl("edRepDate").GetValue().IsDate()) throw ValueError("edRepDate: the report needs a report date");
    (void)Intervals();
    for (const auto& code : CodesOf(TextOf(Ctl("cbClient").GetValue())))
        if (NameOf("REFClient", code, "Name").empty())
            throw ValueError("cbClient: there is no client with the code '" + code + "'");
    if (const std::string dep = Trimmed(TextOf(Ctl("cbDepartment").GetValue())); !dep.empty())
        if (NameOf("REFDepartment", dep, "Name").empty())
            throw ValueError("cbDepartment: there is no department with the code '" + dep + "'");
    if (const std::string per = Trimmed(TextOf(Ctl("cbPerson").GetValue())); !per.empty())
        if (NameOf("REFPerson", per, "LastName").empty())
            throw ValueError("cbPerson: there is no person with the code '" + per + "'");
}

// The name of a reference row by its code; empty when there is none.
std::string fCubeDebtByClients::NameOf(const char* table, const std::string& code, const char* nameExpr) const
{
    auto list = book_->CreateList(table);
    list->Fields().SelectFields({"Code", nameExpr});
    list->SetFilter(
        Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(code)));
    list->Refresh();
    auto rs = list->Recordset();
    if (rs->RecordCount() == 0) return {};
    rs->MoveFirst();
    const std::string name = TextOf(rs->Fields().Item(nameExpr).Value());
    return name.empty() ? code : name;
}

DebtCubeParams fCubeDebtByClients::ReadChoices() const
{
    DebtCubeParams p;
    p.repDate = Ctl("edRepDate").GetValue().ToDate();
    std::string clients;
    for (const auto& code : CodesOf(TextOf(Ctl("cbClient").GetValue())))
        clients += (clients.empty() ? "" : ",") + code;
    p.client = clients;
    p.department = Trimmed(TextOf(Ctl("cbDepartment").GetValue()));
    p.person = Ctl("cbPerson").Visible() ? Trimmed(TextOf(Ctl("cbPerson").GetValue())) : std::string();
    for (const auto& code : CodesOf(clients))
        p.nClient += (p.nClient.empty() ? "" : ", ") + NameOf("REFClient", code, "Name");
    if (!p.department.empty()) p.nDepartment = NameOf("REFDepartment", p.department, "Name");
    if (!p.person.empty()) p.nPerson = NameOf("REFPerson", p.person, "LastName");
    p.isRateByDocDate = Ctl("chIsRateByDocDate").GetValue().ToBool();
    std::string states;
    for (const auto& code : CodesOf(TextOf(Ctl("selDocState").GetValue())))
        states += (states.empty() ? "" : ",") + code;
    p.docState = states;
    p.intervals = Intervals();
    return p;
}

void fCubeDebtByClients::SaveChoices(const DebtCubeParams& p) const
{
    Talvex::UserSettings settings(*book_);
    settings.Save(kSettingsKey, "RepDate", Value(p.repDate));
    settings.Save(kSettingsKey, "Client", Value(p.client));
    settings.Save(kSettingsKey, "Department", Value(p.department));
    settings.Save(kSettingsKey, "Person", Value(p.person));
    settings.Save(kSettingsKey, "DocState", Value(p.docState));
    settings.Save(kSettingsKey, "IsRateByDocDate", Value(p.isRateByDocDate ? "1" : "0"));
    settings.Save(kSettingsKey, "Intervals", Value(IntervalsText(p.intervals)));
}

void fCubeDebtByClients::btOk_Click()
{
    try {
        CheckInput();
        result_ = ReadChoices();
        SaveChoices(result_);
        confirmed_ = true;
        Hide();
    } catch (...) {
        // The form stays open with the user's input.
        ReportError();
    }
}

} // namespace Quarn_DuzAde
