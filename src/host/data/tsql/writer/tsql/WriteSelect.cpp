#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::TableRef(const Ast::TableRef& table)
{
    if (const auto* t = table.As<Ast::TableName>())
        return Name(t->name) + (t->alias.empty() ? "" : " AS " + Quote(t->alias));
    if (const auto* d = table.As<Ast::DerivedTable>()) return "(" + Select(*d->query) + ") AS " + Quote(d->alias);
    if (const auto* f = table.As<Ast::TableFunction>())
        return Name(f->name) + "(" + List(f->args) + ")" + (f->alias.empty() ? "" : " AS " + Quote(f->alias));
    const auto& j = std::get<Ast::Join>(table.node);
    static constexpr const char* kJoinWords[] = {" INNER JOIN ", " LEFT OUTER JOIN ", " RIGHT OUTER JOIN ",
                                                 " FULL OUTER JOIN ", " CROSS JOIN "};
    // Joins chain to the left as they are read, and the right side of a join with ON takes in
    // every join up to its own ON; only CROSS JOIN, whose right side is one table, needs a
    // join on its right in parentheses.
    const bool parenthesized = j.kind == Ast::JoinKind::Cross && j.right->As<Ast::Join>() != nullptr;
    std::string out = TableRef(*j.left) + kJoinWords[static_cast<int>(j.kind)] + (parenthesized ? "(" : "") +
                      TableRef(*j.right) + (parenthesized ? ")" : "");
    if (j.on) out += " ON " + Expression(*j.on);
    return out;
}

std::string TSqlWriter::FromList(const std::vector<Ast::TableRef>& from)
{
    std::string out;
    for (const auto& t : from)
        out += (out.empty() ? "" : ", ") + TableRef(t);
    return out;
}

std::string TSqlWriter::SelectItem(const Ast::SelectItem& item)
{
    // "[a] = 1" and "'a' = 1" at the head of an item name the column; a comparison of that
    // shape stands in parentheses.
    std::string out = Expression(item.expr);
    if (const auto* b = item.expr.As<Ast::Binary>(); b && b->op == "=") {
        const auto* column = b->left->As<Ast::ColumnRef>();
        const auto* literal = b->left->As<Ast::Literal>();
        if ((column && column->name.size() == 1) || (literal && literal->kind == Ast::LiteralKind::String))
            out = "(" + out + ")";
    }
    return item.alias.empty() ? out : out + " AS " + Quote(item.alias);
}

std::string TSqlWriter::SelectCore(const Ast::SelectCore& core, const std::string& into)
{
    std::string out = "SELECT ";
    if (core.distinct) out += "DISTINCT ";
    if (core.top) out += "TOP (" + Expression(*core.top) + ")" + (core.topPercent ? " PERCENT " : " ");
    for (std::size_t i = 0; i < core.items.size(); ++i)
        out += (i ? ", " : "") + SelectItem(core.items[i]);
    if (!into.empty()) out += " INTO " + Quote(into);
    if (!core.from.empty()) out += " FROM " + FromList(core.from);
    if (core.where) out += " WHERE " + Expression(*core.where);
    if (!core.groupBy.empty()) out += " GROUP BY " + List(core.groupBy);
    if (core.having) out += " HAVING " + Expression(*core.having);
    return out;
}

std::string TSqlWriter::Select(const Ast::Select& select)
{
    std::string out = SelectCore(select.first, select.into);
    static constexpr const char* kOperators[] = {" UNION ", " UNION ALL ", " EXCEPT ", " INTERSECT "};
    for (const auto& term : select.rest)
        out += kOperators[static_cast<int>(term.op)] + SelectCore(term.core);
    if (!select.orderBy.empty()) {
        out += " ORDER BY ";
        for (std::size_t i = 0; i < select.orderBy.size(); ++i)
            out += (i ? ", " : "") + Expression(select.orderBy[i].expr) + (select.orderBy[i].descending ? " DESC" : "");
    }
    return out;
}

std::string TSqlWriter::Statement(const Ast::Statement& statement)
{
    return std::visit(
        [this](const auto& node) -> std::string {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, Ast::Select>)
                return Select(node);
            else if constexpr (std::is_same_v<T, Ast::Insert>)
                return Insert(node);
            else if constexpr (std::is_same_v<T, Ast::Update>)
                return Update(node);
            else if constexpr (std::is_same_v<T, Ast::Delete>)
                return Delete(node);
            else if constexpr (std::is_same_v<T, Ast::DropTable>)
                return DropTable(node);
            else if constexpr (std::is_same_v<T, Ast::UpdateStatistics>)
                return UpdateStatistics(node);
            else if constexpr (std::is_same_v<T, Ast::Exec>)
                return Exec(node);
            else
                return Transaction(node);
        },
        statement.node);
}

std::string TSqlWriter::Batch(const Ast::Batch& batch)
{
    std::string out;
    for (const auto& s : batch.statements)
        out += (out.empty() ? "" : ";\n") + Statement(s);
    return out;
}

} // namespace Talvex::Data::TSql
