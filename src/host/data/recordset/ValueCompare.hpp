#pragma once

#include "host/types/Value.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace Talvex::Data::RecordsetDetail {

// Text compares as a recordset compares it: without regard to case, letter by letter. Case
// is folded for ASCII, Latin-1, Latin Extended-A (all the Baltic letters) and Cyrillic; the
// order is that of the folded code points, not a national collation.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool EqualTextNoCase(std::string_view a, std::string_view b);
// The text with its case folded as above: two texts are EqualTextNoCase exactly when their
// folded forms are equal.
std::string FoldText(std::string_view text);

// The pattern of a LIKE condition, folded once: '*' and '%' stand for any run of characters.
std::u32string FoldLikePattern(std::string_view pattern);
bool MatchesLike(std::string_view text, std::u32string_view foldedPattern);

// Orders two field values for a filter: numbers by value (exactly unless a double takes part),
// dates as dates, text without regard to case, flags false before true; text against a
// number or a date is read as one. Null, Empty, objects and values that cannot be read
// as each other do not compare: the result is empty.
std::optional<int> CompareValues(const Value& a, const Value& b);

// A total order for sorting: Null and Empty first, then values as CompareValues orders
// them; values that do not compare keep an order by kind.
int CompareForSort(const Value& a, const Value& b);

} // namespace Talvex::Data::RecordsetDetail
