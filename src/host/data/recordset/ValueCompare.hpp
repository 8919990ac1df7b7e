#pragma once

#include "host/types/Value.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace Talvex::Data::RecordsetDetail {

// Names of fields and key words compare without regard to case, letter by letter. Case is
// folded for ASCII, Latin-1, Latin Extended-A (all the Baltic letters) and Cyrillic; the
// order is that of the folded code points.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool EqualTextNoCase(std::string_view a, std::string_view b);

// Values of text fields compare as the ERP's database compares them: by the company's
// language (Lithuanian: C < Č < D, S < Š < T, Z < Ž, Ą beside A), case and trailing blanks
// left out, marks on letters counted.
int CompareText(std::string_view a, std::string_view b);
// A key of the text under the same rules: two texts compare equal exactly when their keys
// are equal.
std::string TextKey(std::string_view text);

// The pattern of a LIKE condition, folded once: '*' and '%' stand for any run of characters.
std::u32string FoldLikePattern(std::string_view pattern);
// The text's trailing blanks beyond those the pattern ends with do not count, as in the
// database: "abc  " is like "abc" and "abc ", "abc" is not like "abc ".
bool MatchesLike(std::string_view text, std::u32string_view foldedPattern);

// Orders two field values for a filter: numbers by value (exactly unless a double takes part),
// dates as dates, text by CompareText, flags false before true; text against a number or a
// date is read as one. Null, Empty, objects and values that cannot be read as each other do
// not compare: the result is empty.
std::optional<int> CompareValues(const Value& a, const Value& b);

// A total order for sorting: Null and Empty first, then values as CompareValues orders
// them; values that do not compare keep an order by kind.
int CompareForSort(const Value& a, const Value& b);

} // namespace Talvex::Data::RecordsetDetail
