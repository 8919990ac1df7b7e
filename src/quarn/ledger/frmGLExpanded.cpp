#include "quarn/ledger/frmGLExpanded.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/ChartChoice.hpp"
#include "quarn/ledger/GLExpandedFill.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Talvex::Ui::SelectionType;
using Kind = Talvex::FieldType;

namespace {

constexpr long kNoAccSet = 25887;

} // namespace

frmGLExpanded::frmGLExpanded() : ParamForm("frmGLExpanded", "Išplėstinė sąskaitų ataskaita")
{
    Add(ControlKind::DateBox, "edBegDate", "Nuo");
    Add(ControlKind::DateBox, "edEndDate", "Iki");
    Add(ControlKind::ComboBox, "cbAccSet", "Sąskaitų planas");
    auto& group = Add(ControlKind::OptionButton, "optAccGroup", "Sąskaitų grupė");
    group.SetGroup("optAcc");
    group.SetValue(Value(true));
    Add(ControlKind::Selector, "selAccGroup", "Grupė").BindSelector({"GLAccount", SelectionType::Single});
    auto& child = Add(ControlKind::OptionButton, "optAccChild", "Sąskaitos");
    child.SetGroup("optAcc");
    Add(ControlKind::Selector, "selAccChild", "Sąskaitos").BindSelector({"GLAccount", SelectionType::Multiple});
    On("cbAccSet", "Change", [this](EventArgs&) { cbAccSet_Change(); });
}

bool frmGLExpanded::Run(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& params)
{
    if (!book) throw Talvex::ValueError("frmGLExpanded: no Book to read the charts of accounts from");
    book_ = std::move(book);
    if (!Execute()) return false;
    std::string accounts;
    std::string refusal;
    std::string control;
    ChosenAccounts(accounts, refusal, control);
    params.Add("BegPeriod", Kind::kDate, Ctl("edBegDate").GetValue());
    params.Add("EndPeriod", Kind::kDate, Ctl("edEndDate").GetValue());
    params.Add("AccSetCode", Kind::kCode, Ctl("cbAccSet").GetValue());
    params.Add("AccountCode", Kind::kMultiSelection, Value(accounts));
    return true;
}

void frmGLExpanded::BeforeShow()
{
    OfferCharts(*book_, *this, "cbAccSet");
    const Talvex::Date today = book_->Today();
    if (!Ctl("edBegDate").GetValue().IsDate()) Ctl("edBegDate").SetValue(Value(today.FirstOfMonth()));
    if (!Ctl("edEndDate").GetValue().IsDate()) Ctl("edEndDate").SetValue(Value(today));
    LoadChart();
}

void frmGLExpanded::cbAccSet_Change()
{
    try {
        LoadChart();
        // Accounts of the former chart are no choice in the new one.
        std::string parameter, refusal, control;
        if (!ChosenAccounts(parameter, refusal, control) && !control.empty())
            Ctl(control).SetValue(Value(std::string()));
    } catch (...) {
        ReportError();
    }
}

void frmGLExpanded::LoadChart()
{
    chart_.clear();
    const std::string accSet = Ctl("cbAccSet").GetValue().ToText();
    if (accSet.empty()) return;
    auto accounts = book_->CreateList("GLAccount");
    accounts->Fields().SelectFields({"Code", "IsGroup"});
    accounts->SetFilter(
        Talvex::SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Talvex::SqlOperator::kEqual, Value(accSet)));
    accounts->Refresh();
    auto rs = accounts->Recordset();
    if (rs->RecordCount() == 0) return;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        chart_[rs->Fields()("Code").Value().ToText()] = rs->Fields()("IsGroup").Value().ToInteger() != 0;
}

bool frmGLExpanded::ChosenAccounts(std::string& parameter, std::string& refusal, std::string& control) const
{
    const bool byGroup = Ctl("optAccGroup").GetValue().ToBool();
    control = byGroup ? "selAccGroup" : "selAccChild";
    const std::vector<std::string> codes = AccountCodesOf(Ctl(control).GetValue().ToText());
    if (codes.empty()) {
        refusal = byGroup ? "Choose a group account." : "Choose the accounts.";
        return false;
    }
    for (const std::string& code : codes) {
        const auto found = chart_.find(code);
        if (found == chart_.end()) {
            refusal = "The chart has no account '" + code + "'.";
            return false;
        }
        if (found->second != byGroup) {
            refusal = byGroup ? "'" + code + "' is no group account." : "'" + code + "' is a group account.";
            return false;
        }
    }
    // A group goes as its code; posting accounts as a list of quoted codes.
    parameter = byGroup ? codes.front() : QuotedAccountCodes(codes);
    control.clear();
    return true;
}

void frmGLExpanded::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    const FieldRefusal refusal = ChartAndPeriodRefusal(*this, kNoAccSet);
    AnswerOK(refusal, IsOk, ErrMessage, ErrControl);
    std::string parameter;
    if (!refusal.Refused()) IsOk = ChosenAccounts(parameter, ErrMessage, ErrControl);
}

} // namespace Quarn_DuzAde
