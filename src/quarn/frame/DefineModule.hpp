#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Recordset;
}
} // namespace Talvex

// Shared procedures of the module: obtaining the Book, numbered message formatting, code
// lists for IN (...), joining texts, aggregating recordset columns, nesting lists.
namespace Quarn_DuzAde {

// The Book from InParams("Book"), else the host's current one; raises (ModuleError with
// the number of vbObjectError) with message 842 when there is none. With storeInContext
// the Book found becomes the host's current one when the host has none.
std::shared_ptr<Talvex::Book> GetBook(const Talvex::FieldList* inParams, bool storeInContext);

// Replaces every "%<index>" by the argument's text, the highest index first, so "%10" is
// the eleventh argument and never the second followed by 0.
std::string FormatMsg(std::string_view messageTemplate, const std::vector<Talvex::Value>& args);

// "a,b,c" -> "'a','b','c'": every piece between delimiters a SQL text literal (a quote in it
// doubled), so a code holding quotes, commas of its own aside, stays one code.
std::string QuoteList(std::string_view list, std::string_view delimiter);

// Up to three parts joined by their separators and a blank, empty parts left out.
std::string JoinText(std::string_view separator, std::string_view text, std::string_view item,
                     std::string_view separator2, std::string_view item2);

// The locale's date separator between year and month (first) or month and day.
std::string DateSeparator(bool first);
// The same for a date pattern written with the locale's separators, e.g. "yyyy.mm.dd".
std::string DateSeparatorOf(std::string_view localeDatePattern, bool first);

// Mode 1 count, 4 sum, 5 maximum, 6 minimum of a column over the (filtered) rows; the
// caller's position and filter are untouched. A null value in the column fails.
Talvex::Currency RsAggregate(const Talvex::Data::Recordset& rs, const Talvex::Value& fieldKey, long mode,
                             std::string_view filter);

// Adds the value when no element equals it; true when it was there already.
bool AddUnique(std::vector<Talvex::Value>& values, const Talvex::Value& value);
// Upper bound of the array, -1 when it has no elements.
long SafeUBound(const std::vector<Talvex::Value>& values);

// A new list without a table whose derived table is the given list under the alias.
std::shared_ptr<Talvex::DataList> NestList(const std::shared_ptr<Talvex::DataList>& list, const std::string& alias,
                                           int sourceFlag, std::shared_ptr<Talvex::Book>& book, bool copyCaptions);

// The list with no columns of its own: a table joined only for its conditions and keys.
std::shared_ptr<Talvex::DataList> WithoutColumns(std::shared_ptr<Talvex::DataList> list);

std::string StripSuffix(std::string_view text, std::string_view suffix);

// An independent copy of a persistable object (a recordset: its visible rows, no longer
// shared); other objects cannot be copied (ValueError).
std::shared_ptr<Talvex::Object> CloneObject(const std::shared_ptr<Talvex::Object>& object);

// Reads the list behind the wait window; a negative ownerHwnd becomes the main form's
// handle and is given back. Failures are reported, not thrown.
void RefreshWithWait(Talvex::DataList& list, long& ownerHwnd);

} // namespace Quarn_DuzAde
