#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/internal/Vocabulary.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"
#include "host/types/Overloaded.hpp"

#include <algorithm>

namespace Talvex::Data::TSql {
namespace {

using Numeric = PostgresWriter::NumericType;
using Family = PostgresWriter::NumericType::Family;

constexpr int kMaxPrecision = 38;

std::optional<Numeric> OfDataType(const Ast::DataType& type)
{
    auto number = [&](std::size_t i, int otherwise) {
        if (type.args.size() <= i) return otherwise;
        try {
            return std::stoi(type.args[i]);
        } catch (const std::exception&) {
            return otherwise;
        }
    };
    switch (TypeFamilyOf(type.name).value_or(TypeFamily::Other)) {
    case TypeFamily::Integer:
        if (type.name == "bigint") return Numeric{Family::Integer, 19, 0};
        if (type.name == "smallint") return Numeric{Family::Integer, 5, 0};
        if (type.name == "tinyint") return Numeric{Family::Integer, 3, 0};
        return Numeric{Family::Integer, 10, 0};
    case TypeFamily::Bit: return Numeric{Family::Integer, 1, 0};
    case TypeFamily::Decimal: return Numeric{Family::Decimal, number(0, 18), number(1, 0)};
    case TypeFamily::Money:
        return type.name == "smallmoney" ? Numeric{Family::Money, 10, 4} : Numeric{Family::Money, 19, 4};
    case TypeFamily::Float: return Numeric{Family::Float, 53, 0};
    default: return std::nullopt;
    }
}

// A constant's type as SQL Server gives it: a whole number is an int that takes part in
// decimal arithmetic with as many digits as it is written with (1.0 / 3 has six decimals,
// not twelve); a number with a point is decimal(digits, decimals).
std::optional<Numeric> OfLiteral(const Ast::Literal& l)
{
    auto digitsOf = [](std::string_view digits) {
        digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
        return static_cast<int>(digits.size());
    };
    switch (l.kind) {
    case Ast::LiteralKind::Integer: {
        int digits = std::max(digitsOf(l.text), 1);
        return Numeric{digits > 10 ? Family::Decimal : Family::Integer, std::min(digits, kMaxPrecision), 0};
    }
    case Ast::LiteralKind::Decimal: {
        const auto point = l.text.find('.');
        const int scale = point == std::string::npos ? 0 : static_cast<int>(l.text.size() - point - 1);
        const int whole = digitsOf(std::string_view(l.text).substr(0, point));
        return Numeric{Family::Decimal, std::min(std::max(whole + scale, std::max(scale, 1)), kMaxPrecision),
                       std::min(scale, kMaxPrecision)};
    }
    case Ast::LiteralKind::Float: return Numeric{Family::Float, 53, 0};
    default: return std::nullopt;
    }
}

// Precision beyond 38 digits costs decimals, but never below six of them.
Numeric Capped(int precision, int scale)
{
    if (precision <= kMaxPrecision) return Numeric{Family::Decimal, precision, scale};
    const int whole = precision - scale;
    return Numeric{Family::Decimal, kMaxPrecision, std::max(kMaxPrecision - whole, std::min(scale, 6))};
}

// SQL Server's result types of decimal arithmetic (p1, s1 op p2, s2).
Numeric DecimalResult(const std::string& op, Numeric a, Numeric b)
{
    if (op == "*") return Capped(a.precision + b.precision + 1, a.scale + b.scale);
    if (op == "/") {
        const int scale = std::max(6, a.scale + b.precision + 1);
        return Capped(a.precision - a.scale + b.scale + scale, scale);
    }
    if (op == "%") {
        const int scale = std::max(a.scale, b.scale);
        return Capped(std::min(a.precision - a.scale, b.precision - b.scale) + scale, scale);
    }
    const int scale = std::max(a.scale, b.scale);
    return Capped(scale + std::max(a.precision - a.scale, b.precision - b.scale) + 1, scale);
}

bool IsArithmetic(const std::string& op)
{
    return op == "+" || op == "-" || op == "*" || op == "/" || op == "%";
}

} // namespace

std::optional<PostgresWriter::NumericType> PostgresWriter::NumericTypeOf(const Ast::Expression& expr) const
{
    return std::visit(Overloaded{
                          [](const Ast::Literal& l) { return OfLiteral(l); },
                          [&](const Ast::Unary& u) -> std::optional<Numeric> {
                              if (u.op == "-" || u.op == "+") return NumericTypeOf(*u.operand);
                              return std::nullopt;
                          },
                          [&](const Ast::Binary& b) { return NumericTypeOf(b); },
                          [&](const Ast::Cast& c) { return OfDataType(c.type); },
                          [&](const Ast::Convert& c) { return OfDataType(c.type); },
                          [&](const Ast::FunctionCall& f) -> std::optional<Numeric> {
                              if (f.name.size() != 1 || f.args.empty()) return std::nullopt;
                              const std::string name = AsciiUpper(f.name[0]);
                              // ROUND keeps its operand's type; so do ABS and a null replaced by ISNULL.
                              if (name == "ROUND" || name == "ABS" || name == "ISNULL") return NumericTypeOf(f.args[0]);
                              if (name == "SUM") {
                                  auto t = NumericTypeOf(f.args[0]);
                                  if (t && t->family == Family::Decimal) t->precision = kMaxPrecision;
                                  return t;
                              }
                              return std::nullopt;
                          },
                          [](const auto&) -> std::optional<Numeric> { return std::nullopt; },
                      },
                      expr.node);
}

std::optional<PostgresWriter::NumericType> PostgresWriter::NumericTypeOf(const Ast::Binary& b) const
{
    if (!IsArithmetic(b.op)) return std::nullopt;
    auto l = NumericTypeOf(*b.left), r = NumericTypeOf(*b.right);
    if (!l || !r) return std::nullopt;
    if (l->family == Family::Float || r->family == Family::Float) return Numeric{Family::Float, 53, 0};
    if (l->family == Family::Integer && r->family == Family::Integer)
        return Numeric{Family::Integer, std::max({l->precision, r->precision, 10}), 0};
    // Money outranks decimal and int: the result is money, to four decimals.
    if (l->family == Family::Money || r->family == Family::Money) return Numeric{Family::Money, 19, 4};
    return DecimalResult(b.op, *l, *r);
}

std::string PostgresWriter::Arithmetic(const Ast::Binary& b, const std::string& left, const std::string& right)
{
    const std::string plain = "(" + left + " " + b.op + " " + right + ")";
    if (b.op != "*" && b.op != "/") return plain; // sums and differences are exact at the larger scale
    const auto type = NumericTypeOf(b);
    if (!type || type->family == Family::Integer || type->family == Family::Float) return plain;
    const std::string target =
        " AS numeric(" + std::to_string(type->precision) + ", " + std::to_string(type->scale) + "))";
    // The server's own quotient stops at about sixteen digits; SQL Server's is taken to
    // the result's scale and rounded there, half away from zero.
    if (b.op == "/")
        return "CAST(tsql.divide(" + left + ", " + right + ", " + std::to_string(type->scale) + ")" + target;
    return "CAST(" + plain + target;
}

} // namespace Talvex::Data::TSql
