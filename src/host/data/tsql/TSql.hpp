#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The T-SQL front end: the module and the host builders write SQL Server's dialect; this
// turns it into PostgreSQL without changing its meaning.
namespace Talvex::Data::TSql {

// A statement the front end cannot read. Nothing of the batch runs.
class SqlSyntaxError : public std::runtime_error {
public:
    SqlSyntaxError(int line, int column, std::string token, const std::string& problem);
    int Line() const { return line_; }
    int Column() const { return column_; }
    const std::string& Token() const { return token_; }

private:
    int line_;
    int column_;
    std::string token_;
};

// One statement of a batch on its own, for a caller that runs statements one at a time
// (PostgreSQL takes parameters only with a single statement): its placeholders are numbered
// $1.. within it and stand for the batch's parameters firstParameter .. firstParameter +
// parameterCount - 1 (counted from 0).
struct TranslatedStatement {
    std::string postgres;
    bool returnsRows = false;
    int firstParameter = 0;
    int parameterCount = 0;
};

struct Translation {
    // PostgreSQL text of the whole batch; statements separated by ";\n".
    std::string postgres;
    // For the last statement that returns rows: its output column names as the T-SQL
    // spells them ("AccNeedPaySum"), an empty entry where the column has no name of its
    // own (a "*" expands there, or an unnamed expression).
    std::vector<std::string> columnNames;
    bool returnsRows = false;
    // Count of "?" placeholders, written as $1 .. $n in order of appearance.
    int parameterCount = 0;
    // The same batch statement by statement.
    std::vector<TranslatedStatement> statements;
};

// How deep a statement may nest: each parenthesis, sub-query, CASE, function call, NOT and
// sign opens a level. Deeper input is refused as a syntax error at the token that opens one
// level too many, before any recursive reading could run out of stack.
inline constexpr int kMaxNesting = 200;
// How deep its syntax tree may grow once chained operators count too (in a + b + c each
// operator puts all before it one level lower): the bound of every later walk of the tree.
inline constexpr int kMaxTreeDepth = 1000;

// Parses the batch and writes it for PostgreSQL; throws SqlSyntaxError.
Translation Translate(std::string_view tsql);

// A session temporary table's name as T-SQL writes it: "#" and then only letters, digits
// and "_" ("#SalesList"). PostgreSQL knows the table as the quoted lower-case "#saleslist"
// in the session's own temporary schema.
bool IsTemporaryTableName(std::string_view name);

// One name as T-SQL writes it ("REFTerritory", "#SalesList", "AccNeedPaySum"), spelled as the
// front end spells it for PostgreSQL ("refterritory", "\"#saleslist\""), for the few commands
// that reach the server without the front end (a bulk load).
std::string PostgresName(const std::string& name);

} // namespace Talvex::Data::TSql
