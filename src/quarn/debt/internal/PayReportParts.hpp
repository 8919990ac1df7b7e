#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/ParamChecks.hpp"

#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Recordset;
enum class DataTypeEnum : int;
} // namespace Data
namespace Ui {
class Form;
}
} // namespace Talvex

namespace Quarn_DuzAde::PayReportParts {

// What the payment reports' forms and results share.

// A parameter's text; empty when it is missing, empty or null.
std::string ParamText(const Talvex::FieldList& params, const char* name);
// A parameter's date, typed or given as ISO text; none when it holds no date.
std::optional<Talvex::Date> ParamDate(const Talvex::FieldList& params, const char* name);

// What a payment report over a period is asked: DateBeg and DateEnd (both required, the
// period checked as CheckPeriod does, naming DateEnd), RepDate (else the period's end) and
// Client (empty: every client). Throws ValueError naming the parameter.
struct PeriodAndClient {
    Talvex::Date dateBeg, dateEnd, repDate;
    std::string client;
};
PeriodAndClient ReadPeriodAndClient(const Talvex::FieldList& params);

// A payment report's question: the parameters `names` the caller gave (inParams) copied to
// outParams, then, for a visual run, the report's form shown over them. False when the user
// cancelled.
template <class Form>
bool Ask(bool visual, const std::shared_ptr<Talvex::Book>& book, const Talvex::FieldList& inParams,
         Talvex::FieldList& outParams, std::initializer_list<const char*> names)
{
    CopyParams(inParams, outParams, names);
    if (!visual) return true;
    Form form(book);
    return form.Run(outParams);
}

// The report's result handed back to the host ("DataList").
void HandBack(Talvex::FieldList& outParams, const std::shared_ptr<Talvex::Data::Recordset>& result);

// The date a control holds; throws ValueError naming the control when it holds none.
Talvex::Date ControlDate(const Talvex::Ui::Form& form, const char* control, const char* what);
// Throws ValueError naming the end box when the period ends before it starts or is longer
// than any report takes.
void CheckPeriod(Talvex::Date beg, Talvex::Date end, const char* endBox);
// The text a control holds, blanks trimmed.
std::string ControlText(const Talvex::Ui::Form& form, const char* control);

// Throws ValueError naming the control when the code names no client (a private person is
// written "~" + the person's code).
void CheckClient(Talvex::Book& book, const std::string& code, const char* control);

// A check's ValueError ("control: problem") as the form's refusal: the message and the
// control it names (empty when the message names no control of the form).
void RefusalOf(const Talvex::Ui::Form& form, const std::exception& error, std::string& message, std::string& control);

// The report's result as the host prints it: columns with their types, then the rows.
using Column = std::pair<const char*, Talvex::Data::DataTypeEnum>;
std::shared_ptr<Talvex::Data::Recordset> ResultTable(const std::vector<Column>& columns,
                                                     const std::vector<std::vector<Talvex::Value>>& rows);

// A list of the table that brings no columns of its own, for joining.
std::shared_ptr<Talvex::DataList> NoColumns(Talvex::Book& book, const std::string& table);

// The party of a document of any debt or payment type joined under "Party" to a list whose
// documents are "Doc" (outer: a document without one stays), with its client "Cl" and its
// person "Per"; the client's code ("~" + the code for a private person) and name as
// expressions.
void JoinParty(Talvex::Book& book, Talvex::DataList& list, const std::string& docAlias);
extern const char* const kPartyCode;
extern const char* const kPartyName;

// A date cell: empty when the row has no such date.
Talvex::Value DateCell(Talvex::Date date, bool present);

} // namespace Quarn_DuzAde::PayReportParts
