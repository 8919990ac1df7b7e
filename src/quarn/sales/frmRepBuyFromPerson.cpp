#include "quarn/sales/frmRepBuyFromPerson.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/CRepBuyFromPersonXML.hpp"
#include "quarn/sales/CReportBuyFromPerson.hpp"

#include <filesystem>
#include <set>

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kSettingsKey = "frmRepBuyFromPerson";
constexpr const char* kMoney = "#,##0.00";
constexpr long kWrongDates = 27133;
constexpr long kFileNameEmpty = 23866;
constexpr long kSelectNone = 0;
constexpr long kSelectCodes = 1;
constexpr long kSelectNode = 2;

// The codes of a selector or a list typed by hand, blanks around them dropped.
std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        std::string code = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto first = code.find_first_not_of(' ');
        if (first != std::string::npos) codes.push_back(code.substr(first, code.find_last_not_of(' ') - first + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

std::string Joined(const std::vector<std::string>& codes)
{
    std::string text;
    for (const auto& code : codes)
        text += (text.empty() ? "" : ",") + code;
    return text;
}

void RegisterLayout()
{
    auto& layouts = Talvex::Ui::ReportLayouts::Host();
    if (layouts.Has(frmRepBuyFromPerson::kReportCode)) return;
    layouts.Register(Talvex::Ui::ReportLayout{frmRepBuyFromPerson::kReportCode,
                                              "Purchases from private persons",
                                              {{"CompanyName", "Company", ""},
                                               {"BegPeriod", "From", "yyyy-mm-dd"},
                                               {"EndPeriod", "To", "yyyy-mm-dd"},
                                               {"IncomeTill", "Income up to", "yyyy-mm-dd"}},
                                              {{"Code", "Code", "", false},
                                               {"Name", "Person", "", false},
                                               {"PlantCode", "Personal code", "", false},
                                               {"CurrencyCode", "Currency", "", false},
                                               {"Summa", "Sum", kMoney, true},
                                               {"IsIncomeTill", "Up to the cut-off", "", false}},
                                              ""});
}

} // namespace

frmRepBuyFromPerson::frmRepBuyFromPerson() : Form("frmRepBuyFromPerson", "Purchases from private persons")
{
    Add(ControlKind::DateBox, "edBegPeriod", "From");
    Add(ControlKind::DateBox, "edEndPeriod", "To");
    Add(ControlKind::Selector, "selClient", "Persons or a client group (empty: all persons)")
        .BindSelector({"REFClient", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::TextBox, "edCategory", "Goods categories (0 goods, 1 services; empty: all)");
    Add(ControlKind::NumberBox, "edMinSum", "Purchases above");
    Add(ControlKind::DateBox, "edIncomeTill", "Income paid up to");
    Add(ControlKind::TextBox, "edFullFileName", "XML file");
    Add(ControlKind::Button, "btSelect", "Name the file");
    Add(ControlKind::Button, "btShow", "Show");
    Add(ControlKind::Button, "btPrint", "Print");
    Add(ControlKind::Button, "btSave", "Save XML");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    AddLocalList(kList);
    On("btShow", "Click", [this](EventArgs&) { btShow_Click(); });
    On("btPrint", "Click", [this](EventArgs&) { btPrint_Click(); });
    On("btSave", "Click", [this](EventArgs&) { btSave_Click(); });
    On("btSelect", "Click", [this](EventArgs&) { btSelect_Click(); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "OnAddFields", [this](EventArgs&) {
        auto& list = ListCtl(kList);
        list.DeclareField("Code", "Code");
        list.DeclareField("Name", "Person");
        list.DeclareField("PlantCode", "Personal code");
        list.DeclareField("CurrencyCode", "Currency");
        list.DeclareField("Summa", "Sum", kMoney);
        list.DeclareField("IsIncomeTill", "Up to the cut-off");
    });
}

void frmRepBuyFromPerson::Run(std::shared_ptr<Talvex::Book> book, Talvex::Ui::Form* /*parent*/)
{
    book_ = std::move(book);
    LoadSettings();
    Show(true);
    Unload();
}

void frmRepBuyFromPerson::LoadSettings()
{
    Talvex::UserSettings settings(*book_);
    auto load = [&](const char* name, const char* control) {
        const Value saved = settings.Load(kSettingsKey, name);
        if (!saved.IsNull() && !saved.IsEmpty()) Ctl(control).SetValue(saved);
    };
    // A first run offers the month of the Book's today.
    const Talvex::Date today = book_->Today();
    Ctl("edBegPeriod").SetValue(Value(today.FirstOfMonth()));
    Ctl("edEndPeriod").SetValue(Value(today));
    load("BegPeriod", "edBegPeriod");
    load("EndPeriod", "edEndPeriod");
    load("IncomeTill", "edIncomeTill");
    load("ClientSelectedPK", "selClient");
    load("CategorySelectedPK", "edCategory");
    load("FullFileName", "edFullFileName");
    load("MinSum", "edMinSum");
}

void frmRepBuyFromPerson::SaveSettings()
{
    Talvex::UserSettings settings(*book_);
    const std::vector<std::string> clients = CodesOf(ControlText(Ctl("selClient").GetValue()));
    const std::vector<std::string> categories = CodesOf(ControlText(Ctl("edCategory").GetValue()));
    const long clientType = clients.empty()                                    ? kSelectNone
                            : clients.size() == 1 && IsClientGroup(clients[0]) ? kSelectNode
                                                                               : kSelectCodes;
    settings.Save(kSettingsKey, "BegPeriod", Ctl("edBegPeriod").GetValue());
    settings.Save(kSettingsKey, "EndPeriod", Ctl("edEndPeriod").GetValue());
    settings.Save(kSettingsKey, "IncomeTill", Ctl("edIncomeTill").GetValue());
    settings.Save(kSettingsKey, "ClientSelectedType", Value(static_cast<std::int64_t>(clientType)));
    settings.Save(kSettingsKey, "ClientSelectedPK", Value(Joined(clients)));
    settings.Save(kSettingsKey, "CategorySelectedType",
                  Value(static_cast<std::int64_t>(categories.empty() ? kSelectNone : kSelectCodes)));
    settings.Save(kSettingsKey, "CategorySelectedPK", Value(Joined(categories)));
    settings.Save(kSettingsKey, "FullFileName", Value(ControlText(Ctl("edFullFileName").GetValue())));
    settings.Save(kSettingsKey, "MinSum", Ctl("edMinSum").GetValue());
}

bool frmRepBuyFromPerson::IsClientGroup(const std::string& code) const
{
    auto clients = book_->CreateList("REFClient");
    clients->Fields().SelectFields({"Code"});
    clients->SetFilter(Talvex::SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(code)),
         "oTable.IsGroup = 1"}));
    clients->Refresh();
    return clients->Recordset()->RecordCount() > 0;
}

void frmRepBuyFromPerson::ClearRefusals()
{
    for (const auto& control : Controls())
        if (!control->Refusal().empty()) control->SetRefusal("");
}

void frmRepBuyFromPerson::Refuse(const std::string& control, const std::string& message)
{
    Ctl(control).SetRefusal(message);
    if (Talvex::Ui::Session* session = GetSession())
        session->AddMessage(Talvex::Ui::MessageRecord{
            Caption(), Name() + "." + control + ": " + message, {}, "", Talvex::Ui::MessageKind::Refusal});
}

std::optional<Talvex::FieldList> frmRepBuyFromPerson::ReadInput()
{
    ClearRefusals();
    const auto& res = ModuleFormRes();
    if (const FieldRefusal period = PeriodRefusal(*this, "edBegPeriod", "edEndPeriod"); period.Refused()) {
        Refuse(period.control, period.message);
        return std::nullopt;
    }
    const Talvex::Date beg = *ControlDate(Ctl("edBegPeriod").GetValue());
    const Talvex::Date end = *ControlDate(Ctl("edEndPeriod").GetValue());
    const Value incomeTillValue = Ctl("edIncomeTill").GetValue();
    const auto incomeTill = ControlDate(incomeTillValue);
    if (!incomeTill && !ControlText(incomeTillValue).empty()) {
        Refuse("edIncomeTill", res.GetString(kWrongDates));
        return std::nullopt;
    }
    Talvex::Currency minSum;
    if (const Value& typed = Ctl("edMinSum").GetValue(); !typed.IsNull() && !typed.IsEmpty()) {
        minSum = typed.ToCurrency();
        if (minSum < Talvex::Currency()) {
            Refuse("edMinSum", "The minimum sum cannot be negative.");
            return std::nullopt;
        }
    }
    const std::vector<std::string> categories = CodesOf(ControlText(Ctl("edCategory").GetValue()));
    for (const auto& category : categories)
        if (category.find_first_not_of("0123456789") != std::string::npos || category.size() > 4) {
            Refuse("edCategory", "'" + category + "' is not a goods category number (0 goods, 1 services).");
            return std::nullopt;
        }

    // Persons are checked against the client reference: a group of the tree alone, or
    // private persons, each known.
    const std::vector<std::string> clients = CodesOf(ControlText(Ctl("selClient").GetValue()));
    std::string group;
    if (!clients.empty()) {
        auto known = book_->CreateList("REFClient");
        known->Fields().SelectFields({"Code", "IsGroup", "IsPerson"});
        known->SetFilter("oTable.Code IN (" + Talvex::SqlTools::QuoteCodes(Joined(clients)) + ")");
        known->Refresh();
        std::set<std::string> persons;
        std::set<std::string> groups;
        auto rs = known->Recordset();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const std::string code = rs->Fields().Item("Code").Value().ToText();
            if (rs->Fields().Item("IsGroup").Value().ToInteger() == 1) groups.insert(code);
            if (rs->Fields().Item("IsPerson").Value().ToInteger() == 1) persons.insert(code);
        }
        for (const auto& code : clients) {
            if (groups.count(code)) {
                if (clients.size() > 1) {
                    Refuse("selClient", "Choose either one client group or persons, not both.");
                    return std::nullopt;
                }
                group = code;
            } else if (!persons.count(code)) {
                Refuse("selClient", "'" + code + "' is not a private person nor a client group.");
                return std::nullopt;
            }
        }
    }

    Talvex::FieldList params;
    params.Add("BegPeriod", FieldType::kDate, Value(beg));
    params.Add("EndPeriod", FieldType::kDate, Value(end));
    params.Add("ClientGroupCode", FieldType::kCode, Value(group));
    params.Add("Client", FieldType::kLongText, Value(group.empty() ? Joined(clients) : std::string()));
    params.Add("Category", FieldType::kLongText, Value(Joined(categories)));
    params.Add("MinSum", FieldType::kAmount, Value(minSum));
    params.Add("IncomeTill", FieldType::kDate, Value(incomeTill ? *incomeTill : end));
    params.Add("AccCurr", FieldType::kCode, Value(book_->AccountCurrency()));
    return params;
}

std::shared_ptr<Talvex::DataList> frmRepBuyFromPerson::BuildList(bool importToXml)
{
    std::optional<Talvex::FieldList> params = ReadInput();
    if (!params) return nullptr;
    SaveSettings();
    auto list = CReportBuyFromPerson::GetList(book_, *params, importToXml);
    ShowList(list);
    if (list->Recordset()->RecordCount() == 0) {
        SayNothingToShow();
        return nullptr;
    }
    return list;
}

void frmRepBuyFromPerson::ShowList(const std::shared_ptr<Talvex::DataList>& list)
{
    auto& grid = ListCtl(kList);
    grid.SetRowSource(Talvex::Ui::RecordsetRowSource(*list->Recordset()));
    grid.Refresh();
}

void frmRepBuyFromPerson::btShow_Click()
{
    try {
        BuildList(false);
    } catch (...) {
        ReportError();
    }
}

void frmRepBuyFromPerson::btPrint_Click()
{
    try {
        auto list = BuildList(false);
        if (!list) return;
        RegisterLayout();
        const Value incomeTill = Ctl("edIncomeTill").GetValue();
        Talvex::Ui::PrintService(*GetSession())
            .Print(kReportCode,
                   {{"CompanyName", book_->Setting("CompanyName")},
                    {"BegPeriod", Value(*ControlDate(Ctl("edBegPeriod").GetValue()))},
                    {"EndPeriod", Value(*ControlDate(Ctl("edEndPeriod").GetValue()))},
                    {"IncomeTill",
                     ControlDate(incomeTill) ? Value(*ControlDate(incomeTill)) : Value(*ControlDate(Ctl("edEndPeriod").GetValue()))}},
                   {Talvex::Ui::RecordsetRowSource(*list->Recordset())});
    } catch (...) {
        ReportError();
    }
}

void frmRepBuyFromPerson::btSelect_Click()
{
    // The browser names the downloaded file itself; here the form proposes a name by the year.
    if (!ControlText(Ctl("edFullFileName").GetValue()).empty()) return;
    const auto end = ControlDate(Ctl("edEndPeriod").GetValue());
    const int year = end ? end->Year() : book_->Today().Year();
    Ctl("edFullFileName").SetValue(Value("FR0471-" + std::to_string(year) + ".ffdata"));
}

std::string frmRepBuyFromPerson::CompleteFileName(const std::string& name)
{
    const std::filesystem::path path(name);
    if (!path.has_extension()) return name + ".ffdata";
    return name;
}

void frmRepBuyFromPerson::btSave_Click()
{
    try {
        const std::string typed = ControlText(Ctl("edFullFileName").GetValue());
        const auto blank = typed.find_first_not_of(' ');
        if (blank == std::string::npos) {
            ClearRefusals();
            Refuse("edFullFileName", ModuleFormRes().GetString(kFileNameEmpty));
            return;
        }
        const std::string fileName = CompleteFileName(typed.substr(blank));
        auto list = BuildList(true);
        if (!list) return;
        Talvex::FieldList parm;
        parm.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(list)));
        parm.Add("FileName", FieldType::kMultiSelection, Value(fileName));
        CRepBuyFromPersonXML().Fill(parm);
        Talvex::Ui::MessageBox().ShowSingle(FormatMsg("The file %0 is written.", {Value(fileName)}), "Gerai");
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
