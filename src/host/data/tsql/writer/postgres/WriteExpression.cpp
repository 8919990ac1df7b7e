#include "host/data/QuoteText.hpp"
#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/internal/Vocabulary.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"
#include "host/types/Overloaded.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace Talvex::Data::TSql {
namespace {

// Words PostgreSQL does not take as a bare table or column name (its reserved key words and
// those reserved for types and functions); quoted, they are ordinary names.
constexpr std::array kPostgresReserved = {
    "all",
    "analyse",
    "analyze",
    "and",
    "any",
    "array",
    "as",
    "asc",
    "asymmetric",
    "authorization",
    "between",
    "bigint",
    "binary",
    "bit",
    "boolean",
    "both",
    "case",
    "cast",
    "char",
    "character",
    "check",
    "coalesce",
    "collate",
    "collation",
    "column",
    "concurrently",
    "constraint",
    "create",
    "cross",
    "current_catalog",
    "current_date",
    "current_role",
    "current_schema",
    "current_time",
    "current_timestamp",
    "current_user",
    "dec",
    "decimal",
    "default",
    "deferrable",
    "desc",
    "distinct",
    "do",
    "else",
    "end",
    "except",
    "exists",
    "extract",
    "false",
    "fetch",
    "float",
    "for",
    "foreign",
    "freeze",
    "from",
    "full",
    "grant",
    "greatest",
    "group",
    "grouping",
    "having",
    "ilike",
    "in",
    "initially",
    "inner",
    "inout",
    "int",
    "integer",
    "intersect",
    "interval",
    "into",
    "is",
    "isnull",
    "join",
    "lateral",
    "leading",
    "least",
    "left",
    "like",
    "limit",
    "localtime",
    "localtimestamp",
    "national",
    "natural",
    "nchar",
    "none",
    "normalize",
    "not",
    "notnull",
    "null",
    "nullif",
    "numeric",
    "offset",
    "on",
    "only",
    "or",
    "order",
    "out",
    "outer",
    "overlaps",
    "overlay",
    "placing",
    "position",
    "precision",
    "primary",
    "real",
    "references",
    "returning",
    "right",
    "row",
    "select",
    "session_user",
    "setof",
    "similar",
    "smallint",
    "some",
    "substring",
    "symmetric",
    "system_user",
    "table",
    "tablesample",
    "then",
    "time",
    "timestamp",
    "to",
    "trailing",
    "treat",
    "trim",
    "true",
    "union",
    "unique",
    "user",
    "using",
    "values",
    "varchar",
    "variadic",
    "verbose",
    "when",
    "where",
    "window",
    "with",
    "xmlattributes",
    "xmlconcat",
    "xmlelement",
    "xmlexists",
    "xmlforest",
    "xmlnamespaces",
    "xmlparse",
    "xmlpi",
    "xmlroot",
    "xmlserialize",
    "xmltable",
};

std::string StringLiteral(const std::string& value)
{
    // Written so that the server's standard_conforming_strings setting cannot change it.
    if (value.find('\\') == std::string::npos) return QuoteByDoubling(value, '\'');
    std::string escaped;
    for (char c : value) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return "E" + QuoteByDoubling(escaped, '\'');
}

bool IsKindOfNumber(PostgresWriter::Kind k)
{
    return k == PostgresWriter::Kind::Integer || k == PostgresWriter::Kind::Number;
}

} // namespace

std::string PostgresWriter::Identifier(const std::string& name)
{
    std::string folded = AsciiLower(name);
    bool plain = !folded.empty() && (std::islower(static_cast<unsigned char>(folded[0])) || folded[0] == '_') &&
                 std::all_of(folded.begin(), folded.end(), [](char c) {
                     return std::islower(static_cast<unsigned char>(c)) ||
                            std::isdigit(static_cast<unsigned char>(c)) || c == '_';
                 });
    if (plain &&
        std::none_of(kPostgresReserved.begin(), kPostgresReserved.end(), [&](const char* r) { return folded == r; }))
        return folded;
    return QuoteByDoubling(folded, '"');
}

std::string PostgresWriter::List(const std::vector<Ast::Expression>& items)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + Expression(item);
    return out;
}

PostgresWriter::Kind PostgresWriter::KindOf(const Ast::Expression& expr) const
{
    auto firstKnown = [this](const std::vector<Ast::Expression>& items) {
        for (const auto& item : items)
            if (Kind k = KindOf(item); k != Kind::Unknown) return k;
        return Kind::Unknown;
    };
    auto ofType = [](const Ast::DataType& type) {
        switch (TypeFamilyOf(type.name).value_or(TypeFamily::Other)) {
        case TypeFamily::Integer:
        case TypeFamily::Bit: return Kind::Integer;
        case TypeFamily::Decimal:
        case TypeFamily::Money:
        case TypeFamily::Float: return Kind::Number;
        case TypeFamily::Char:
        case TypeFamily::VarChar:
        case TypeFamily::Text: return Kind::String;
        case TypeFamily::Date:
        case TypeFamily::DateTime: return Kind::Date;
        default: return Kind::Unknown;
        }
    };
    return std::visit(
        Overloaded{
            [](const Ast::Literal& l) {
                switch (l.kind) {
                case Ast::LiteralKind::String:
                case Ast::LiteralKind::NString: return Kind::String;
                case Ast::LiteralKind::Integer: return Kind::Integer;
                case Ast::LiteralKind::Decimal:
                case Ast::LiteralKind::Float: return Kind::Number;
                default: return Kind::Unknown;
                }
            },
            [&](const Ast::Unary& u) { return u.op == "NOT" ? Kind::Unknown : KindOf(*u.operand); },
            [&](const Ast::Binary& b) {
                Kind l = KindOf(*b.left), r = KindOf(*b.right);
                if (b.op == "+" && (l == Kind::String || r == Kind::String) && !IsKindOfNumber(l) && !IsKindOfNumber(r))
                    return Kind::String;
                if (b.op == "+" || b.op == "-") {
                    if (l == Kind::Date && r == Kind::Date) return b.op == "-" ? Kind::Integer : Kind::Date;
                    if (l == Kind::Date || r == Kind::Date) return Kind::Date;
                }
                if (b.op == "+" || b.op == "-" || b.op == "*" || b.op == "/" || b.op == "%") {
                    if (l == Kind::Integer && r == Kind::Integer) return Kind::Integer;
                    if (IsKindOfNumber(l) && IsKindOfNumber(r)) return Kind::Number;
                }
                return Kind::Unknown;
            },
            [&](const Ast::ScalarSelect& s) {
                const auto& items = s.query->first.items;
                return items.size() == 1 ? KindOf(items[0].expr) : Kind::Unknown;
            },
            [&](const Ast::Case& c) {
                for (const auto& w : c.whens)
                    if (Kind k = KindOf(*w.result); k != Kind::Unknown) return k;
                return c.otherwise ? KindOf(*c.otherwise) : Kind::Unknown;
            },
            [&](const Ast::Cast& c) { return ofType(c.type); },
            [&](const Ast::Convert& c) { return ofType(c.type); },
            [&](const Ast::FunctionCall& f) {
                if (f.name.size() != 1) return Kind::Unknown;
                std::string name = AsciiUpper(f.name[0]);
                static constexpr std::string_view kText[] = {"LEFT",    "RIGHT", "SUBSTRING", "LTRIM",     "RTRIM",
                                                             "UPPER",   "LOWER", "REPLACE",   "REPLICATE", "SPACE",
                                                             "REVERSE", "CHAR",  "STR",       "NCHAR",     "DATENAME"};
                static constexpr std::string_view kInteger[] = {"LEN",   "CHARINDEX", "DATEDIFF", "DATEPART", "YEAR",
                                                                "MONTH", "DAY",       "COUNT",    "ASCII"};
                if (std::find(std::begin(kText), std::end(kText), name) != std::end(kText)) return Kind::String;
                if (std::find(std::begin(kInteger), std::end(kInteger), name) != std::end(kInteger))
                    return Kind::Integer;
                if (name == "DATEADD" || name == "GETDATE") return Kind::Date;
                if (name == "ISNULL" || name == "COALESCE") return firstKnown(f.args);
                if (name == "AVG") return Kind::Number;
                if (name == "NULLIF" || name == "ABS" || name == "ROUND" || name == "FLOOR" || name == "CEILING" ||
                    name == "SIGN" || name == "SUM" || name == "MIN" || name == "MAX")
                    return f.args.empty() ? Kind::Unknown : KindOf(f.args[0]);
                return Kind::Unknown;
            },
            [](const auto&) { return Kind::Unknown; },
        },
        expr.node);
}

std::string PostgresWriter::AsText(const Ast::Expression& expr)
{
    if (KindOf(expr) == Kind::String) return Expression(expr);
    // A parameter comes as text anyway; naming the type spares the server a guess.
    if (expr.As<Ast::Parameter>()) return "CAST(" + Expression(expr) + " AS text)";
    return "tsql.to_varchar(" + Expression(expr) + ")";
}

std::string PostgresWriter::AsInteger(const Ast::Expression& expr)
{
    if (KindOf(expr) == Kind::Integer) return Expression(expr);
    if (const auto* u = expr.As<Ast::Unary>(); u && u->op == "-" && KindOf(*u->operand) == Kind::Integer)
        return Expression(expr);
    return "tsql.to_int(" + Expression(expr) + ")";
}

std::string PostgresWriter::Binary(const Ast::Binary& b)
{
    if (b.op == "=" || b.op == "<>" || b.op == "<" || b.op == ">" || b.op == "<=" || b.op == ">=") return Comparison(b);
    if (b.op == "+") {
        Kind l = KindOf(*b.left), r = KindOf(*b.right);
        // Text on either side makes "+" a concatenation; NULL in gives NULL out, as in T-SQL.
        // Where neither side is known the operator +(text, text) of the compatibility
        // schema serves text columns and PostgreSQL's own serves numbers.
        if ((l == Kind::String || r == Kind::String) && !IsKindOfNumber(l) && !IsKindOfNumber(r))
            return "(" + AsText(*b.left) + " || " + AsText(*b.right) + ")";
    }
    if (b.op == "*" || b.op == "/") return Arithmetic(b, Expression(*b.left), Expression(*b.right));
    std::string op = b.op == "^" ? "#" : b.op;
    return "(" + Expression(*b.left) + " " + op + " " + Expression(*b.right) + ")";
}

std::string PostgresWriter::Expression(const Ast::Expression& expr)
{
    if (auto grouped = GroupedKey(expr)) return *grouped;
    return std::visit(
        Overloaded{
            [&](const Ast::Literal& l) -> std::string {
                switch (l.kind) {
                case Ast::LiteralKind::String:
                case Ast::LiteralKind::NString: return StringLiteral(l.text);
                case Ast::LiteralKind::Null: return "NULL";
                case Ast::LiteralKind::Float: return "CAST(" + l.text + " AS double precision)";
                default: return l.text;
                }
            },
            [&](const Ast::Parameter& p) {
                highestParameter_ = std::max(highestParameter_, p.index);
                return "$" + std::to_string(p.index - parameterOffset_);
            },
            [&](const Ast::ColumnRef& c) {
                std::string out;
                for (const auto& part : c.name)
                    out += (out.empty() ? "" : ".") + Identifier(part);
                return out;
            },
            [&](const Ast::Star& s) {
                std::string out;
                for (const auto& part : s.qualifier)
                    out += Identifier(part) + ".";
                return out + "*";
            },
            [&](const Ast::Unary& u) { return "(" + u.op + (u.op == "NOT" ? " " : "") + Expression(*u.operand) + ")"; },
            [&](const Ast::Binary& b) { return Binary(b); },
            [&](const Ast::IsNull& i) {
                return "(" + Expression(*i.operand) + (i.negated ? " IS NOT NULL)" : " IS NULL)");
            },
            [&](const Ast::Between& b) { return Between(b); },
            [&](const Ast::Like& l) { return Like(l); },
            [&](const Ast::InList& in) { return In(in); },
            [&](const Ast::InSelect& in) { return In(in); },
            [&](const Ast::Exists& e) { return "EXISTS (" + Select(*e.query) + ")"; },
            [&](const Ast::ScalarSelect& s) { return "(" + Select(*s.query) + ")"; },
            [&](const Ast::Case& c) {
                if (c.operand && MayBeText(*c.operand)) return SimpleCase(c);
                std::string out = "CASE";
                if (c.operand) out += " " + Expression(*c.operand);
                for (const auto& w : c.whens)
                    out += " WHEN " + Expression(*w.condition) + " THEN " + Expression(*w.result);
                if (c.otherwise) out += " ELSE " + Expression(*c.otherwise);
                return out + " END";
            },
            [&](const Ast::Cast& c) { return Conversion(c.type, *c.operand, nullptr); },
            [&](const Ast::Convert& c) { return Conversion(c.type, *c.operand, c.style ? &*c.style : nullptr); },
            [&](const Ast::FunctionCall& f) { return Function(f); },
        },
        expr.node);
}

} // namespace Talvex::Data::TSql
