#pragma once

#include "host/objects/Field.hpp"
#include "host/types/Value.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace Talvex {

// Comparison operators of condition builders, with the host's numbers.
enum class SqlOperator : int {
    kEqual = 1,
    kLess = 2,
    kNotGreater = 3,
    kGreater = 4,
    kNotLess = 5,
    kNotEqual = 6,
    kInList = 8,
    kBetween = 105,
};

// How condition lists are joined.
enum class CombineMode : int {
    kAnd = 1,
    kOr = 2,
};

// Writes SQL conditions with values as literals. It is the one place where a user's value
// becomes SQL text: every value is written by its field kind, text escaped, numbers and
// dates checked, so no value can change the statement around it.
class SqlTools {
public:
    // A condition on a field of a list, with the field's own kind:
    // CondByField(U.Fields("IsAccount"), SqlOperator::kEqual, 1) gives "oTable.IsAccount = 1".
    static std::string CondByField(const Field& field, SqlOperator operatorCode, const Value& value,
                                   const Value& secondValue = {});
    // A condition on an SQL expression, the value written as the given kind. A flag of
    // kForRecordset writes it as a recordset filter instead ('text', #date#, no N prefix,
    // BETWEEN as two comparisons), for lists filtered in memory.
    static constexpr int kForRecordset = 1;
    static std::string CondByName(std::string_view expression, FieldType kindCode, SqlOperator operatorCode,
                                  const Value& value, const Value& secondValue = {}, int flag = 0);
    // That the text of an expression holds the value, case ignored, the value taken as it
    // stands: unlike LIKE, a typed '%' or '_' matches only itself.
    static std::string CondContains(std::string_view expression, const Value& text);
    // Joins conditions with AND or OR, leaving out empty ones; each is bracketed.
    static std::string CombineConds(CombineMode mode, const std::vector<std::string>& conditions);
    // Ands a condition into a list filter text ("" stays out).
    static std::string AndFilter(std::string_view filter, std::string_view condition);

    // A value as an SQL literal of the kind: N'text' with quotes doubled, numbers checked,
    // dates as 'yyyy-mm-dd', flags as 1 or 0, NULL for null and empty values.
    static std::string Literal(FieldType kindCode, const Value& value);
    // The same value as a literal of a recordset filter.
    static std::string FilterLiteral(FieldType kindCode, const Value& value);
    // A comma-separated list of literals of the kind from a codes text: "a,b" or the
    // already quoted "'a','b'" both give N'a',N'b'.
    static std::string QuoteCodes(std::string_view codes, FieldType kindCode = FieldType::kCode);

    static bool IsTextKind(FieldType kindCode);
    static bool IsNumberKind(FieldType kindCode);
    static bool IsDateKind(FieldType kindCode);
};

} // namespace Talvex
