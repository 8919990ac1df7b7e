#include "quarn/ledger/frmFinStateSettings.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/ledger/frmFinState.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::SelectionType;
using Kind = Talvex::FieldType;

frmFinStateSettings::frmFinStateSettings(Mode mode) : ParamForm("frmFinStateSettings", "Parametrai"), mode_(mode)
{
    const bool documents = mode == Mode::Documents;
    const std::string reference = documents ? "THDocType" : "GLAccount";
    Add(ControlKind::Selector, "cbFirst", documents ? "Debetiniai dokumentai : " : "Banko sąskaitos : ")
        .BindSelector({reference, SelectionType::Multiple});
    Add(ControlKind::Selector, "cbSecond", documents ? "Kreditiniai dokumentai : " : "Kasos sąskaitos : ")
        .BindSelector({reference, SelectionType::Multiple});
    auto& date = Add(ControlKind::DateBox, "edDate", "Kreditinis įsiskolinimas iki : ");
    date.SetVisible(documents);
}

bool frmFinStateSettings::Run(std::shared_ptr<Talvex::Book> book)
{
    if (!book) throw Talvex::ValueError("frmFinStateSettings: no Book to keep the settings in");
    book_ = std::move(book);
    if (!Execute()) return false;
    frmFinState::Settings settings = frmFinState::LoadSettings(*book_);
    const auto first = CodeListOf(Ctl("cbFirst").GetValue().ToText());
    const auto second = CodeListOf(Ctl("cbSecond").GetValue().ToText());
    if (mode_ == Mode::Accounts) {
        settings.bankAccounts = first;
        settings.cashAccounts = second;
    } else {
        settings.debetDocs = first;
        settings.kreditDocs = second;
        const Value date = Ctl("edDate").GetValue();
        settings.kreditDate = date.IsDate() ? std::optional<Talvex::Date>(date.ToDate()) : std::nullopt;
    }
    frmFinState::SaveSettings(*book_, settings);
    return true;
}

void frmFinStateSettings::BeforeShow()
{
    const frmFinState::Settings settings = frmFinState::LoadSettings(*book_);
    allowed_.clear();
    std::shared_ptr<Talvex::DataList> list;
    if (mode_ == Mode::Accounts) {
        list = book_->CreateList("GLAccount");
        list->SetFilter(Talvex::SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Talvex::SqlOperator::kEqual,
                                                     book_->Setting("AccSetCode")));
        Ctl("cbFirst").SetValue(Value(CodeListText(settings.bankAccounts)));
        Ctl("cbSecond").SetValue(Value(CodeListText(settings.cashAccounts)));
    } else {
        list = book_->CreateList("THDocType");
        list->SetFilter("oTable.Category <> 2");
        Ctl("cbFirst").SetValue(Value(CodeListText(settings.debetDocs)));
        Ctl("cbSecond").SetValue(Value(CodeListText(settings.kreditDocs)));
        Ctl("edDate").SetValue(settings.kreditDate ? Value(*settings.kreditDate) : Value());
    }
    list->Fields().SelectFields({"Code"});
    list->Refresh();
    auto rs = list->Recordset();
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            allowed_.insert(rs->Fields()("Code").Value().ToText());
}

void frmFinStateSettings::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = true;
    for (const char* control : {"cbFirst", "cbSecond"}) {
        for (const std::string& code : CodeListOf(Ctl(control).GetValue().ToText())) {
            if (allowed_.count(code) != 0) continue;
            IsOk = false;
            ErrMessage =
                (mode_ == Mode::Accounts ? "The chart has no account '" : "There is no document type '") + code + "'.";
            ErrControl = control;
            return;
        }
    }
}

} // namespace Quarn_DuzAde
