#include "host/data/recordset/RecordFilter.hpp"

#include "host/data/recordset/FilterNodes.hpp"
#include "host/data/recordset/ValueCompare.hpp"
#include "host/types/Errors.hpp"

#include <cctype>
#include <charconv>
#include <optional>

namespace Talvex::Data::RecordsetDetail {
namespace {

enum class TokenKind { Name, Text, DateLiteral, Number, Operator, OpenParen, CloseParen, Comma, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;       // a name, the inside of a text or date literal, an operator
    std::size_t offset = 0; // where it starts in the criteria
    bool bracketed = false; // a [name], never a keyword
};

bool IsNameStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsNamePart(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '.' || c == '$' || c >= 0x80;
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Parser {
public:
    Parser(std::string_view criteria, const std::vector<FieldDef>& fields) : criteria_(criteria), fields_(fields)
    {
        Tokenize();
    }

    std::unique_ptr<FilterNode> ParseAll()
    {
        auto root = ParseOr();
        if (Peek().kind != TokenKind::End) Fail("expected AND, OR or the end instead of " + Describe(Peek()), Peek());
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& problem, std::size_t offset) const
    {
        throw ValueError("Filter \"" + std::string(criteria_) + "\": " + problem + " at position " +
                         std::to_string(offset + 1));
    }
    [[noreturn]] void Fail(const std::string& problem, const Token& at) const { Fail(problem, at.offset); }

    static std::string Describe(const Token& t)
    {
        switch (t.kind) {
        case TokenKind::End: return "the end";
        case TokenKind::Text: return "'" + t.text + "'";
        case TokenKind::DateLiteral: return "#" + t.text + "#";
        default: return "'" + t.text + "'";
        }
    }

    // ---- tokens

    void Tokenize()
    {
        std::size_t pos = 0;
        const std::string_view s = criteria_;
        while (true) {
            while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n'))
                ++pos;
            Token t;
            t.offset = pos;
            if (pos >= s.size()) {
                tokens_.push_back(t);
                return;
            }
            char c = s[pos];
            // N'text': a national text literal, as the host's condition writer gives it.
            if ((c == 'N' || c == 'n') && pos + 1 < s.size() && s[pos + 1] == '\'') c = s[++pos];
            if (c == '\'') {
                t.kind = TokenKind::Text;
                ++pos;
                while (true) {
                    if (pos >= s.size()) Fail("text is not closed by a quote", t.offset);
                    if (s[pos] == '\'') {
                        if (pos + 1 < s.size() && s[pos + 1] == '\'') {
                            t.text += '\'';
                            pos += 2;
                            continue;
                        }
                        ++pos;
                        break;
                    }
                    t.text += s[pos++];
                }
            } else if (c == '#') {
                t.kind = TokenKind::DateLiteral;
                std::size_t close = s.find('#', pos + 1);
                if (close == std::string_view::npos) Fail("date is not closed by #", t.offset);
                t.text = std::string(s.substr(pos + 1, close - pos - 1));
                pos = close + 1;
            } else if (c == '[') {
                t.kind = TokenKind::Name;
                t.bracketed = true;
                std::size_t close = s.find(']', pos + 1);
                if (close == std::string_view::npos) Fail("field name is not closed by ]", t.offset);
                t.text = std::string(s.substr(pos + 1, close - pos - 1));
                pos = close + 1;
            } else if (IsDigit(c) || (c == '.' && pos + 1 < s.size() && IsDigit(s[pos + 1])) || c == '$') {
                t.kind = TokenKind::Number;
                if (c == '$') ++pos; // a money sign before a number is allowed and means nothing
                std::size_t start = pos;
                while (pos < s.size() && (IsDigit(s[pos]) || s[pos] == '.'))
                    ++pos;
                if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
                    std::size_t exp = pos + 1;
                    if (exp < s.size() && (s[exp] == '+' || s[exp] == '-')) ++exp;
                    if (exp < s.size() && IsDigit(s[exp])) {
                        pos = exp;
                        while (pos < s.size() && IsDigit(s[pos]))
                            ++pos;
                    }
                }
                t.text = std::string(s.substr(start, pos - start));
                if (t.text.empty()) Fail("expected a number after $", t.offset);
                if (pos < s.size() && IsNamePart(static_cast<unsigned char>(s[pos])))
                    Fail("'" + std::string(1, s[pos]) + "' does not belong to a number", pos);
            } else if (IsNameStart(static_cast<unsigned char>(c))) {
                t.kind = TokenKind::Name;
                std::size_t start = pos;
                while (pos < s.size() && IsNamePart(static_cast<unsigned char>(s[pos])))
                    ++pos;
                t.text = std::string(s.substr(start, pos - start));
            } else if (c == '(' || c == ')' || c == ',') {
                t.kind = c == '(' ? TokenKind::OpenParen : c == ')' ? TokenKind::CloseParen : TokenKind::Comma;
                t.text = std::string(1, c);
                ++pos;
            } else if (c == '=' || c == '<' || c == '>' || c == '!' || c == '-' || c == '+') {
                t.kind = TokenKind::Operator;
                std::string two(s.substr(pos, 2));
                if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
                    t.text = two;
                    pos += 2;
                } else if (c == '!') {
                    Fail("'!' is not an operator", t.offset);
                } else {
                    t.text = std::string(1, c);
                    ++pos;
                }
            } else {
                Fail("unexpected character '" + std::string(1, c) + "'", t.offset);
            }
            tokens_.push_back(std::move(t));
        }
    }

    const Token& Peek() const { return tokens_[next_]; }
    const Token& Take() { return tokens_[next_ < tokens_.size() - 1 ? next_++ : next_]; }

    bool IsKeyword(const Token& t, std::string_view keyword) const
    {
        return t.kind == TokenKind::Name && !t.bracketed && EqualTextNoCase(t.text, keyword);
    }
    bool TakeKeyword(std::string_view keyword)
    {
        if (!IsKeyword(Peek(), keyword)) return false;
        Take();
        return true;
    }

    // ---- grammar

    std::unique_ptr<FilterNode> ParseOr()
    {
        std::vector<std::unique_ptr<FilterNode>> parts;
        parts.push_back(ParseAnd());
        while (TakeKeyword("OR"))
            parts.push_back(ParseAnd());
        if (parts.size() == 1) return std::move(parts.front());
        return std::make_unique<AnyOfNode>(std::move(parts));
    }

    std::unique_ptr<FilterNode> ParseAnd()
    {
        std::vector<std::unique_ptr<FilterNode>> parts;
        parts.push_back(ParsePrimary());
        while (TakeKeyword("AND"))
            parts.push_back(ParsePrimary());
        if (parts.size() == 1) return std::move(parts.front());
        return std::make_unique<AllOfNode>(std::move(parts));
    }

    std::unique_ptr<FilterNode> ParsePrimary()
    {
        if (Peek().kind == TokenKind::OpenParen) {
            Take();
            auto inner = ParseOr();
            if (Peek().kind != TokenKind::CloseParen) Fail("expected ) instead of " + Describe(Peek()), Peek());
            Take();
            return inner;
        }
        return ParseCondition();
    }

    std::unique_ptr<FilterNode> ParseCondition()
    {
        const Token& nameToken = Take();
        if (nameToken.kind != TokenKind::Name || IsKeyword(nameToken, "AND") || IsKeyword(nameToken, "OR"))
            Fail("expected a field name instead of " + Describe(nameToken), nameToken);
        std::size_t field = FieldOf(nameToken);

        if (TakeKeyword("IS")) {
            bool negated = TakeKeyword("NOT");
            if (!TakeKeyword("NULL")) Fail("expected NULL after IS instead of " + Describe(Peek()), Peek());
            return std::make_unique<IsNullNode>(field, negated);
        }
        bool negated = false;
        const Token& afterNot = Peek();
        if (TakeKeyword("NOT")) {
            negated = true;
            if (!IsKeyword(Peek(), "LIKE") && !IsKeyword(Peek(), "IN"))
                Fail("expected LIKE or IN after NOT instead of " + Describe(Peek()), afterNot);
        }
        if (TakeKeyword("LIKE")) {
            const Token& pattern = Take();
            if (pattern.kind != TokenKind::Text) Fail("LIKE needs a 'text' pattern, not " + Describe(pattern), pattern);
            return std::make_unique<LikeNode>(field, FoldLikePattern(pattern.text), negated);
        }
        if (TakeKeyword("IN")) {
            if (Peek().kind != TokenKind::OpenParen) Fail("expected ( after IN instead of " + Describe(Peek()), Peek());
            Take();
            std::vector<Value> literals;
            while (true) {
                std::size_t at = Peek().offset;
                Value literal = ParseLiteral();
                if (literal.IsNull()) Fail("NULL cannot be in an IN list", at);
                literals.push_back(FitToField(literal, field, at));
                if (Peek().kind == TokenKind::Comma) {
                    Take();
                    continue;
                }
                if (Peek().kind != TokenKind::CloseParen)
                    Fail("expected , or ) instead of " + Describe(Peek()), Peek());
                Take();
                break;
            }
            return std::make_unique<InListNode>(field, std::move(literals), negated);
        }

        const Token& opToken = Take();
        std::optional<CompareOp> op = OperatorOf(opToken);
        if (!op)
            Fail("expected a comparison after " + fields_[field].name + " instead of " + Describe(opToken), opToken);
        std::size_t at = Peek().offset;
        Value literal = ParseLiteral();
        if (literal.IsNull()) {
            if (*op == CompareOp::Equal) return std::make_unique<IsNullNode>(field, false);
            if (*op == CompareOp::NotEqual) return std::make_unique<IsNullNode>(field, true);
            Fail("NULL can only be compared with = or <>", at);
        }
        return std::make_unique<CompareNode>(field, *op, FitToField(literal, field, at));
    }

    std::size_t FieldOf(const Token& nameToken) const
    {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (EqualTextNoCase(fields_[i].name, nameToken.text)) return i;
        Fail("there is no field named " + nameToken.text, nameToken);
    }

    static std::optional<CompareOp> OperatorOf(const Token& t)
    {
        if (t.kind != TokenKind::Operator) return std::nullopt;
        if (t.text == "=") return CompareOp::Equal;
        if (t.text == "<>" || t.text == "!=") return CompareOp::NotEqual;
        if (t.text == "<") return CompareOp::Less;
        if (t.text == ">") return CompareOp::Greater;
        if (t.text == "<=") return CompareOp::LessOrEqual;
        if (t.text == ">=") return CompareOp::GreaterOrEqual;
        return std::nullopt;
    }

    Value ParseLiteral()
    {
        const Token& first = Peek();
        bool negative = false;
        if (first.kind == TokenKind::Operator && (first.text == "-" || first.text == "+")) {
            negative = first.text == "-";
            Take();
            if (Peek().kind != TokenKind::Number) Fail("expected a number after " + first.text, Peek());
        }
        const Token& t = Take();
        switch (t.kind) {
        case TokenKind::Text: return t.text;
        case TokenKind::DateLiteral: {
            Date d;
            if (!ParseFilterDate(t.text, d)) Fail("#" + t.text + "# is not a date", t);
            return d;
        }
        case TokenKind::Number: return NumberOf(negative ? "-" + t.text : t.text, t);
        case TokenKind::Name:
            if (IsKeyword(t, "NULL")) return Null{};
            if (IsKeyword(t, "TRUE")) return true;
            if (IsKeyword(t, "FALSE")) return false;
            break;
        default: break;
        }
        Fail("expected a value ('text', #date#, a number, TRUE, FALSE or NULL) instead of " + Describe(t), t);
    }

    // Numbers keep their exact value; only one written with an exponent is a double.
    Value NumberOf(const std::string& text, const Token& at) const
    {
        bool whole = text.find_first_of(".eE") == std::string::npos;
        if (whole) {
            std::int64_t i = 0;
            auto r = std::from_chars(text.data(), text.data() + text.size(), i);
            if (r.ec == std::errc{} && r.ptr == text.data() + text.size()) return i;
        }
        Currency exact;
        if (text.find_first_of("eE") == std::string::npos && Currency::ParseExact(text, exact)) return exact;
        Decimal decimal;
        if (text.find_first_of("eE") == std::string::npos && Decimal::TryParse(text, decimal)) return decimal;
        double d = 0;
        auto r = std::from_chars(text.data(), text.data() + text.size(), d);
        if (r.ec != std::errc{} || r.ptr != text.data() + text.size()) Fail(text + " is not a number", at);
        return d;
    }

    // The literal as the field's kind reads it, so that each row compares like with like.
    Value FitToField(const Value& literal, std::size_t field, std::size_t at) const
    {
        const FieldDef& def = fields_[field];
        FieldStorage storage = StorageOf(def.type);
        switch (storage) {
        case FieldStorage::Any: return literal;
        case FieldStorage::Text: return literal.IsDate() ? Value(literal.ToDate().ToIso()) : Value(literal.ToText());
        case FieldStorage::Integer:
        case FieldStorage::Exact:
        case FieldStorage::Double:
            if (literal.IsNumber() || std::holds_alternative<bool>(literal.Raw())) return literal;
            if (literal.IsText()) {
                std::string text = literal.ToText();
                Currency exact;
                if (Currency::ParseExact(text, exact)) return exact;
                Decimal decimal;
                if (Decimal::TryParse(text, decimal)) return decimal;
                double d = 0;
                auto r = std::from_chars(text.data(), text.data() + text.size(), d);
                if (r.ec == std::errc{} && r.ptr == text.data() + text.size() && !text.empty()) return d;
            }
            MisfitLiteral(literal, def, at);
        case FieldStorage::Date:
            if (literal.IsDate()) return literal;
            if (literal.IsText()) {
                Date d;
                if (ParseFilterDate(literal.ToText(), d)) return d;
            }
            MisfitLiteral(literal, def, at);
        case FieldStorage::Flag:
            if (std::holds_alternative<bool>(literal.Raw())) return literal;
            if (literal.IsNumber()) return literal.ToDouble() != 0;
            if (literal.IsText()) {
                std::string text = literal.ToText();
                if (EqualTextNoCase(text, "true")) return true;
                if (EqualTextNoCase(text, "false")) return false;
            }
            MisfitLiteral(literal, def, at);
        }
        return literal;
    }

    [[noreturn]] void MisfitLiteral(const Value& literal, const FieldDef& def, std::size_t at) const
    {
        Fail(Describe(literal) + " cannot be compared with the " + DataTypeName(def.type) + " field " + def.name, at);
    }

    static std::string Describe(const Value& literal)
    {
        if (literal.IsText()) return "'" + literal.ToText() + "'";
        if (literal.IsDate()) return "#" + literal.ToDate().ToIso() + "#";
        return literal.ToText();
    }

    std::string_view criteria_;
    const std::vector<FieldDef>& fields_;
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
};

bool ReadNumber(std::string_view text, int& out)
{
    if (text.empty() || text.size() > 4) return false;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

bool IsTimeOfDay(std::string_view text)
{
    for (char c : text)
        if (!(IsDigit(c) || c == ':' || c == ' ' || c == '.' || c == 'A' || c == 'P' || c == 'M' || c == 'a' ||
              c == 'p' || c == 'm'))
            return false;
    return true;
}

} // namespace

bool ParseFilterDate(std::string_view text, Date& out)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::size_t blank = text.find_first_of(" T");
    if (blank != std::string_view::npos) {
        if (!IsTimeOfDay(text.substr(blank + 1))) return false;
        text = text.substr(0, blank);
    }
    std::size_t first = text.find_first_of("-/.");
    if (first == std::string_view::npos) return false;
    char separator = text[first];
    std::size_t second = text.find(separator, first + 1);
    if (second == std::string_view::npos) return false;
    int a = 0, b = 0, c = 0;
    if (!ReadNumber(text.substr(0, first), a) || !ReadNumber(text.substr(first + 1, second - first - 1), b) ||
        !ReadNumber(text.substr(second + 1), c))
        return false;
    int year = 0, month = 0, day = 0;
    if (first == 4) { // year first
        year = a;
        month = b;
        day = c;
    } else if (text.size() - second - 1 == 4 && separator != '.') { // month first, as the literals are written
        month = a;
        day = b;
        year = c;
    } else {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    try {
        out = Date(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    } catch (const ValueError&) {
        return false;
    }
    return true;
}

std::shared_ptr<const RecordFilter> RecordFilter::Compile(std::string_view criteria,
                                                          const std::vector<FieldDef>& fields)
{
    Parser parser(criteria, fields);
    return std::make_shared<const RecordFilter>(std::string(criteria), parser.ParseAll());
}

} // namespace Talvex::Data::RecordsetDetail
