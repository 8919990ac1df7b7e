#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace Talvex {
class Book;
class FieldList;
enum class FieldType : int;
namespace Ui {
class Form;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The date a control holds, typed or picked; none when it holds no date.
std::optional<Talvex::Date> ControlDate(const Talvex::Value& value);
// The text a control holds; empty when it holds none.
std::string ControlText(const Talvex::Value& value);

// Why a form's OK is refused and at which control; no control when it is not.
struct FieldRefusal {
    std::string control;
    std::string message;
    bool Refused() const { return !control.empty(); }
};

// A ParamForm's OK answer from a refusal: IsOk when there is none, else the message and the
// control (left as they are otherwise).
void AnswerOK(const FieldRefusal& refusal, bool& IsOk, std::string& ErrMessage, std::string& ErrControl);

// The period of two date boxes: a box without a date, an end before the beginning, a period
// longer than the module's longest (each refused at its box, with the module's texts).
FieldRefusal PeriodRefusal(const Talvex::Ui::Form& form, const char* begBox, const char* endBox);
// The department a box names: none chosen (when one is required), or a code the departments
// lack.
FieldRefusal DepartmentRefusal(Talvex::Book& book, const Talvex::Ui::Form& form, const char* box, bool required);
// The department's name; none when there is no department with the code. A department
// without a name shows by its code.
std::optional<std::string> DepartmentName(Talvex::Book& book, const std::string& code);

// Empty date boxes get the month of the Book's today so far.
void OfferMonthToDate(Talvex::Ui::Form& form, const Talvex::Book& book, const char* begBox, const char* endBox);
// Puts each named parameter that params holds into its control: {parameter, control}.
void LoadControls(Talvex::Ui::Form& form, const Talvex::FieldList& params,
                  std::initializer_list<std::pair<const char*, const char*>> names);
// Copies the named parameters that from holds into to, with their types.
void CopyParams(const Talvex::FieldList& from, Talvex::FieldList& to, std::initializer_list<const char*> names);

// A value the caller gave a report: in the output list first, as the host's contract has it,
// else in the input list (a command line puts its parameters there); empty when neither
// holds one.
Talvex::Value GivenParam(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams, std::string_view name);
// Adds a parameter of the contract to the list when the caller left it out.
void DeclareParam(Talvex::FieldList& params, const std::string& name, Talvex::FieldType kind,
                  const Talvex::Value& value);

// Tells the user that the report found nothing to show.
void SayNothingToShow();
// Shows a message in the user's session; a run without one (the command line) shows nothing.
void TellInSession(const std::string& text);

} // namespace Quarn_DuzAde
