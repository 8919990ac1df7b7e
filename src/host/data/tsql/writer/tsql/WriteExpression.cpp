#include "host/data/tsql/writer/TSqlWriter.hpp"

#include "host/data/QuoteText.hpp"
#include "host/data/tsql/internal/Text.hpp"
#include "host/types/Overloaded.hpp"

#include <cctype>

namespace Talvex::Data::TSql {
namespace {

std::string StringLiteral(const std::string& value, bool national)
{
    return (national ? "N" : "") + QuoteByDoubling(value, '\'');
}

bool IsDatePartFunction(const Ast::Name& name)
{
    if (name.size() != 1) return false;
    std::string upper = AsciiUpper(name[0]);
    return upper == "DATEADD" || upper == "DATEDIFF" || upper == "DATEPART" || upper == "DATENAME";
}

} // namespace

std::string TSqlWriter::Quote(const std::string& name)
{
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']') out += ']';
    }
    return out + "]";
}

std::string TSqlWriter::Name(const Ast::Name& name)
{
    std::string out;
    for (const std::string& part : name)
        out += (out.empty() ? "" : ".") + Quote(part);
    return out;
}

std::string TSqlWriter::DataType(const Ast::DataType& type)
{
    std::string out = type.name;
    if (!type.args.empty()) {
        out += "(";
        for (std::size_t i = 0; i < type.args.size(); ++i)
            out += (i ? ", " : "") + type.args[i];
        out += ")";
    }
    return out;
}

std::string TSqlWriter::List(const std::vector<Ast::Expression>& items)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + Expression(item);
    return out;
}

std::string TSqlWriter::Expression(const Ast::Expression& expr)
{
    return Operand(expr, Strength::Or);
}

TSqlWriter::Strength TSqlWriter::StrengthOf(const Ast::Expression& expr)
{
    if (const auto* b = expr.As<Ast::Binary>()) {
        if (b->op == "OR") return Strength::Or;
        if (b->op == "AND") return Strength::And;
        if (b->op == "*" || b->op == "/" || b->op == "%") return Strength::Multiplicative;
        if (b->op == "+" || b->op == "-" || b->op == "&" || b->op == "|" || b->op == "^") return Strength::Additive;
        return Strength::Predicate; // a comparison
    }
    if (const auto* u = expr.As<Ast::Unary>()) return u->op == "NOT" ? Strength::Not : Strength::Unary;
    if (expr.As<Ast::IsNull>() || expr.As<Ast::Between>() || expr.As<Ast::Like>() || expr.As<Ast::InList>() ||
        expr.As<Ast::InSelect>())
        return Strength::Predicate;
    return Strength::Primary;
}

std::string TSqlWriter::Operand(const Ast::Expression& expr, Strength least)
{
    if (StrengthOf(expr) < least) return "(" + Bare(expr) + ")";
    return Bare(expr);
}

std::string TSqlWriter::Bare(const Ast::Expression& expr)
{
    // A chain of operators of one strength is read left to right, so only its right operands
    // need the next strength up; comparisons and predicates take additive operands.
    auto above = [](Strength s) { return static_cast<Strength>(static_cast<int>(s) + 1); };
    return std::visit(
        Overloaded{
            [&](const Ast::Literal& l) -> std::string {
                switch (l.kind) {
                case Ast::LiteralKind::String: return StringLiteral(l.text, false);
                case Ast::LiteralKind::NString: return StringLiteral(l.text, true);
                case Ast::LiteralKind::Null: return "NULL";
                default: return l.text;
                }
            },
            [&](const Ast::Parameter&) -> std::string { return "?"; },
            [&](const Ast::ColumnRef& c) { return Name(c.name); },
            [&](const Ast::Star& s) { return s.qualifier.empty() ? std::string("*") : Name(s.qualifier) + ".*"; },
            // A space after the sign: "- -1" must not become the comment "--1".
            [&](const Ast::Unary& u) { return u.op + " " + Operand(*u.operand, StrengthOf(expr)); },
            [&](const Ast::Binary& b) {
                const Strength own = StrengthOf(expr);
                const Strength left = own == Strength::Predicate ? Strength::Additive : own;
                const Strength right = own == Strength::Predicate ? Strength::Additive : above(own);
                return Operand(*b.left, left) + " " + b.op + " " + Operand(*b.right, right);
            },
            [&](const Ast::IsNull& i) {
                return Operand(*i.operand, Strength::Additive) + (i.negated ? " IS NOT NULL" : " IS NULL");
            },
            [&](const Ast::Between& b) {
                return Operand(*b.operand, Strength::Additive) + (b.negated ? " NOT" : "") + " BETWEEN " +
                       Operand(*b.low, Strength::Additive) + " AND " + Operand(*b.high, Strength::Additive);
            },
            [&](const Ast::Like& l) {
                return Operand(*l.operand, Strength::Additive) + (l.negated ? " NOT" : "") + " LIKE " +
                       Operand(*l.pattern, Strength::Additive) +
                       (l.escape ? " ESCAPE " + Operand(*l.escape, Strength::Additive) : "");
            },
            [&](const Ast::InList& in) {
                return Operand(*in.operand, Strength::Additive) + (in.negated ? " NOT" : "") + " IN (" +
                       List(in.items) + ")";
            },
            [&](const Ast::InSelect& in) {
                return Operand(*in.operand, Strength::Additive) + (in.negated ? " NOT" : "") + " IN (" +
                       Select(*in.query) + ")";
            },
            [&](const Ast::Exists& e) { return "EXISTS (" + Select(*e.query) + ")"; },
            [&](const Ast::ScalarSelect& s) { return "(" + Select(*s.query) + ")"; },
            [&](const Ast::Case& c) {
                std::string out = "CASE";
                if (c.operand) out += " " + Expression(*c.operand);
                for (const auto& w : c.whens)
                    out += " WHEN " + Expression(*w.condition) + " THEN " + Expression(*w.result);
                if (c.otherwise) out += " ELSE " + Expression(*c.otherwise);
                return out + " END";
            },
            [&](const Ast::Cast& c) { return "CAST(" + Expression(*c.operand) + " AS " + DataType(c.type) + ")"; },
            [&](const Ast::Convert& c) {
                return "CONVERT(" + DataType(c.type) + ", " + Expression(*c.operand) +
                       (c.style ? ", " + Expression(*c.style) : "") + ")";
            },
            [&](const Ast::FunctionCall& f) {
                // Function names stay bare: a bracketed name would not be read as a call.
                std::string name;
                for (const auto& part : f.name)
                    name += (name.empty() ? "" : ".") + part;
                if (f.star) return name + "(*)";
                std::string args;
                for (std::size_t i = 0; i < f.args.size(); ++i) {
                    const auto* part = f.args[i].As<Ast::ColumnRef>();
                    // The date part of DATEADD and its kin is a bare word, never a bracketed name.
                    bool bare = i == 0 && part && part->name.size() == 1 && IsDatePartFunction(f.name);
                    args += (i ? ", " : "") + (bare ? part->name[0] : Expression(f.args[i]));
                }
                return name + "(" + (f.distinct ? "DISTINCT " : "") + args + ")";
            },
        },
        expr.node);
}

} // namespace Talvex::Data::TSql
