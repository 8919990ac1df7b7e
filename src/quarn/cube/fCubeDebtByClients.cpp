#include "quarn/cube/fCubeDebtByClients.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/OverdueIntervalGrid.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <sstream>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
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
    OverdueIntervalGrid::AddTo(*this, kGrid, true);
    Add(ControlKind::Button, "btDefaultBands", "Default intervals");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btDefaultBands", "Click", [this](EventArgs&) { OverdueIntervalGrid::Show(*this, kGrid, kDefaultIntervals); });
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
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
            intervals = saved.empty() ? kDefaultIntervals : OverdueIntervalGrid::Parse(saved);
        } catch (const std::exception&) {
            intervals = kDefaultIntervals; // a damaged setting is not the user's fault
        }
    }
    OverdueIntervalGrid::Show(*this, kGrid, intervals);
}

void fCubeDebtByClients::CheckInput() const
{
    if (!Ctl("edRepDate").GetValue().IsDate()) throw ValueError("edRepDate: the report needs a report date");
    (void)OverdueIntervalGrid::Read(*this, kGrid);
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
    p.intervals = OverdueIntervalGrid::Read(*this, kGrid);
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
    settings.Save(kSettingsKey, "Intervals", Value(OverdueIntervalGrid::ToText(p.intervals)));
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
