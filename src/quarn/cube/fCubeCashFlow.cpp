#include "quarn/cube/fCubeCashFlow.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/RCashFlow.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ComboItem;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr long kDatesWrong = 27133;
constexpr long kNoAnalytType = 27134;
constexpr long kNoAccSet = 27135;
constexpr long kNoCashAccount = 27136;
constexpr long kNoBudgetAccount = 27154;
constexpr long kAccountLacksAnalyt = 27155;
constexpr long kFlowKindText = 27143;
constexpr long kFactRestText = 27156;
constexpr long kSFRestText = 27157;
constexpr long kPlanRestText = 27158;

std::string TextOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

std::vector<ComboItem> Items(Talvex::Book& book, std::string_view sql, const std::vector<Value>& args)
{
    std::vector<ComboItem> items;
    for (const auto& row : book.Db().Query(sql, args).rows)
        items.push_back({TextOf(row[0]), TextOf(row[1])});
    return items;
}

bool Exists(Talvex::Book& book, std::string_view sql, const std::vector<Value>& args)
{
    return !book.Db().Query(sql, args).rows.empty();
}

Date DateOf(const Value& v)
{
    if (v.IsDate()) return v.ToDate();
    Date d;
    if (v.IsText() && Date::TryParse(v.ToText(), d)) return d;
    return Date();
}

} // namespace

fCubeCashFlow::fCubeCashFlow() : ParamForm("fCubeCashFlow", OLAP::ResString(27149))
{
    Add(ControlKind::DateBox, "edBegDate", "From");
    Add(ControlKind::DateBox, "edEndDate", "To");
    Add(ControlKind::ComboBox, "cbAccSet", "Budget account set");
    Add(ControlKind::ComboBox, "cbGenAcc", "Budget account");
    Add(ControlKind::ComboBox, "cbAnType", OLAP::ResString(kFlowKindText));
    Add(ControlKind::ComboBox, "cbAcc", "Cash account");
    Add(ControlKind::CheckBox, "chPlanRest", OLAP::ResString(kPlanRestText));
    Add(ControlKind::CheckBox, "chSFRest", OLAP::ResString(kSFRestText));
    Add(ControlKind::CheckBox, "chFactRest", OLAP::ResString(kFactRestText));
    On("cbAccSet", "Change", [this](EventArgs&) { cbAccSet_Change(); });
    On("cbGenAcc", "Change", [this](EventArgs&) { cbGenAcc_Change(); });
}

bool fCubeCashFlow::Run(std::shared_ptr<Talvex::Book> book, const Talvex::FieldList& given, CashFlowParams& params)
{
    if (!book) throw Talvex::ValueError("fCubeCashFlow: no Book");
    book_ = std::move(book);
    given_ = &given;
    const bool ok = Execute();
    given_ = nullptr;
    if (!ok) return false;
    params = Chosen();
    Talvex::UserSettings settings(*book_);
    const char* key = RCashFlow::kSettingsKey;
    settings.Save(key, "BegDate", Value(params.begDate));
    settings.Save(key, "EndDate", Value(params.endDate));
    settings.Save(key, "AccSet", Value(params.accSetBudget));
    settings.Save(key, "GenAcc", Value(params.accBudget));
    settings.Save(key, "AnType", Value(params.flowKindAnlt));
    settings.Save(key, "Acc", Value(params.acc));
    settings.Save(key, "Rests", Value(std::string(params.planRest ? "1" : "0") + (params.sfRest ? "1" : "0") +
                                      (params.factRest ? "1" : "0")));
    return true;
}

// The given dates first, then the user's last choice, then the company's defaults.
void fCubeCashFlow::BeforeShow()
{
    const CashFlowParams defaults = RCashFlow::DefaultParams(*book_);
    Talvex::UserSettings settings(*book_);
    const char* key = RCashFlow::kSettingsKey;
    auto saved = [&](const char* name, const std::string& fallback) {
        const std::string text = TextOf(settings.Load(key, name));
        return text.empty() ? fallback : text;
    };
    auto date = [&](const char* param, const char* name, Date fallback) {
        if (given_ && given_->ExistsField(param)) {
            const Date d = DateOf(given_->Item(param).GetValue());
            if (d != Date()) return d;
        }
        Date d;
        return Date::TryParse(TextOf(settings.Load(key, name)), d) ? d : fallback;
    };
    Ctl("edBegDate").SetValue(Value(date("BegDate", "BegDate", defaults.begDate)));
    Ctl("edEndDate").SetValue(Value(date("EndDate", "EndDate", defaults.endDate)));
    Ctl("cbAccSet").SetItems(Items(*book_, "SELECT Code, Name FROM GLAccSet WHERE IsBudget = 1 ORDER BY Code", {}));
    Ctl("cbAccSet").SetValue(Value(saved("AccSet", defaults.accSetBudget)));
    LoadAccounts();
    Ctl("cbGenAcc").SetValue(Value(saved("GenAcc", defaults.accBudget)));
    LoadAnalytTypes();
    Ctl("cbAnType").SetValue(Value(saved("AnType", defaults.flowKindAnlt)));
    Ctl("cbAcc").SetItems(Items(*book_, "SELECT Code, Name FROM GLAccount WHERE AccSetCode = ? ORDER BY Code",
                                {book_->Setting("AccSetCode")}));
    Ctl("cbAcc").SetValue(Value(saved("Acc", defaults.acc)));
    const std::string rests = saved("Rests", "001");
    Ctl("chPlanRest").SetValue(Value(rests.size() > 0 && rests[0] == '1' ? 1 : 0));
    Ctl("chSFRest").SetValue(Value(rests.size() > 1 && rests[1] == '1' ? 1 : 0));
    Ctl("chFactRest").SetValue(Value(rests.size() > 2 && rests[2] == '1' ? 1 : 0));
}

void fCubeCashFlow::LoadAccounts()
{
    Ctl("cbGenAcc").SetItems(Items(*book_, "SELECT Code, Name FROM GLAccount WHERE AccSetCode = ? ORDER BY Code",
                                   {Value(TextOf(Ctl("cbAccSet").GetValue()))}));
}

void fCubeCashFlow::LoadAnalytTypes()
{
    auto types = book_->CreateList("GLAccountAnalytTypeT");
    types->Params().Item("AccSetCode").SetValue(Value(TextOf(Ctl("cbAccSet").GetValue())));
    types->Params().Item("AccCode").SetValue(Value(TextOf(Ctl("cbGenAcc").GetValue())));
    types->Fields().SelectFields({"Code", "Name"});
    types->OrderBy("oTable.Code");
    types->Refresh();
    std::vector<ComboItem> items;
    auto rs = types->Recordset();
    if (rs && rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            items.push_back({TextOf(rs->Fields()("Code").Value()), TextOf(rs->Fields()("Name").Value())});
    Ctl("cbAnType").SetItems(items);
}

void fCubeCashFlow::cbAccSet_Change()
{
    try {
        LoadAccounts();
        Ctl("cbGenAcc").SetValue(Value(std::string()));
        LoadAnalytTypes();
        Ctl("cbAnType").SetValue(Value(std::string()));
    } catch (...) {
        ReportError();
    }
}

void fCubeCashFlow::cbGenAcc_Change()
{
    try {
        LoadAnalytTypes();
        // The type chosen stays when the new account is kept by it too.
        const std::string type = TextOf(Ctl("cbAnType").GetValue());
        bool kept = false;
        for (const auto& item : Ctl("cbAnType").Items())
            kept = kept || item.code == type;
        if (!kept) Ctl("cbAnType").SetValue(Value(std::string()));
    } catch (...) {
        ReportError();
    }
}

CashFlowParams fCubeCashFlow::Chosen() const
{
    CashFlowParams p;
    p.begDate = DateOf(Ctl("edBegDate").GetValue());
    p.endDate = DateOf(Ctl("edEndDate").GetValue());
    p.accSetBudget = TextOf(Ctl("cbAccSet").GetValue());
    p.accBudget = TextOf(Ctl("cbGenAcc").GetValue());
    p.flowKindAnlt = TextOf(Ctl("cbAnType").GetValue());
    p.acc = TextOf(Ctl("cbAcc").GetValue());
    p.planRest = Ctl("chPlanRest").GetValue().ToBool();
    p.sfRest = Ctl("chSFRest").GetValue().ToBool();
    p.factRest = Ctl("chFactRest").GetValue().ToBool();
    return p;
}

fCubeCashFlow::Refusal fCubeCashFlow::Check(Talvex::Book& book, const CashFlowParams& p)
{
    const auto res = [](long id) { return OLAP::ResString(id); };
    if (p.begDate == Date()) return {res(kDatesWrong), "edBegDate"};
    if (p.endDate == Date() || p.endDate < p.begDate) return {res(kDatesWrong), "edEndDate"};
    if (p.accSetBudget.empty() ||
        !Exists(book, "SELECT 1 FROM GLAccSet WHERE Code = ? AND IsBudget = 1", {Value(p.accSetBudget)}))
        return {res(kNoAccSet), "cbAccSet"};
    if (p.accBudget.empty() || !Exists(book, "SELECT 1 FROM GLAccount WHERE AccSetCode = ? AND Code = ?",
                                       {Value(p.accSetBudget), Value(p.accBudget)}))
        return {res(kNoBudgetAccount), "cbGenAcc"};
    if (p.flowKindAnlt.empty() ||
        !Exists(book, "SELECT 1 FROM GLAccountAnalytTypeT(?, ?) WHERE Code = ?",
                {Value(p.accSetBudget), Value(p.accBudget), Value(p.flowKindAnlt)}))
        return {res(kNoAnalytType), "cbAnType"};
    // The cash account's rest starts the rests: without rests it is not needed.
    if (p.acc.empty()) {
        if (p.RestsWanted()) return {res(kNoCashAccount), "cbAcc"};
        return {};
    }
    const Value books = book.Setting("AccSetCode");
    if (!Exists(book, "SELECT 1 FROM GLAccount WHERE AccSetCode = ? AND Code = ?", {books, Value(p.acc)}))
        return {res(kNoCashAccount), "cbAcc"};
    if (!Exists(book, "SELECT 1 FROM GLAccountAnalytTypeT(?, ?) WHERE Code = ?",
                {books, Value(p.acc), Value(p.flowKindAnlt)}))
        return {FormatMsg(res(kAccountLacksAnalyt), {Value(p.acc), Value(p.flowKindAnlt)}), "cbAcc"};
    return {};
}

void fCubeCashFlow::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    const Refusal refusal = Check(*book_, Chosen());
    IsOk = refusal.message.empty();
    if (IsOk) return;
    ErrMessage = refusal.message;
    ErrControl = refusal.control;
}

} // namespace Quarn_DuzAde
