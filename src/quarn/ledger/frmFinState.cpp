#include "quarn/ledger/frmFinState.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/frmFinStateSettings.hpp"
#include "quarn/query/CDebtByDoc.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr const char* kCreditCaption = "Kreditinis įsiskolinimas";

// The boxes of the screen with their captions, in the order they are shown and printed.
struct Box {
    const char* control;
    const char* caption;
};
constexpr Box kBoxes[] = {
    {"edBankAccountRest", "Pinigų likučiai bankų sąskaitose : "},
    {"edCashAccountRest", "Pinigų likučiai kasoje : "},
    {"edDebetDebt", "Debetinis įsiskolinimas : "},
    {"edPassedDebetDebt", "Uždelstas : "},
    {"edCreditDebt", ""},
    {"edPassedCreditDebt", "Uždelstas : "},
    {"edTotal", "Galutinis likutis : "},
};

std::string CodesText(const std::vector<std::string>& codes)
{
    std::string text;
    for (const std::string& code : codes) {
        if (!text.empty()) text += ",";
        text += code;
    }
    return text;
}

} // namespace

frmFinState::frmFinState() : Form("frmFinState", "Finansinė būsena")
{
    Add(ControlKind::DateBox, "edDate", "Paskaičiuoti datai : ");
    for (const Box& box : kBoxes) {
        if (std::string_view(box.control) == "edCreditDebt") Add(ControlKind::Label, "lblCreditDebt");
        auto& number = Add(ControlKind::NumberBox, box.control, box.caption);
        number.SetDecimals(2);
        number.SetLocked(true);
    }
    Add(ControlKind::Button, "btParamsAccounts", "Parametrai: Accounts");
    Add(ControlKind::Button, "btParamsDocuments", "Parametrai: Documents");
    Add(ControlKind::Button, "btUsePrint", "Spausdinti");
    Add(ControlKind::Button, "btOk", "Gerai").SetCancel(true);
    On("edDate", "Change", [this](EventArgs&) { Recalculate(); });
    On("btParamsAccounts", "Click", [this](EventArgs&) { OpenSettings(false); });
    On("btParamsDocuments", "Click", [this](EventArgs&) { OpenSettings(true); });
    On("btUsePrint", "Click", [this](EventArgs&) {
        print_ = true;
        Hide();
    });
    On("btOk", "Click", [this](EventArgs&) { Hide(); });
}

bool frmFinState::Run(std::shared_ptr<Talvex::Book> oBook)
{
    if (!oBook) throw Talvex::ValueError("frmFinState: no Book to work the figures out from");
    book_ = std::move(oBook);
    print_ = false;
    Ctl("edDate").SetValue(Value(book_->Today()));
    Recalculate();
    Show(true);
    return print_;
}

void frmFinState::Recalculate()
{
    try {
        const Value date = Ctl("edDate").GetValue();
        if (!date.IsDate()) return;
        settings_ = LoadSettings(*book_);
        figures_ = Compute(*book_, settings_, date.ToDate());
        ShowFigures();
    } catch (...) {
        ReportError();
    }
}

void frmFinState::ShowFigures()
{
    auto set = [this](const char* control, const std::optional<Currency>& value) {
        // A figure whose list is empty keeps what the box showed.
        if (value) Ctl(control).SetValue(Value(*value));
    };
    set("edBankAccountRest", figures_.bank);
    set("edCashAccountRest", figures_.cash);
    if (figures_.debit) {
        set("edDebetDebt", figures_.debit->debt);
        set("edPassedDebetDebt", figures_.debit->passed);
    }
    if (figures_.credit) {
        set("edCreditDebt", figures_.credit->debt);
        set("edPassedCreditDebt", figures_.credit->passed);
    }
    Ctl("edTotal").SetValue(Value(figures_.Total()));
    Ctl("lblCreditDebt").SetCaption(CreditCaption(settings_.kreditDate));
}

void frmFinState::OpenSettings(bool documents)
{
    try {
        frmFinStateSettings settings(documents ? frmFinStateSettings::Mode::Documents
                                               : frmFinStateSettings::Mode::Accounts);
        if (settings.Run(book_)) Recalculate();
    } catch (...) {
        ReportError();
    }
}

std::string frmFinState::CreditCaption(std::optional<Date> kreditDate)
{
    std::string caption = kCreditCaption;
    if (kreditDate) caption += " iki " + kreditDate->ToIso();
    return caption + " : ";
}

frmFinState::Settings frmFinState::LoadSettings(Talvex::Book& book)
{
    Talvex::UserSettings store(book);
    auto codes = [&](const char* key, std::vector<std::string> fallback) {
        const Value kept = store.Load(kSettingsKey, key);
        if (kept.IsEmpty() || kept.IsNull()) return fallback;
        return CodeListOf(kept.ToText());
    };
    Settings settings;
    settings.bankAccounts = codes("BankAccount", {"271"});
    settings.cashAccounts = codes("CashAccount", {"272"});
    settings.debetDocs = codes("DebetDocs", CDebtByDoc::DocTypesByDirection(2));
    settings.kreditDocs = codes("KreditDocs", CDebtByDoc::DocTypesByDirection(1));
    const Value date = store.Load(kSettingsKey, "KreditDate");
    Date kreditDate;
    if (date.IsDate())
        settings.kreditDate = date.ToDate();
    else if (!date.IsEmpty() && !date.IsNull() && Date::TryParse(date.ToText(), kreditDate))
        settings.kreditDate = kreditDate;
    return settings;
}

void frmFinState::SaveSettings(Talvex::Book& book, const Settings& settings)
{
    Talvex::UserSettings store(book);
    store.Save(kSettingsKey, "BankAccount", Value(CodeListText(settings.bankAccounts)));
    store.Save(kSettingsKey, "CashAccount", Value(CodeListText(settings.cashAccounts)));
    store.Save(kSettingsKey, "DebetDocs", Value(CodeListText(settings.debetDocs)));
    store.Save(kSettingsKey, "KreditDocs", Value(CodeListText(settings.kreditDocs)));
    store.Save(kSettingsKey, "KreditDate",
               settings.kreditDate ? Value(settings.kreditDate->ToIso()) : Value(std::string()));
}

FinStateFigures frmFinState::Compute(Talvex::Book& book, const Settings& settings, Date date)
{
    FinStateFigures figures;
    figures.bank = Balance(book, settings.bankAccounts, date);
    figures.cash = Balance(book, settings.cashAccounts, date);
    figures.debit = Debt(book, settings.debetDocs, date, std::nullopt);
    figures.credit = Debt(book, settings.kreditDocs, date, settings.kreditDate);
    return figures;
}

std::optional<Currency> frmFinState::Balance(Talvex::Book& book, const std::vector<std::string>& accounts, Date date)
{
    if (accounts.empty()) return std::nullopt;
    auto list = book.CreateList("GLBalanceStatementD");
    list->Params().Item("DateFrom").SetValue(Value(date));
    list->Params().Item("DateTo").SetValue(Value(date));
    list->Params().Item("AccSetCode").SetValue(book.Setting("AccSetCode"));
    list->Fields().SelectFields({"Code", "OutcomeDBalance", "OutcomeCBalance"});
    list->SetFilter(SqlTools::CondByName("oTable.Code", Kind::kCode, Op::kInList, Value(CodesText(accounts))));
    list->Refresh();
    auto rs = list->Recordset();
    std::vector<FinStateBalance> balances;
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            balances.push_back({rs->Fields()("Code").Value().ToText(),
                                rs->Fields()("OutcomeDBalance").Value().ToCurrency(),
                                rs->Fields()("OutcomeCBalance").Value().ToCurrency()});
    return NetBalance(balances);
}

std::optional<FinStateDebt> frmFinState::Debt(Talvex::Book& book, const std::vector<std::string>& docTypes, Date date,
                                              std::optional<Date> limitDate)
{
    if (docTypes.empty()) return std::nullopt;
    // The database sums the terms per due day; the rules on the days are the pure step's.
    auto list = book.CreateList("THDocumentPayTermCur");
    list->Fields().SelectFields({"NeedPayDate"});
    list->Fields().AddField("DebtSumma", Kind::kAmount, "oTable.DebtSumma").SetAggregate(Talvex::Aggregate::kSum);
    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocTypeCode", Kind::kCode, Op::kInList, Value(CodesText(docTypes))),
         "oTable.IsPosted = 1", "oTable.DebtSumma <> 0"}));
    list->Refresh();
    auto rs = list->Recordset();
    std::vector<FinStateDueDay> days;
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const Value due = rs->Fields()("NeedPayDate").Value();
            const Value sum = rs->Fields()("DebtSumma").Value();
            days.push_back({due.IsDate() ? due.ToDate() : Date(), sum.IsNull() ? Currency() : sum.ToCurrency()});
        }
    return DebtOf(days, date, limitDate);
}

std::shared_ptr<Talvex::Data::Recordset> frmFinState::PrintList() const
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    rs->Fields().Append("Caption", DataTypeEnum::VarChar, 100);
    rs->Fields().Append("Summa", DataTypeEnum::Currency);
    rs->Open();
    auto add = [&rs](const std::string& caption, const Value& value) {
        rs->AddNew();
        rs->Fields().Item("Caption").SetValue(Value(caption));
        rs->Fields().Item("Summa").SetValue(value.IsEmpty() || value.IsNull() ? Value(Currency()) : value);
        rs->Update();
    };
    for (const Box& box : kBoxes) {
        const std::string caption =
            std::string_view(box.control) == "edCreditDebt" ? Ctl("lblCreditDebt").Caption() : box.caption;
        add(caption, Ctl(box.control).GetValue());
    }
    rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
