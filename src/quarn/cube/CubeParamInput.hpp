#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
class Value;
namespace Ui {
class Form;
}
} // namespace Talvex

namespace Quarn_DuzAde::CubeParamInput {

// What the parameter forms of the purchase, stock and cost cubes share.

// A parameter's text; empty when it is missing or null.
std::string Text(const Talvex::FieldList& params, const char* name);
// True when the parameter equals 1.
bool Flag(const Talvex::FieldList& params, const char* name);
// The Book the parameters carry, or null.
std::shared_ptr<Talvex::Book> BookOf(const Talvex::FieldList& params);

// The period of two date boxes: throws ValueError naming the box that is empty, or the end
// box when the period ends before it starts or is longer than any report takes.
void CheckPeriod(const Talvex::Ui::Form& form, const char* begBox, const char* endBox);

// The codes a selector holds ("C1, C2") one by one, blanks trimmed.
std::vector<std::string> Codes(const std::string& text);
// The codes of a client selection as PutClientSelection wrote it: an in-list of SQL
// literals ("N'C1',N'C''2'") read back to its codes, or one bare code.
std::vector<std::string> SelectedCodes(const std::string& list);

// Throws ValueError naming the control when a code is not in the reference table.
void CheckCodesExist(Talvex::Book& book, const std::string& table, const std::vector<std::string>& codes,
                     const char* control, const std::string& what);

// The goods node or good chosen: 1 when the code names a group, 0 for a good; throws
// ValueError naming the control when the goods reference has no such code.
long GoodIsGroup(Talvex::Book& book, const std::string& code, const char* control);

// Writes a selection of clients as the reference filters read it: one code as itself
// (type 3), several as an in-list of literals (type 1), none as empty (type 0).
void PutClientSelection(Talvex::FieldList& params, const std::vector<std::string>& codes, const char* listName,
                        const char* typeName);

} // namespace Quarn_DuzAde::CubeParamInput
