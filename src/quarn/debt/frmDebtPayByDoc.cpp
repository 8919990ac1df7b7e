#include "quarn/debt/frmDebtPayByDoc.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

std::string TextOf(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

// How many rows of a reference have the code (and, when asked, are groups).
std::int64_t CountOf(Talvex::Book& book, const std::string& table, const std::string& code,
                     const std::string& extra = {})
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({"Code"});
    list->SetFilter(Talvex::SqlTools::AndFilter(
        Talvex::SqlTools::CondByName("oTable.Code", Kind::kCode, Op::kEqual, Value(code)), extra));
    list->Refresh();
    return list->Recordset()->RecordCount();
}

std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        std::string code = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto first = code.find_first_not_of(' ');
        const auto last = code.find_last_not_of(' ');
        if (first != std::string::npos) codes.push_back(code.substr(first, last - first + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

} // namespace

frmDebtPayByDoc::frmDebtPayByDoc(bool byDepartment) : frmDebtPayByDoc("frmDebtPayByDoc", byDepartment, true) {}

frmDebtPayByDoc::frmDebtPayByDoc(const char* formName, bool byDepartment, bool withDate)
    : Form(formName), byDepartment_(byDepartment), withDate_(withDate)
{
    SetCaption(withDate ? "Debt payment by document" : "Outstanding accounts");
    if (withDate) Add(ControlKind::DateBox, "RepDate", "Report date");
    Add(ControlKind::ComboBox, "cbClient", "Client").BindLookup({"REFClient", "Code", "Name"});
    Add(ControlKind::CheckBox, "chClientIsGroup", "Client group");
    auto& receivables = Add(ControlKind::OptionButton, "Option1", "Receivables (clients owe us)");
    receivables.SetGroup("optSide");
    receivables.SetValue(Value(true));
    Add(ControlKind::OptionButton, "Option2", "Payables (we owe suppliers)").SetGroup("optSide");
    Add(ControlKind::Selector, "selMarketGroup", "Market groups")
        .BindSelector({"REFClientMarketGr", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::ComboBox, "cbDept", "Department").BindLookup({"REFDepartment", "Code", "Name"});
    Add(ControlKind::TextBox, "selContractType", "Contract types");
    Ctl("cbDept").SetVisible(byDepartment);
    Ctl("selContractType").SetVisible(byDepartment);
    Add(ControlKind::CheckBox, "chCenterBranch", "Centre and branches");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmDebtPayByDoc::Browse(FieldList& params, std::shared_ptr<Talvex::Book> book)
{
    params_ = &params;
    book_ = std::move(book);
    LoadFromParams(params);
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void frmDebtPayByDoc::LoadFromParams(const FieldList& params)
{
    if (withDate_ && params.ExistsField("RepDate")) Ctl("RepDate").SetValue(params.Item("RepDate").GetValue());
    Ctl("cbClient").SetValue(Value(TextOf(params, "Client")));
    Ctl("chClientIsGroup").SetValue(Value(TextOf(params, "ClientIsGroup") == "True" ? 1 : 0));
    const bool payables = TextOf(params, "Direction") == "1";
    Ctl("Option1").SetValue(Value(!payables));
    Ctl("Option2").SetValue(Value(payables));
    Ctl("selMarketGroup").SetValue(Value(TextOf(params, "MarketGroup")));
    Ctl("cbDept").SetValue(Value(TextOf(params, "Department")));
    Ctl("selContractType").SetValue(Value(TextOf(params, "ContractType")));
}

void frmDebtPayByDoc::CheckInput() const
{
    if (withDate_ && !Ctl("RepDate").GetValue().IsDate()) throw Talvex::ValueError("RepDate: the report needs a date");
    if (!book_) return;
    Talvex::Book* book = book_.get();
    const std::string client = Ctl("cbClient").GetValue().ToText();
    const bool isGroup = Ctl("chClientIsGroup").GetValue().ToBool();
    if (!client.empty()) {
        if (client.front() == '~') {
            if (isGroup) throw Talvex::ValueError("chClientIsGroup: a private person '" + client + "' is no group");
            if (CountOf(*book, "REFPerson", client.substr(1)) == 0)
                throw Talvex::ValueError("cbClient: there is no person with the code '" + client.substr(1) + "'");
        } else if (CountOf(*book, "REFClient", client) == 0) {
            throw Talvex::ValueError("cbClient: there is no client with the code '" + client + "'");
        } else if (isGroup && CountOf(*book, "REFClient", client, "oTable.IsGroup = 1") == 0) {
            throw Talvex::ValueError("chClientIsGroup: the client '" + client + "' is no client group");
        }
    } else if (isGroup) {
        throw Talvex::ValueError("cbClient: choose the client group");
    }
    for (const auto& code : CodesOf(Ctl("selMarketGroup").GetValue().ToText()))
        if (CountOf(*book, "REFClientMarketGr", code) == 0)
            throw Talvex::ValueError("selMarketGroup: there is no market group with the code '" + code + "'");
    const std::string department = Ctl("cbDept").GetValue().ToText();
    if (byDepartment_ && !department.empty() && CountOf(*book, "REFDepartment", department) == 0)
        throw Talvex::ValueError("cbDept: there is no department with the code '" + department + "'");
}

void frmDebtPayByDoc::WriteToParams(FieldList& params) const
{
    if (withDate_) params.Add("RepDate", Kind::kDate, Ctl("RepDate").GetValue());
    params.Add("Client", Kind::kLongText, Value(Ctl("cbClient").GetValue().ToText()));
    params.Add("ClientIsGroup", Kind::kFlag, Value(Ctl("chClientIsGroup").GetValue().ToBool()));
    params.Add("Direction", Kind::kQuantity, Value(std::int64_t{Ctl("Option2").GetValue().ToBool() ? 1 : 2}));
    std::string groups;
    for (const auto& code : CodesOf(Ctl("selMarketGroup").GetValue().ToText()))
        groups += (groups.empty() ? "" : ",") + code;
    params.Add("MarketGroup", Kind::kMultiSelection, Value(groups));
    if (byDepartment_) {
        params.Add("Department", Kind::kCode, Value(Ctl("cbDept").GetValue().ToText()));
        params.Add("ContractType", Kind::kMultiSelection, Value(Ctl("selContractType").GetValue().ToText()));
    }
    params.Add("CenterBranch", Kind::kFlag, Value(Ctl("chCenterBranch").GetValue().ToBool()));
}

void frmDebtPayByDoc::btOk_Click()
{
    try {
        if (params_) {
            CheckInput();
            WriteToParams(*params_);
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        // The form stays open with the user's input.
        ReportError();
    }
}

} // namespace Quarn_DuzAde
