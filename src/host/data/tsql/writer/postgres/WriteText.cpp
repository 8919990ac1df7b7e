#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"

#include <algorithm>
#include <array>

// The ERP's database compares text without regard to case or trailing blanks. Every
// comparison whose sides may both be text is written over tsql.ci, which folds text and
// hands any other value back unchanged; see ../../sql/000_tsql_compat.sql.
namespace Talvex::Data::TSql {
namespace {

bool IsTypeless(const Ast::Expression& expr)
{
    if (expr.As<Ast::Parameter>()) return true;
    const auto* literal = expr.As<Ast::Literal>();
    return literal && (literal->kind == Ast::LiteralKind::String || literal->kind == Ast::LiteralKind::NString ||
                       literal->kind == Ast::LiteralKind::Null);
}

bool IsAggregateName(const std::string& upperName)
{
    static constexpr std::array<std::string_view, 11> kAggregates = {
        "COUNT", "COUNT_BIG", "SUM", "MIN", "MAX", "AVG", "STDEV", "STDEVP", "VAR", "VARP", "STRING_AGG"};
    return std::find(kAggregates.begin(), kAggregates.end(), upperName) != kAggregates.end();
}

// Two names of one column: the same spelling, or the same column name where one of them
// leaves the table out (GROUP BY Code with oTable.Code in the select list).
bool SameColumn(const Ast::ColumnRef& a, const Ast::ColumnRef& b)
{
    if (a.name.size() != b.name.size() && a.name.size() > 1 && b.name.size() > 1) return false;
    std::size_t n = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 1; i <= n; ++i)
        if (!EqualsIgnoreCase(a.name[a.name.size() - i], b.name[b.name.size() - i])) return false;
    return true;
}

} // namespace

bool PostgresWriter::MayBeText(const Ast::Expression& expr) const
{
    Kind k = KindOf(expr);
    return k == Kind::String || k == Kind::Unknown;
}

std::string PostgresWriter::Folded(const Ast::Expression& expr, const Ast::Expression& other)
{
    // A literal or parameter has no type of its own: it takes the type of what it meets, so
    // that DocumentDate >= ? still reads the parameter as a date.
    if (IsTypeless(expr) && !IsTypeless(other) && KindOf(other) == Kind::Unknown)
        return "tsql.ci(" + Expression(other) + ", " + Expression(expr) + ")";
    return "tsql.ci(" + Expression(expr) + ")";
}

std::string PostgresWriter::Comparison(const Ast::Binary& b)
{
    if (!MayBeText(*b.left) || !MayBeText(*b.right))
        return "(" + Expression(*b.left) + " " + b.op + " " + Expression(*b.right) + ")";
    return "(" + Folded(*b.left, *b.right) + " " + b.op + " " + Folded(*b.right, *b.left) + ")";
}

std::string PostgresWriter::Between(const Ast::Between& b)
{
    std::string negation = b.negated ? " NOT" : "";
    if (!MayBeText(*b.operand) || !MayBeText(*b.low) || !MayBeText(*b.high))
        return "(" + Expression(*b.operand) + negation + " BETWEEN " + Expression(*b.low) + " AND " +
               Expression(*b.high) + ")";
    return "(" + Folded(*b.operand, *b.low) + negation + " BETWEEN " + Folded(*b.low, *b.operand) + " AND " +
           Folded(*b.high, *b.operand) + ")";
}

std::string PostgresWriter::Like(const Ast::Like& l)
{
    // The value's trailing blanks do not count, the pattern's do; no escape character unless
    // one is named (PostgreSQL would take "\").
    return std::string("(") + (l.negated ? "NOT " : "") + "tsql.like(" + AsText(*l.operand) + ", " +
           AsText(*l.pattern) + ", " + (l.escape ? AsText(*l.escape) : std::string("''")) + "))";
}

std::string PostgresWriter::In(const Ast::InList& in)
{
    std::string negation = in.negated ? " NOT" : "";
    bool text = MayBeText(*in.operand) &&
                std::any_of(in.items.begin(), in.items.end(), [&](const auto& item) { return MayBeText(item); });
    if (!text) return "(" + Expression(*in.operand) + negation + " IN (" + List(in.items) + "))";
    std::string items;
    for (const auto& item : in.items)
        items += (items.empty() ? "" : ", ") + (MayBeText(item) ? Folded(item, *in.operand) : Expression(item));
    return "(" + Folded(*in.operand, in.items.front()) + negation + " IN (" + items + "))";
}

std::string PostgresWriter::In(const Ast::InSelect& in)
{
    std::string negation = in.negated ? " NOT" : "";
    const auto& items = in.query->first.items;
    bool text = MayBeText(*in.operand) && (items.size() != 1 || MayBeText(items[0].expr));
    if (!text) return "(" + Expression(*in.operand) + negation + " IN (" + Select(*in.query) + "))";
    return "(tsql.ci(" + Expression(*in.operand) + ")" + negation + " IN (SELECT tsql.ci(in_rows.v) FROM (" +
           Select(*in.query) + ") AS in_rows (v)))";
}

std::string PostgresWriter::SimpleCase(const Ast::Case& c)
{
    // CASE x WHEN 'a' compares as x = 'a' does.
    std::string out = "CASE";
    for (const auto& w : c.whens) {
        Ast::Binary test{"=", c.operand, w.condition};
        out += " WHEN " + Comparison(test) + " THEN " + Expression(*w.result);
    }
    if (c.otherwise) out += " ELSE " + Expression(*c.otherwise);
    return out + " END";
}

std::string PostgresWriter::IsNullCall(const Ast::Expression& value, const Ast::Expression& replacement)
{
    // The result has the type of the first argument, the replacement converted to it.
    Kind k = KindOf(value), r = KindOf(replacement);
    if (k == Kind::String && r != Kind::String && !IsTypeless(replacement))
        return "COALESCE(" + Expression(value) + ", " + AsText(replacement) + ")";
    if ((k == Kind::Unknown || k == Kind::Integer) && (r == Kind::Integer || r == Kind::Number))
        return "tsql.isnull(" + Expression(value) + ", " + Expression(replacement) + ")";
    return "COALESCE(" + Expression(value) + ", " + Expression(replacement) + ")";
}

// Rows grouped by text fall together when their keys differ only in case or trailing
// blanks: the key is folded, and where the select list, HAVING or ORDER BY show the key
// itself they show one of the group's own spellings.
std::string PostgresWriter::GroupBy(const std::vector<const Ast::Expression*>& keys)
{
    textKeys_.clear();
    std::string out;
    std::vector<const Ast::Expression*> folded;
    for (const Ast::Expression* key : keys) {
        bool text = MayBeText(*key) && !IsTypeless(*key);
        if (text) folded.push_back(key);
        out += (out.empty() ? "" : ", ") + (text ? "tsql.ci(" + Expression(*key) + ")" : Expression(*key));
    }
    textKeys_ = std::move(folded);
    return out;
}

std::optional<std::string> PostgresWriter::GroupedKey(const Ast::Expression& expr)
{
    if (aggregateDepth_ > 0 || (textKeys_.empty() && outerKeys_.empty())) return std::nullopt;
    const auto* column = expr.As<Ast::ColumnRef>();
    bool isKey = std::any_of(textKeys_.begin(), textKeys_.end(), [&](const Ast::Expression* key) {
        const auto* keyColumn = key->As<Ast::ColumnRef>();
        return column && keyColumn ? SameColumn(*column, *keyColumn) : *key == expr;
    });
    // A sub-query reaches the grouped block's key only by its table's name: a bare name
    // there is the sub-query's own column.
    isKey = isKey ||
            (column && column->name.size() > 1 &&
             std::any_of(outerKeys_.begin(), outerKeys_.end(), [&](const Ast::Expression* key) {
                 const auto* keyColumn = key->As<Ast::ColumnRef>();
                 return keyColumn && keyColumn->name.size() == column->name.size() && SameColumn(*column, *keyColumn);
             }));
    if (!isKey) return std::nullopt;
    std::vector<const Ast::Expression*> keys, outer;
    keys.swap(textKeys_);
    outer.swap(outerKeys_);
    std::string written = "min(" + Expression(expr) + ")";
    keys.swap(textKeys_);
    outer.swap(outerKeys_);
    return written;
}

PostgresWriter::AggregateScope::AggregateScope(PostgresWriter& writer, const Ast::FunctionCall& call)
    : writer_(writer), counts_(call.name.size() == 1 && IsAggregateName(AsciiUpper(call.name[0])))
{
    if (counts_) ++writer_.aggregateDepth_;
}

PostgresWriter::AggregateScope::~AggregateScope()
{
    if (counts_) --writer_.aggregateDepth_;
}

PostgresWriter::QueryScope::QueryScope(PostgresWriter& writer)
    : writer_(writer), keys_(writer.textKeys_), outerKeys_(writer.outerKeys_), aggregateDepth_(writer.aggregateDepth_)
{
    // Inside an aggregate of the grouped block its keys are plain values, in a sub-query too.
    if (aggregateDepth_ == 0)
        writer_.outerKeys_.insert(writer_.outerKeys_.end(), keys_.begin(), keys_.end());
    else
        writer_.outerKeys_.clear();
    writer_.textKeys_.clear();
    writer_.aggregateDepth_ = 0;
}

PostgresWriter::QueryScope::~QueryScope()
{
    writer_.textKeys_ = std::move(keys_);
    writer_.outerKeys_ = std::move(outerKeys_);
    writer_.aggregateDepth_ = aggregateDepth_;
}

} // namespace Talvex::Data::TSql
