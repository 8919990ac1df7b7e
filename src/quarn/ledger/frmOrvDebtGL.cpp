#include "quarn/ledger/frmOrvDebtGL.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/ledger/ChartChoice.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Kind = Talvex::FieldType;

namespace {

constexpr long kNoAccSet = 1594;
constexpr long kNoAccount = 1595;

} // namespace

frmOrvDebtGL::frmOrvDebtGL() : frmOrvDebtGL("frmOrvDebtGL", "Debitorių skola pagal sąskaitą", "240") {}

frmOrvDebtGL::frmOrvDebtGL(std::string name, std::string caption, std::string defaultAccount)
    : ParamForm(std::move(name), std::move(caption)), defaultAccount_(std::move(defaultAccount))
{
    Add(ControlKind::ComboBox, "cbAccSet", "Sąskaitų planas : ");
    Add(ControlKind::ComboBox, "cbAccCash", "sąskaita : ");
    Add(ControlKind::DateBox, "edRepDate", "Kokiai datai formuoti ataskaitą : ");
    Ctl(kOkButton).SetCaption("Parodyti ataskaitą");
    Ctl(kCancelButton).SetCaption("Atsisakyti");
    On("cbAccSet", "Change", [this](EventArgs&) { cbAccSet_Change(); });
}

bool frmOrvDebtGL::Init(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& outP)
{
    if (!book) throw Talvex::ValueError(Name() + ": no Book to read the charts of accounts from");
    book_ = std::move(book);
    if (!Execute()) return false;
    outP.Add("EndDate", Kind::kDate, Ctl("edRepDate").GetValue());
    outP.Add("AccSet", Kind::kCode, Ctl("cbAccSet").GetValue());
    outP.Add("Account", Kind::kCode, Ctl("cbAccCash").GetValue());
    return true;
}

void frmOrvDebtGL::BeforeShow()
{
    OfferCharts(*book_, *this, "cbAccSet");
    LoadAccounts();
    if (Ctl("cbAccCash").GetValue().ToText().empty()) {
        try {
            Ctl("cbAccCash").SetValue(Value(defaultAccount_));
        } catch (const Talvex::ValueError&) {
            Ctl("cbAccCash").SetValue(Value(std::string()));
        }
    }
    if (!Ctl("edRepDate").GetValue().IsDate()) Ctl("edRepDate").SetValue(Value(book_->Today()));
}

void frmOrvDebtGL::cbAccSet_Change()
{
    try {
        LoadAccounts();
    } catch (...) {
        ReportError();
    }
}

void frmOrvDebtGL::LoadAccounts()
{
    const std::string accSet = Ctl("cbAccSet").GetValue().ToText();
    std::vector<Talvex::Ui::ComboItem> items;
    if (!accSet.empty()) {
        auto accounts = book_->CreateList("GLAccount");
        accounts->Fields().SelectFields({"Code", "Name"});
        accounts->SetFilter(
            Talvex::SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Talvex::SqlOperator::kEqual, Value(accSet)));
        accounts->OrderBy("oTable.Code");
        items = CodeNameItems(*accounts);
    }
    Talvex::Ui::Control& account = Ctl("cbAccCash");
    const std::string chosen = account.GetValue().ToText();
    account.SetItems(items);
    // An account of the former chart is no choice in the new one.
    bool kept = false;
    for (const auto& item : items)
        kept = kept || item.code == chosen;
    if (!kept) account.SetValue(Value(std::string()));
}

void frmOrvDebtGL::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    if (Ctl("cbAccSet").GetValue().ToText().empty()) {
        ErrMessage = ModuleFormRes().GetString(kNoAccSet);
        ErrControl = "cbAccSet";
    } else if (Ctl("cbAccCash").GetValue().ToText().empty()) {
        ErrMessage = ModuleFormRes().GetString(kNoAccount);
        ErrControl = "cbAccCash";
    } else if (!Ctl("edRepDate").GetValue().IsDate()) {
        ErrMessage = "Enter the date of the report.";
        ErrControl = "edRepDate";
    } else {
        IsOk = true;
    }
}

} // namespace Quarn_DuzAde
