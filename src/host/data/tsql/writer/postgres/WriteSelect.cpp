#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"
#include "host/types/Overloaded.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Data::TSql {
std::string PostgresWriter::TableName(const Ast::Name& name)
{
    // The ERP's objects live in one schema; SQL Server's owner prefix "dbo." names it.
    std::size_t first = name.size() > 1 && EqualsIgnoreCase(name[name.size() - 2], "dbo") ? name.size() - 1 : 0;
    std::string out;
    for (std::size_t i = first; i < name.size(); ++i)
        out += (out.empty() ? "" : ".") + Identifier(name[i]);
    return out;
}

std::string PostgresWriter::TableRef(const Ast::TableRef& table)
{
    auto alias = [](const std::string& a) { return a.empty() ? std::string() : " AS " + Identifier(a); };
    return std::visit(
        Overloaded{
            [&](const Ast::TableName& t) { return TableName(t.name) + alias(t.alias); },
            [&](const Ast::DerivedTable& d) { return "(" + Select(*d.query) + ")" + alias(d.alias); },
            [&](const Ast::TableFunction& f) { return TableName(f.name) + "(" + List(f.args) + ")" + alias(f.alias); },
            [&](const Ast::Join& j) {
                static constexpr const char* kJoinWords[] = {" JOIN ", " LEFT JOIN ", " RIGHT JOIN ", " FULL JOIN ",
                                                             " CROSS JOIN "};
                std::string right = TableRef(*j.right);
                if (j.right->As<Ast::Join>()) right = "(" + right + ")";
                std::string out = TableRef(*j.left) + kJoinWords[static_cast<int>(j.kind)] + right;
                if (j.on) out += " ON " + Expression(*j.on);
                return out;
            },
        },
        table.node);
}

std::string PostgresWriter::FromList(const std::vector<Ast::TableRef>& from)
{
    std::string out;
    for (const auto& t : from)
        out += (out.empty() ? "" : ", ") + TableRef(t);
    return out;
}

std::string PostgresWriter::SelectCore(const Ast::SelectCore& core, bool withTop)
{
    // SELECT DISTINCT of plain columns is a grouping by them, so that spellings differing
    // only in case or trailing blanks make one row.
    bool distinctColumns = core.distinct && core.groupBy.empty() && !core.items.empty() &&
                           std::all_of(core.items.begin(), core.items.end(),
                                       [](const Ast::SelectItem& item) { return item.expr.As<Ast::ColumnRef>(); });
    std::vector<const Ast::Expression*> keys;
    for (const auto& key : core.groupBy)
        keys.push_back(&key);
    if (distinctColumns)
        for (const auto& item : core.items)
            keys.push_back(&item.expr);
    // The GROUP BY list first: its text keys decide how the select list shows them.
    std::string groupBy = GroupBy(keys);
    std::string out = "SELECT ";
    if (core.distinct && !distinctColumns) out += "DISTINCT ";
    for (std::size_t i = 0; i < core.items.size(); ++i) {
        out += (i ? ", " : "") + Expression(core.items[i].expr);
        if (!core.items[i].alias.empty())
            out += " AS " + Identifier(core.items[i].alias);
        else if (const auto* column = core.items[i].expr.As<Ast::ColumnRef>(); column && !keys.empty())
            out += " AS " + Identifier(column->name.back());
    }
    auto grouped = std::move(textKeys_);
    textKeys_.clear();
    if (!core.from.empty()) out += " FROM " + FromList(core.from);
    if (core.where) out += " WHERE " + Expression(*core.where);
    textKeys_ = std::move(grouped);
    if (!keys.empty()) out += " GROUP BY " + groupBy;
    if (core.having) out += " HAVING " + Expression(*core.having);
    if (withTop && core.top) out += Top(core);
    return out;
}

std::string PostgresWriter::Top(const Ast::SelectCore& core)
{
    if (!core.topPercent) return " LIMIT " + Expression(*core.top);
    // TOP n PERCENT: the share of the rows the same block gives, rounded up.
    Ast::SelectCore all = core;
    all.top = {};
    all.topPercent = false;
    return " LIMIT (SELECT CAST(ceil(count(*) * (" + Expression(*core.top) + ") / 100.0) AS bigint) FROM (" +
           SelectCore(all, false) + ") AS top_percent_rows)";
}

std::string PostgresWriter::Select(const Ast::Select& select)
{
    QueryScope scope(*this);
    bool compound = !select.rest.empty();
    std::string out;
    auto term = [&](const Ast::SelectCore& core) {
        // A TOP inside a UNION limits only its own block.
        if (compound && core.top) return "(" + SelectCore(core, true) + ")";
        return SelectCore(core, false);
    };
    out = term(select.first);
    static constexpr const char* kOperators[] = {" UNION ", " UNION ALL ", " EXCEPT ", " INTERSECT "};
    for (const auto& t : select.rest)
        out += kOperators[static_cast<int>(t.op)] + term(t.core);
    // ORDER BY of a UNION names the output columns, not any one block's keys.
    if (compound) textKeys_.clear();
    if (!select.orderBy.empty()) {
        // T-SQL sorts NULL below every value; PostgreSQL above, unless told.
        out += " ORDER BY ";
        for (std::size_t i = 0; i < select.orderBy.size(); ++i) {
            // A bare name is the output column of that name, already shown as the group's.
            const auto* column = select.orderBy[i].expr.As<Ast::ColumnRef>();
            auto keys = column && column->name.size() == 1 ? std::move(textKeys_) : textKeys_;
            if (column && column->name.size() == 1) textKeys_.clear();
            out += (i ? ", " : "") + Expression(select.orderBy[i].expr) +
                   (select.orderBy[i].descending ? " DESC NULLS LAST" : " NULLS FIRST");
            textKeys_ = std::move(keys);
        }
    }
    if (!compound && select.first.top) out += Top(select.first);
    // The table is the session's own, as SQL Server's #Name is, and goes with it.
    if (!select.into.empty()) return "CREATE TEMPORARY TABLE " + TableName({select.into}) + " AS " + out;
    return out;
}

std::vector<std::string> PostgresWriter::ColumnNames(const Ast::Select& select)
{
    std::vector<std::string> names;
    for (const auto& item : select.first.items) {
        // A "*" stands for columns unknown here: the names after it are left to the server.
        if (item.expr.As<Ast::Star>()) break;
        if (!item.alias.empty())
            names.push_back(item.alias);
        else if (const auto* c = item.expr.As<Ast::ColumnRef>())
            names.push_back(c->name.back());
        else
            names.emplace_back();
    }
    return names;
}

std::string PostgresWriter::Statement(const Ast::Statement& statement)
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

Translation PostgresWriter::Batch(const Ast::Batch& batch)
{
    Translation t;
    int parametersBefore = 0;
    for (const auto& s : batch.statements) {
        parameterOffset_ = 0;
        t.postgres += (t.postgres.empty() ? "" : ";\n") + Statement(s);
        // Placeholders count in order of appearance, so each statement takes the ones
        // after those of the statements before it.
        TranslatedStatement single;
        single.firstParameter = parametersBefore;
        parameterOffset_ = parametersBefore;
        highestParameter_ = parametersBefore;
        single.postgres = Statement(s);
        single.parameterCount = highestParameter_ - parametersBefore;
        parametersBefore = highestParameter_;
        parameterOffset_ = 0;
        if (const auto* select = std::get_if<Ast::Select>(&s.node); select && select->into.empty()) {
            single.returnsRows = true;
            t.columnNames = ColumnNames(*select);
        } else if (std::holds_alternative<Ast::Exec>(s.node)) {
            single.returnsRows = true;
            t.columnNames.clear();
        }
        t.returnsRows = t.returnsRows || single.returnsRows;
        t.statements.push_back(std::move(single));
    }
    t.parameterCount = batch.parameterCount;
    return t;
}

const Ast::TableName* PostgresWriter::FindTarget(const std::vector<Ast::TableRef>& from, const Ast::Name& target)
{
    if (target.empty()) return nullptr;
    const Ast::TableName* found = nullptr;
    auto visit = [&](const Ast::TableRef& t, auto& self) -> void {
        if (found) return;
        if (const auto* j = t.As<Ast::Join>()) {
            self(*j->left, self);
            self(*j->right, self);
        } else if (const auto* n = t.As<Ast::TableName>()) {
            bool byAlias = !n->alias.empty() && target.size() == 1 && EqualsIgnoreCase(n->alias, target[0]);
            bool byName = n->alias.empty() && EqualsIgnoreCase(n->name.back(), target.back());
            if (byAlias || byName) found = n;
        }
    };
    for (const auto& t : from)
        visit(t, visit);
    return found;
}

} // namespace Talvex::Data::TSql
