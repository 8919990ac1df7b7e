#include "host/objects/SqlTools.hpp"

#include "host/data/QuoteText.hpp"
#include "host/objects/Field.hpp"
#include "host/types/Errors.hpp"

#include <cmath>
#include <optional>

namespace Talvex {
namespace {

std::string OperatorText(SqlOperator operatorCode)
{
    switch (operatorCode) {
    case SqlOperator::kEqual: return " = ";
    case SqlOperator::kLess: return " < ";
    case SqlOperator::kNotGreater: return " <= ";
    case SqlOperator::kGreater: return " > ";
    case SqlOperator::kNotLess: return " >= ";
    case SqlOperator::kNotEqual: return " <> ";
    case SqlOperator::kInList:
    case SqlOperator::kBetween: break;
    }
    throw ValueError("SqlTools: operator " + std::to_string(static_cast<int>(operatorCode)) +
                     " compares with one value only");
}

bool IsWholeNumberKind(FieldType kind)
{
    return kind == FieldType::kInteger || kind == FieldType::kId || kind == FieldType::kPosition;
}

// A text in quotes, as a statement or a recordset filter reads it. A NUL would end the
// statement's text on the server before the closing quote.
std::string QuotedText(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos) throw ValueError("SqlTools: a text value holds a NUL character");
    return Data::QuoteByDoubling(text, '\'');
}

std::string TextLiteral(std::string_view text)
{
    return "N" + QuotedText(text);
}

std::string NumberLiteral(const Value& value)
{
    if (auto d = std::get_if<double>(&value.Raw())) {
        if (!std::isfinite(*d)) throw ValueError("SqlTools: the number is not finite");
        return value.ToInvariantText();
    }
    if (auto d = std::get_if<Decimal>(&value.Raw())) return d->ToString();
    Currency c = value.ToCurrency(); // text must read as a number, or this throws
    return c.ToString();
}

// The items of a list of SQL literals ('a', N'b', 12) as they read; nothing when the text is
// not such a list.
std::optional<std::vector<std::string>> LiteralListItems(std::string_view codes)
{
    std::vector<std::string> items;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < codes.size() && (codes[i] == ' ' || codes[i] == '\t'))
            ++i;
    };
    while (i < codes.size()) {
        skipBlanks();
        if (i < codes.size() && (codes[i] == 'N' || codes[i] == 'n') && i + 1 < codes.size() && codes[i + 1] == '\'')
            ++i;
        if (i < codes.size() && codes[i] == '\'') {
            std::string item;
            ++i;
            bool closed = false;
            while (i < codes.size()) {
                if (codes[i] == '\'') {
                    if (i + 1 < codes.size() && codes[i + 1] == '\'') {
                        item += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                item += codes[i++];
            }
            if (!closed) return std::nullopt;
            items.push_back(item);
        } else {
            std::size_t start = i;
            while (i < codes.size() && codes[i] != ',')
                ++i;
            std::string item(codes.substr(start, i - start));
            while (!item.empty() && item.back() == ' ')
                item.pop_back();
            bool numeric = !item.empty() && item.find_first_not_of("0123456789.-") == std::string::npos;
            if (!numeric) return std::nullopt;
            items.push_back(item);
        }
        skipBlanks();
        if (i < codes.size()) {
            if (codes[i] != ',') return std::nullopt;
            ++i;
        }
    }
    return items;
}

// Splits a codes text into items: a list of SQL literals is taken as it stands; anything
// else is cut at commas, each piece losing one pair of surrounding quotes.
std::vector<std::string> CodeItems(std::string_view codes)
{
    if (auto literals = LiteralListItems(codes)) return std::move(*literals);
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = codes.find(',', start);
        std::string piece(
            codes.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (piece.size() >= 2 && piece.front() == '\'' && piece.back() == '\'')
            piece = piece.substr(1, piece.size() - 2);
        items.push_back(piece);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

} // namespace

bool SqlTools::IsTextKind(FieldType k)
{
    return k == FieldType::kCode || k == FieldType::kText || k == FieldType::kLongText ||
           k == FieldType::kMultiSelection;
}
bool SqlTools::IsNumberKind(FieldType k)
{
    return IsWholeNumberKind(k) || k == FieldType::kNumber || k == FieldType::kAmount || k == FieldType::kQuantity;
}
bool SqlTools::IsDateKind(FieldType k)
{
    return k == FieldType::kDate;
}

std::string SqlTools::Literal(FieldType kindCode, const Value& value)
{
    if (value.IsNull() || value.IsEmpty()) return "NULL";
    if (kindCode == FieldType::kFlag) return value.ToBool() ? "1" : "0";
    if (IsDateKind(kindCode)) return "'" + value.ToDate().ToIso() + "'";
    if (IsWholeNumberKind(kindCode)) {
        Currency c = value.ToCurrency();
        if (c.RoundHalfAwayFromZero(0) != c)
            throw ValueError("SqlTools: '" + value.ToText() + "' is not a whole number");
        return c.ToString();
    }
    if (IsNumberKind(kindCode)) return NumberLiteral(value);
    if (value.IsDate()) return TextLiteral(value.ToDate().ToIso());
    return TextLiteral(value.ToText());
}

std::string SqlTools::QuoteCodes(std::string_view codes, FieldType kindCode)
{
    std::string list;
    for (const std::string& item : CodeItems(codes)) {
        if (!list.empty()) list += ",";
        list += Literal(kindCode, Value(item));
    }
    return list;
}

std::string SqlTools::FilterLiteral(FieldType kindCode, const Value& value)
{
    if (value.IsNull() || value.IsEmpty()) return "NULL";
    if (kindCode == FieldType::kFlag) return value.ToBool() ? "1" : "0";
    if (IsDateKind(kindCode)) return "#" + value.ToDate().ToIso() + "#";
    if (IsNumberKind(kindCode)) return Literal(kindCode, value);
    return QuotedText(value.IsDate() ? value.ToDate().ToIso() : value.ToText());
}

namespace {

std::string RecordsetCond(const std::string& expr, FieldType kindCode, SqlOperator operatorCode, const Value& value,
                          const Value& secondValue)
{
    if (operatorCode == SqlOperator::kBetween)
        return "(" + expr + " >= " + SqlTools::FilterLiteral(kindCode, value) + " AND " + expr +
               " <= " + SqlTools::FilterLiteral(kindCode, secondValue) + ")";
    if (operatorCode == SqlOperator::kInList) {
        std::string text = value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
        std::string list;
        std::size_t start = 0;
        while (!text.empty()) {
            const std::size_t comma = text.find(',', start);
            if (!list.empty()) list += ", ";
            list += SqlTools::FilterLiteral(
                kindCode, Value(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return list.empty() ? expr + " = NULL" : expr + " IN (" + list + ")";
    }
    if (value.IsNull() || value.IsEmpty()) {
        if (operatorCode == SqlOperator::kEqual) return expr + " IS NULL";
        if (operatorCode == SqlOperator::kNotEqual) return expr + " IS NOT NULL";
    }
    return expr + OperatorText(operatorCode) + SqlTools::FilterLiteral(kindCode, value);
}

} // namespace

std::string SqlTools::CondByName(std::string_view expression, FieldType kindCode, SqlOperator operatorCode,
                                 const Value& value, const Value& secondValue, int flag)
{
    if (expression.empty()) throw ValueError("SqlTools: the condition has no expression");
    std::string expr(expression);
    if (flag == kForRecordset) return RecordsetCond(expr, kindCode, operatorCode, value, secondValue);
    if (operatorCode == SqlOperator::kInList) {
        std::string text = value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
        if (text.empty()) return "1 = 0"; // an empty list selects nothing
        return expr + " IN (" + QuoteCodes(text, kindCode) + ")";
    }
    if (operatorCode == SqlOperator::kBetween)
        return expr + " BETWEEN " + Literal(kindCode, value) + " AND " + Literal(kindCode, secondValue);
    if (value.IsNull()) {
        if (operatorCode == SqlOperator::kEqual) return expr + " IS NULL";
        if (operatorCode == SqlOperator::kNotEqual) return expr + " IS NOT NULL";
    }
    return expr + OperatorText(operatorCode) + Literal(kindCode, value);
}

std::string SqlTools::CondContains(std::string_view expression, const Value& text)
{
    if (expression.empty()) throw ValueError("SqlTools: the condition has no expression");
    return "CHARINDEX(UPPER(" + Literal(FieldType::kText, text) + "), UPPER(" + std::string(expression) + ")) > 0";
}

std::string SqlTools::CondByField(const Field& field, SqlOperator operatorCode, const Value& value,
                                  const Value& secondValue)
{
    return CondByName(field.SqlExpression(), field.TypeCode(), operatorCode, value, secondValue);
}

std::string SqlTools::CombineConds(CombineMode mode, const std::vector<std::string>& conditions)
{
    std::string result;
    std::size_t count = 0;
    for (const auto& c : conditions) {
        if (c.find_first_not_of(' ') == std::string::npos) continue;
        if (count++) result += mode == CombineMode::kAnd ? " AND " : " OR ";
        result += "(" + c + ")";
    }
    return count > 1 && mode == CombineMode::kOr ? "(" + result + ")" : result;
}

std::string SqlTools::AndFilter(std::string_view filter, std::string_view condition)
{
    return CombineConds(CombineMode::kAnd, {std::string(filter), std::string(condition)});
}

} // namespace Talvex
