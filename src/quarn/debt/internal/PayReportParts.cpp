#include "quarn/debt/internal/PayReportParts.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/PeriodLimit.hpp"

namespace Quarn_DuzAde::PayReportParts {

using Talvex::Date;
using Talvex::Value;

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Date date;
    if (Date::TryParse(Trimmed(value.ToText()), date)) return date;
    return std::nullopt;
}

} // namespace

std::string ParamText(const Talvex::FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : Trimmed(v.ToText());
}

std::optional<Date> ParamDate(const Talvex::FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return std::nullopt;
    return DateOf(params.Item(name).GetValue());
}

Date ControlDate(const Talvex::Ui::Form& form, const char* control, const char* what)
{
    const auto date = DateOf(form.Ctl(control).GetValue());
    if (!date) throw Talvex::ValueError(std::string(control) + ": " + what + " must be a date");
    return *date;
}

void CheckPeriod(Date beg, Date end, const char* endBox)
{
    if (end < beg)
        throw Talvex::ValueError(std::string(endBox) + ": the period ends (" + end.ToIso() + ") before it starts (" +
                                 beg.ToIso() + ")");
    if (const std::string tooLong = PeriodTooLong(endBox, beg, end); !tooLong.empty())
        throw Talvex::ValueError(tooLong);
}

PeriodAndClient ReadPeriodAndClient(const Talvex::FieldList& params)
{
    const auto beg = ParamDate(params, "DateBeg");
    const auto end = ParamDate(params, "DateEnd");
    if (!beg) throw Talvex::ValueError("DateBeg: the period needs a start date");
    if (!end) throw Talvex::ValueError("DateEnd: the period needs an end date");
    CheckPeriod(*beg, *end, "DateEnd");
    return {*beg, *end, ParamDate(params, "RepDate").value_or(*end), ParamText(params, "Client")};
}

std::string ControlText(const Talvex::Ui::Form& form, const char* control)
{
    const Value& v = form.Ctl(control).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : Trimmed(v.ToText());
}

void CheckClient(Talvex::Book& book, const std::string& code, const char* control)
{
    if (code.empty()) return;
    if (code.front() == '~')
        CubeParamInput::CheckCodesExist(book, "REFPerson", {code.substr(1)}, control, "person");
    else
        CubeParamInput::CheckCodesExist(book, "REFClient", {code}, control, "client");
}

void RefusalOf(const Talvex::Ui::Form& form, const std::exception& error, std::string& message, std::string& control)
{
    const std::string text = error.what();
    const auto colon = text.find(": ");
    control.clear();
    message = text;
    if (colon == std::string::npos) return;
    const std::string name = text.substr(0, colon);
    for (const auto& c : form.Controls()) {
        if (c->Name() == name) {
            control = name;
            message = text.substr(colon + 2);
            return;
        }
    }
}

std::shared_ptr<Talvex::Data::Recordset> ResultTable(const std::vector<Column>& columns,
                                                     const std::vector<std::vector<Value>>& rows)
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (const auto& [name, type] : columns)
        rs->Fields().Append(name, type);
    rs->Open();
    for (const auto& row : rows) {
        if (row.size() != columns.size())
            throw Talvex::ValueError("ResultTable: a row of " + std::to_string(row.size()) + " values for " +
                                     std::to_string(columns.size()) + " columns");
        rs->AddNew();
        for (std::size_t i = 0; i < row.size(); ++i)
            rs->Fields().Item(i).SetValue(row[i]);
        rs->Update();
    }
    if (!rows.empty()) rs->MoveFirst();
    return rs;
}

void HandBack(Talvex::FieldList& outParams, const std::shared_ptr<Talvex::Data::Recordset>& result)
{
    outParams.Add("DataList", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(result)));
}

std::shared_ptr<Talvex::DataList> NoColumns(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

// The role through which each document type names its client; a payment names its payer
// or payee.
constexpr const char* kPartyRoles = "CASE %0.DocTypeCode "
                                    "WHEN 'PISF' THEN 'PAR' WHEN 'PGA' THEN 'PAR' WHEN 'PIS' THEN 'PAR' "
                                    "WHEN 'PISD' THEN 'PAR' WHEN 'BCN' THEN 'PAR' WHEN 'TID' THEN 'GAV' "
                                    "WHEN 'TPPI' THEN 'VEZ' WHEN 'KOI' THEN 'GAV' WHEN 'MP' THEN 'GAV' "
                                    "WHEN 'MPT' THEN 'GAV' WHEN 'KOP' THEN 'MOK' WHEN 'KVT' THEN 'MOK' "
                                    "WHEN 'MPP' THEN 'MOK' WHEN 'MPPT' THEN 'MOK' ELSE 'PIR' END";

const char* const kPartyCode =
    "COALESCE(CASE WHEN Party.PartyType = 2 THEN '~' + Party.PartyCode ELSE Party.PartyCode END, '')";
const char* const kPartyName = "COALESCE(Per.FirstName + ' ' + Per.LastName, Cl.Name, '')";

void JoinParty(Talvex::Book& book, Talvex::DataList& list, const std::string& docAlias)
{
    std::string roles = kPartyRoles;
    roles.replace(roles.find("%0"), 2, docAlias);
    list.Join(NoColumns(book, "THPartyAttribute"), "Party",
              docAlias + ".IDC = Party.DocId AND Party.RolePartyCode = " + roles, 1);
    list.Join(NoColumns(book, "REFClient"), "Cl", "Party.PartyCode = Cl.Code AND Party.PartyType = 1", 1);
    list.Join(NoColumns(book, "REFPerson"), "Per", "Party.PartyCode = Per.Code AND Party.PartyType = 2", 1);
}

Value DateCell(Date date, bool present)
{
    return present ? Value(date) : Value();
}

} // namespace Quarn_DuzAde::PayReportParts
