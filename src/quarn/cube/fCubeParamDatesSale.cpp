#include "quarn/cube/fCubeParamDatesSale.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <vector>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr long kPeriodText = 15100;
constexpr long kWeekText = 15101;
constexpr long kGoodText = 15001;
constexpr long kBuyerText = 15123;

// Selection types of a reference selector: a list of codes, a tree node, one code.
constexpr long kSelectList = 1;
constexpr long kSelectOne = 3;

bool FlagSet(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() == 1;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

std::string TextOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

// The codes a selector holds ("C1, C2") one by one, blanks around each trimmed.
std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string code = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto first = code.find_first_not_of(' ');
        const auto last = code.find_last_not_of(' ');
        if (first != std::string::npos) codes.push_back(code.substr(first, last - first + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

// "N'C1',N'C2'" (an in-list as SQL literals) -> "C1,C2"; a text without quotes stays.
std::string BareCodes(const std::string& list)
{
    if (list.find('\'') == std::string::npos) return list;
    std::string bare;
    bool inLiteral = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (!inLiteral) {
            if (c == '\'')
                inLiteral = true;
            else if (c == ',')
                bare += ',';
            continue;
        }
        if (c == '\'') {
            if (i + 1 < list.size() && list[i + 1] == '\'') {
                bare += '\'';
                ++i;
            } else {
                inLiteral = false;
            }
            continue;
        }
        bare += c;
    }
    return bare;
}

// Throws ValueError naming the selector when a chosen buyer is not a client.
void CheckClientsExist(Talvex::Book& book, const std::vector<std::string>& codes)
{
    std::string list;
    for (const auto& code : codes)
        list += (list.empty() ? "" : ",") + Talvex::SqlTools::Literal(FieldType::kCode, Value(code));
    auto clients = book.CreateList("REFClient");
    clients->Fields().SelectFields({"Code"});
    clients->SetFilter(
        Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kInList, Value(list)));
    clients->Refresh();
    std::vector<std::string> found;
    auto rs = clients->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        found.push_back(rs->Fields().Item("Code").Value().ToText());
    for (const auto& code : codes) {
        if (std::find(found.begin(), found.end(), code) == found.end())
            throw Talvex::ValueError("selClient: there is no client with the code '" + code + "'");
    }
}

void Put(FieldList& params, const std::string& name, FieldType typeCode, Value value)
{
    params.Add(name, typeCode, std::move(value));
}

} // namespace

fCubeParamDatesSale::fCubeParamDatesSale() : fCubeParamDatesSale("fCubeParamDatesSale") {}

fCubeParamDatesSale::fCubeParamDatesSale(const char* formName) : Form(formName)
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "GoodCombo", res.GetString(kGoodText)).BindLookup({"REFGood", "Code", "Name"});
    auto& common = Add(ControlKind::OptionButton, "optCommon", "Common unit");
    common.SetGroup("optUnit");
    auto& account = Add(ControlKind::OptionButton, "optAccount", "Accounting unit");
    account.SetGroup("optUnit");
    account.SetValue(Value(true));
    Add(ControlKind::CheckBox, "chDimWeek", res.GetString(kWeekText));
    Add(ControlKind::CheckBox, "chIsMngBKeeping", "Management accounting");
    Add(ControlKind::CheckBox, "chCenterBranch", "Centre and branches");
    Add(ControlKind::Selector, "selClient", res.GetString(kBuyerText))
        .BindSelector({"REFClient", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeParamDatesSale::Browse(Talvex::Ui::Form* /*owner*/, FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    LoadFromParams(repParams);
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeParamDatesSale::LoadFromParams(const FieldList& params)
{
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
    Ctl("GoodCombo").SetValue(Value(TextOf(params, "GoodCode")));
    const bool common = FlagSet(params, "IsCommon");
    Ctl("optCommon").SetValue(Value(common));
    Ctl("optAccount").SetValue(Value(!common));
    Ctl("chDimWeek").SetValue(Value(FlagSet(params, "IncludeDimWeek") ? 1 : 0));
    Ctl("chIsMngBKeeping").SetValue(Value(FlagSet(params, "IsMngBKeeping") ? 1 : 0));
    Ctl("chCenterBranch").SetValue(Value(FlagSet(params, "CenterBranch") ? 1 : 0));
    // A list of codes arrives as SQL literals ("N'C1',N'C2'"); the selector shows them bare.
    Ctl("selClient").SetValue(Value(BareCodes(TextOf(params, "SelClientList"))));
    loadedClients_ = Ctl("selClient").GetValue().ToText();
}

void fCubeParamDatesSale::CheckInput() const
{
    const Value& beg = Ctl("edBegDate").GetValue();
    const Value& end = Ctl("edEndDate").GetValue();
    if (!beg.IsDate()) throw Talvex::ValueError("edBegDate: the period needs a start date");
    if (!end.IsDate()) throw Talvex::ValueError("edEndDate: the period needs an end date");
    if (end.ToDate() < beg.ToDate())
        throw Talvex::ValueError("edEndDate: the period ends (" + end.ToDate().ToIso() + ") before it starts (" +
                                 beg.ToDate().ToIso() + ")");
    if (const std::string tooLong = PeriodTooLong("edEndDate", beg.ToDate(), end.ToDate()); !tooLong.empty())
        throw Talvex::ValueError(tooLong);
}

void fCubeParamDatesSale::btOk_Click()
{
    try {
        CheckInput();
        if (params_) WriteToParams(*params_);
        confirmed_ = true;
        Hide();
    } catch (...) {
        // The form stays open with the user's input, and the parameters stay as they were.
        ReportError();
    }
}

void fCubeParamDatesSale::WriteToParams(FieldList& params) const
{
    const std::string goodCode = Ctl("GoodCombo").GetValue().ToText();
    // The caption tells a group from a good; the goods reference knows which it is.
    long isGroup = 0;
    if (!goodCode.empty() && params.ExistsField("Book")) {
        auto book = std::dynamic_pointer_cast<Talvex::Book>(params.Item("Book").GetValue().ToObject());
        if (book) {
            auto goods = book->CreateList("REFGood");
            goods->Fields().SelectFields({"Code", "IsGroup"});
            goods->SetFilter(Talvex::SqlTools::CondByField(goods->Fields().Item("Code"), Talvex::SqlOperator::kEqual,
                                                           Value(goodCode)));
            goods->Refresh();
            auto rs = goods->Recordset();
            if (rs->RecordCount() == 0)
                throw Talvex::ValueError("GoodCombo: there is no good or goods group with the code '" + goodCode + "'");
            rs->MoveFirst();
            isGroup = rs->Fields().Item("IsGroup").Value().ToInteger() == 1 ? 1 : 0;
        }
    }

    // Buyers: one code is an equality, several an in-list written as SQL literals. A
    // selection the user left as it came (a tree node, say) keeps its kind.
    const std::string clients = Ctl("selClient").GetValue().ToText();
    const bool clientsChanged = clients != loadedClients_ || !params.ExistsField("SelClientType");
    const std::vector<std::string> codes = CodesOf(clients);
    if (clientsChanged && !codes.empty() && params.ExistsField("Book")) {
        auto book = std::dynamic_pointer_cast<Talvex::Book>(params.Item("Book").GetValue().ToObject());
        if (book) CheckClientsExist(*book, codes);
    }

    Put(params, "DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    Put(params, "DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
    Put(params, "GoodCode", FieldType::kCode, Value(goodCode));
    Put(params, "IsGroup", FieldType::kFlag, Value(isGroup));
    if (!params.ExistsField("UseFixPrice")) Put(params, "UseFixPrice", FieldType::kFlag, Value(0));
    Put(params, "IsCommon", FieldType::kFlag, Value(Ctl("optCommon").GetValue().ToBool() ? 1 : 0));
    Put(params, "IncludeDimWeek", FieldType::kFlag, Value(Ctl("chDimWeek").GetValue().ToBool() ? 1 : 0));
    Put(params, "IsMngBKeeping", FieldType::kFlag, Value(Ctl("chIsMngBKeeping").GetValue().ToBool() ? 1 : 0));
    Put(params, "CenterBranch", FieldType::kFlag, Value(Ctl("chCenterBranch").GetValue().ToBool() ? 1 : 0));

    if (!clientsChanged) return;
    std::string list;
    long type = 0;
    if (codes.size() == 1) {
        list = codes.front();
        type = kSelectOne;
    } else if (codes.size() > 1) {
        for (const auto& code : codes)
            list += (list.empty() ? "" : ",") + Talvex::SqlTools::Literal(FieldType::kCode, Value(code));
        type = kSelectList;
    }
    Put(params, "SelClientList", FieldType::kLongText, Value(list));
    Put(params, "SelClientType", FieldType::kInteger, Value(type));
}

} // namespace Quarn_DuzAde
