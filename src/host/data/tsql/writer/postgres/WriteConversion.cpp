#include "host/data/tsql/internal/Vocabulary.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {
namespace {

// A length from a type's arguments; CAST and CONVERT take 30 when none is given.
std::string LengthOf(const Ast::DataType& type)
{
    return type.args.empty() ? "30" : type.args[0];
}

} // namespace

// CAST(x AS type) and CONVERT(type, x[, style]), with T-SQL's rules: numbers to integers are
// truncated, not rounded; CHAR(n) is padded with blanks to n; money shows two decimals in
// text; dates in text follow the style number.
std::string PostgresWriter::Conversion(const Ast::DataType& type, const Ast::Expression& operand,
                                       const Ast::Expression* style)
{
    TypeFamily family = TypeFamilyOf(type.name).value_or(TypeFamily::Other);
    std::string x = Expression(operand);
    auto text = [&]() {
        if (style) return "tsql.convert_text(" + x + ", " + AsInteger(*style) + ")";
        return AsText(operand);
    };
    auto dateTime = [&]() {
        if (KindOf(operand) == Kind::Date) return "CAST(" + x + " AS timestamp)";
        if (style) return "tsql.to_datetime(" + AsText(operand) + ", " + AsInteger(*style) + ")";
        return "tsql.to_datetime(" + x + ")";
    };
    switch (family) {
    case TypeFamily::Integer:
        if (type.name == "bigint") return "tsql.to_bigint(" + x + ")";
        if (type.name == "smallint" || type.name == "tinyint") return "CAST(" + AsInteger(operand) + " AS smallint)";
        return AsInteger(operand);
    case TypeFamily::Bit:
        return "CAST(CASE WHEN " + x + " IS NULL THEN NULL WHEN " + x + " <> 0 THEN 1 ELSE 0 END AS smallint)";
    case TypeFamily::Decimal: {
        std::string precision = type.args.empty() ? "18" : type.args[0];
        std::string scale = type.args.size() > 1 ? type.args[1] : "0";
        return "CAST(" + x + " AS numeric(" + precision + ", " + scale + "))";
    }
    case TypeFamily::Money:
        return "CAST(" + x + (type.name == "smallmoney" ? " AS numeric(10, 4))" : " AS numeric(19, 4))");
    case TypeFamily::Float:
        if (type.name == "real" || (!type.args.empty() && type.args[0].size() <= 2 && std::stoi(type.args[0]) <= 24))
            return "CAST(" + x + " AS real)";
        return "CAST(" + x + " AS double precision)";
    case TypeFamily::Char: return "rpad(" + text() + ", " + LengthOf(type) + ")";
    case TypeFamily::VarChar:
        if (!type.args.empty() && type.args[0] == "max") return text();
        return "CAST(" + text() + " AS varchar(" + LengthOf(type) + "))";
    case TypeFamily::Text: return text();
    case TypeFamily::Date: return "CAST(" + dateTime() + " AS date)";
    case TypeFamily::DateTime: return dateTime();
    case TypeFamily::Time: return "CAST(" + x + " AS time)";
    case TypeFamily::Other: break;
    }
    return "CAST(" + x + " AS uuid)";
}

} // namespace Talvex::Data::TSql
