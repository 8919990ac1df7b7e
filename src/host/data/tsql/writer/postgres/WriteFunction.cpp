#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/internal/Vocabulary.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"

#include <cctype>

namespace Talvex::Data::TSql {
namespace {

std::string Quoted(std::string_view s)
{
    return "'" + std::string(s) + "'";
}

// A function's name: bare when it is a plain word, since PostgreSQL reads COALESCE, NULLIF,
// LEFT and their kin as key words that a quoted name would not match.
std::string FunctionName(const Ast::Name& name)
{
    std::size_t first = name.size() > 1 && AsciiUpper(name[name.size() - 2]) == "DBO" ? name.size() - 1 : 0;
    std::string out;
    for (std::size_t i = first; i < name.size(); ++i) {
        std::string part = AsciiLower(name[i]);
        bool plain = !part.empty() && !std::isdigit(static_cast<unsigned char>(part[0]));
        for (char c : part)
            plain = plain && (std::islower(static_cast<unsigned char>(c)) ||
                              std::isdigit(static_cast<unsigned char>(c)) || c == '_');
        out += (out.empty() ? "" : ".") + (plain ? part : PostgresWriter::Identifier(name[i]));
    }
    return out;
}

} // namespace

std::string PostgresWriter::Function(const Ast::FunctionCall& call)
{
    AggregateScope aggregate(*this, call);
    const auto& args = call.args;
    if (call.name.size() > 1 || call.star || call.distinct) {
        std::string name = FunctionName(call.name);
        if (call.star) return name + "(*)";
        // COUNT(DISTINCT Code) counts spellings that differ only in case or trailing blanks once.
        if (call.distinct && args.size() == 1 && MayBeText(args[0]))
            return name + "(DISTINCT tsql.ci(" + Expression(args[0]) + "))";
        return name + "(" + (call.distinct ? "DISTINCT " : "") + List(args) + ")";
    }
    // The parser has checked the argument counts of the functions named here.
    const std::string name = AsciiUpper(call.name[0]);
    auto arg = [&](std::size_t i) { return Expression(args.at(i)); };
    auto datePart = [&]() {
        const auto* word = args.at(0).As<Ast::ColumnRef>();
        return Quoted(DatePartName(*DatePartOf(word->name.at(0))));
    };

    if (name == "ISNULL") {
        return IsNullCall(args[0], args[1]);
    }
    if (name == "IIF") {
        return "CASE WHEN " + arg(0) + " THEN " + arg(1) + " ELSE " + arg(2) + " END";
    }
    if (name == "LEN") {
        // LEN leaves out trailing blanks.
        return "length(rtrim(" + AsText(args[0]) + "))";
    }
    if (name == "LEFT" || name == "RIGHT") {
        return name == "LEFT" ? "left(" + AsText(args[0]) + ", " + AsInteger(args[1]) + ")"
                              : "right(" + AsText(args[0]) + ", " + AsInteger(args[1]) + ")";
    }
    if (name == "SUBSTRING") {
        // PostgreSQL's SUBSTRING counts positions before the first character as T-SQL does:
        // SUBSTRING(s, 0, n) gives n - 1 characters.
        return "substring(" + AsText(args[0]) + ", " + AsInteger(args[1]) + ", " + AsInteger(args[2]) + ")";
    }
    if (name == "CHARINDEX") {
        return "tsql.charindex(" + AsText(args[0]) + ", " + AsText(args[1]) +
               (args.size() == 3 ? ", " + AsInteger(args[2]) : "") + ")";
    }
    if (name == "LTRIM" || name == "RTRIM" || name == "UPPER" || name == "LOWER" || name == "REVERSE") {
        return AsciiLower(name) + "(" + AsText(args[0]) + ")";
    }
    if (name == "REPLACE") {
        return "replace(" + AsText(args[0]) + ", " + AsText(args[1]) + ", " + AsText(args[2]) + ")";
    }
    if (name == "REPLICATE") {
        return "repeat(" + AsText(args[0]) + ", " + AsInteger(args[1]) + ")";
    }
    if (name == "SPACE") {
        return "repeat(' ', " + AsInteger(args[0]) + ")";
    }
    if (name == "CHAR" || name == "NCHAR") {
        return "chr(" + AsInteger(args[0]) + ")";
    }
    if (name == "ASCII") {
        return "ascii(" + AsText(args[0]) + ")";
    }
    if (name == "STR") {
        return "tsql.str(CAST(" + arg(0) + " AS numeric)" + (args.size() > 1 ? ", " + AsInteger(args[1]) : "") +
               (args.size() > 2 ? ", " + AsInteger(args[2]) : "") + ")";
    }
    if (name == "ROUND") {
        std::string rounded = "tsql.round(" + arg(0) + ", " + AsInteger(args[1]) +
                              (args.size() == 3 ? ", " + AsInteger(args[2]) : "") + ")";
        // The result keeps its operand's type, money or decimal(p, s), as a column too.
        if (auto type = NumericTypeOf(args[0]);
            type && (type->family == NumericType::Family::Decimal || type->family == NumericType::Family::Money))
            return "CAST(" + rounded + " AS numeric(" + std::to_string(type->precision) + ", " +
                   std::to_string(type->scale) + "))";
        return rounded;
    }
    if (name == "LOG") {
        return "ln(" + arg(0) + ")";
    }
    if (name == "LOG10") {
        return "log(" + arg(0) + ")";
    }
    if (name == "YEAR" || name == "MONTH" || name == "DAY") {
        std::string part = name == "YEAR" ? "year" : name == "MONTH" ? "month" : "day";
        return "tsql.datepart('" + part + "', " + arg(0) + ")";
    }
    if (name == "DATEPART") {
        return "tsql.datepart(" + datePart() + ", " + arg(1) + ")";
    }
    if (name == "DATENAME") return "tsql.datename(" + datePart() + ", " + arg(1) + ")";
    if (name == "DATEADD") {
        return "tsql.dateadd(" + datePart() + ", " + AsInteger(args[1]) + ", " + arg(2) + ")";
    }
    if (name == "DATEDIFF") {
        return "tsql.datediff(" + datePart() + ", " + arg(1) + ", " + arg(2) + ")";
    }
    if (name == "GETDATE" || name == "SYSDATETIME" || name == "CURRENT_TIMESTAMP") {
        return "LOCALTIMESTAMP(3)";
    }
    if (name == "SCOPE_IDENTITY") {
        // The identity the session's last insert drew; the ERP's tables draw their IDC from
        // an identity and no trigger of theirs draws another.
        return "lastval()";
    }
    // Everything else has the same name and arguments on both sides: COALESCE, NULLIF, ABS,
    // FLOOR, CEILING, SIGN, SQRT, POWER, the aggregates, and the ERP's own functions.
    return FunctionName(call.name) + "(" + List(args) + ")";
}

} // namespace Talvex::Data::TSql
