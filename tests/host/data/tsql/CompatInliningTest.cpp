// The compatibility functions must melt into the statements that call them: a function the
// planner keeps is run once per row through the function manager, and on a million goods
// lines that alone costs seconds.
#include "host/data/Connection.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace Talvex::Data {
namespace {

// A column of each argument type the functions take, so that no call can be folded into a
// constant before the planner decides on inlining.
const std::map<std::string, std::string> kColumnOfType = {
    {"text", "a.t"},     {"smallint", "a.s"},         {"integer", "a.i"}, {"bigint", "a.b"},
    {"numeric", "a.n"},  {"double precision", "a.f"}, {"date", "a.d"},    {"timestamp without time zone", "a.ts"},
    {"boolean", "a.bo"}, {"anycompatible", "a.i"}, {"anyelement", "a.i"},
};

TEST(CompatFunctions, EveryPlainSqlFunctionIsInlinedIntoItsCaller)
{
    Connection db = Testing::OpenScratchDatabase();
    Transaction tx(db);
    // Off the search path, a call the planner keeps prints with its schema.
    db.ExecutePostgresScript("SET LOCAL search_path TO pg_catalog, public");
    db.ExecutePostgresScript("CREATE TEMP TABLE compat_args (t text, s smallint, i integer, b bigint, n numeric, "
                             "f double precision, d date, ts timestamp, bo boolean) ON COMMIT DROP");
    auto functions = db.QueryPostgres(
        "SELECT p.proname, p.pronargs, "
        "       (SELECT string_agg(format_type(t.type, NULL), ',' ORDER BY t.n) "
        "        FROM unnest(p.proargtypes) WITH ORDINALITY AS t (type, n)) "
        "FROM pg_proc p JOIN pg_namespace ns ON ns.oid = p.pronamespace JOIN pg_language l ON l.oid = p.prolang "
        "WHERE ns.nspname = 'tsql' AND l.lanname = 'sql' AND p.prokind = 'f' AND NOT p.proretset");
    ASSERT_GT(functions.rows.size(), 40u);
    int checked = 0;
    for (const auto& row : functions.rows) {
        const std::string name = row.at(0).ToText();
        std::string call = "tsql." + name + "(";
        std::string types = row.at(2).ToText();
        std::size_t start = 0;
        for (int n = 0; n < row.at(1).ToInteger(); ++n) {
            const std::size_t comma = types.find(',', start);
            const std::string type = types.substr(start, comma - start);
            start = comma == std::string::npos ? types.size() : comma + 1;
            ASSERT_TRUE(kColumnOfType.count(type)) << name << ": no column of type " << type;
            call += (n ? ", " : "") + kColumnOfType.at(type);
        }
        call += ")";
        auto plan = db.QueryPostgres("EXPLAIN (VERBOSE) SELECT " + call + " FROM compat_args a");
        std::string output;
        for (const auto& line : plan.rows)
            if (line.at(0).ToText().find("Output:") != std::string::npos) output += line.at(0).ToText();
        ASSERT_FALSE(output.empty()) << call;
        EXPECT_EQ(output.find("tsql."), std::string::npos) << call << " stays a call:" << output;
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(functions.rows.size()));
}

} // namespace
} // namespace Talvex::Data
