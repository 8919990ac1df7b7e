#include "quarn/debt/frmDebtByAccPerson.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/OverdueIntervalGrid.hpp"
#include "quarn/frame/ReportError.hpp"

#include <sstream>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using FieldType = Talvex::FieldType;

namespace {

constexpr const char* kSettingsKey = "CDebtByAccPerson";
constexpr const char* kGrid = "SpecGrid";

std::string TextOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace

frmDebtByAccPerson::frmDebtByAccPerson() : Form("frmDebtByAccPerson")
{
    SetCaption("Debt by signing person");
    Add(ControlKind::DateBox, "edRepDate", "Report date");
    Add(ControlKind::Selector, "selPerson", "Signing persons")
        .BindSelector({"REFPerson", Talvex::Ui::SelectionType::Multiple});
    OverdueIntervalGrid::AddTo(*this, kGrid, false);
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmDebtByAccPerson::Run(std::shared_ptr<Talvex::Book> book, std::vector<OverdueInterval>& intervals, Date& repDate,
                             std::string& personList)
{
    if (!book) throw ValueError("frmDebtByAccPerson: no Book");
    book_ = std::move(book);
    Talvex::UserSettings settings(*book_);
    Date saved;
    if (!Date::TryParse(TextOf(settings.Load(kSettingsKey, "RepDate")), saved)) saved = book_->Today();
    Ctl("edRepDate").SetValue(Value(saved));
    Ctl("selPerson").SetValue(Value(TextOf(settings.Load(kSettingsKey, "Persons"))));
    // The grid starts empty each time: no intervals make the two bands due and not yet due.
    OverdueIntervalGrid::Show(*this, kGrid, {});
    confirmed_ = false;
    Show(true);
    if (!confirmed_) return false;
    intervals = intervals_;
    repDate = repDate_;
    personList = persons_;
    return true;
}

// The chosen persons, each checked against the persons' reference.
std::string frmDebtByAccPerson::CheckedPersons() const
{
    std::string persons;
    std::stringstream in(TextOf(Ctl("selPerson").GetValue()));
    std::string code;
    while (std::getline(in, code, ',')) {
        const auto first = code.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        code = code.substr(first, code.find_last_not_of(' ') - first + 1);
        auto list = book_->CreateList("REFPerson");
        list->Fields().SelectFields({"Code"});
        list->SetFilter(
            Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(code)));
        list->Refresh();
        if (list->Recordset()->RecordCount() == 0)
            throw ValueError("selPerson: there is no person with the code '" + code + "'");
        persons += (persons.empty() ? "" : ",") + code;
    }
    return persons;
}

void frmDebtByAccPerson::btOk_Click()
{
    try {
        if (!Ctl("edRepDate").GetValue().IsDate()) throw ValueError("edRepDate: the report needs a report date");
        repDate_ = Ctl("edRepDate").GetValue().ToDate();
        persons_ = CheckedPersons();
        intervals_ = OverdueIntervalGrid::Read(*this, kGrid);
        Talvex::UserSettings settings(*book_);
        settings.Save(kSettingsKey, "RepDate", Value(repDate_));
        settings.Save(kSettingsKey, "Persons", Value(persons_));
        confirmed_ = true;
        Hide();
    } catch (...) {
        // The form stays open with the user's input.
        ReportError();
    }
}

} // namespace Quarn_DuzAde
