#include "host/data/tsql/Reparse.hpp"
#include "host/data/tsql/TSql.hpp"

#include <gtest/gtest.h>

#include <functional>

// Every way a statement nests is read up to the limit and refused one level beyond it, with
// the line, column and token of the level too many, before anything recursive can overflow.
namespace Talvex::Data::TSql {
namespace {

std::string Repeat(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

struct Shape {
    const char* name;
    std::function<std::string(int depth)> statement;
    // Where the level just past the limit opens: its column on line 1 and its token.
    int refusedColumn;
    const char* refusedToken;
};

const Shape kShapes[] = {
    {"parentheses", [](int d) { return "SELECT " + Repeat("(", d) + "1" + Repeat(")", d); }, 8 + kMaxNesting, "("},
    {"sub-queries", [](int d) { return "SELECT " + Repeat("(SELECT ", d) + "1" + Repeat(")", d); }, 8 + 8 * kMaxNesting,
     "("},
    {"CASE", [](int d) { return "SELECT " + Repeat("CASE WHEN 1 = 1 THEN ", d) + "1" + Repeat(" END", d); },
     8 + 21 * kMaxNesting, "CASE"},
    {"NOT", [](int d) { return "SELECT a FROM t WHERE " + Repeat("NOT ", d) + "a = 1"; }, 23 + 4 * kMaxNesting, "NOT"},
    {"signs", [](int d) { return "SELECT " + Repeat("- ", d) + "1"; }, 8 + 2 * kMaxNesting, "-"},
    {"calls", [](int d) { return "SELECT " + Repeat("ABS(", d) + "1" + Repeat(")", d); }, 8 + 4 * kMaxNesting, "ABS"},
    {"IN lists", [](int d) { return "SELECT 1 FROM t WHERE " + Repeat("a IN (", d) + "1" + Repeat(")", d); },
     28 + 6 * kMaxNesting, "("},
    {"joins on the right", [](int d) { return "SELECT 1 FROM a" + Repeat(" JOIN a", d) + Repeat(" ON 1 = 1", d); },
     17 + 7 * kMaxNesting, "JOIN"},
};

TEST(TSqlNesting, EveryShapeIsReadToTheLimitAndRefusedOneLevelBeyond)
{
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        const std::string atLimit = shape.statement(kMaxNesting);
        // Read, written for the server, and written back and read again.
        EXPECT_NO_THROW(Translate(atLimit));
        EXPECT_NO_THROW(CheckReparse(atLimit));
        try {
            Translate(shape.statement(kMaxNesting + 1));
            ADD_FAILURE() << "one level too many was read";
        } catch (const SqlSyntaxError& error) {
            EXPECT_EQ(error.Line(), 1);
            EXPECT_EQ(error.Column(), shape.refusedColumn);
            EXPECT_EQ(error.Token(), shape.refusedToken);
            EXPECT_NE(std::string(error.what()).find("nested deeper than 200 levels"), std::string::npos)
                << error.what();
        }
    }
}

TEST(TSqlNesting, FarTooDeepInputIsASyntaxErrorNotACrash)
{
    for (int depth : {3000, 100000}) {
        EXPECT_THROW(Translate("SELECT " + Repeat("(", depth) + "1" + Repeat(")", depth)), SqlSyntaxError);
        EXPECT_THROW(Translate("SELECT " + Repeat("(SELECT ", depth)), SqlSyntaxError);
        EXPECT_THROW(Translate("SELECT " + Repeat("CASE WHEN ", depth)), SqlSyntaxError);
    }
    // Nested comments are counted, not followed: any depth reads.
    EXPECT_NO_THROW(Translate("SELECT 1 " + Repeat("/*", 100000) + Repeat("*/", 100000)));
    // A nesting error is final: the parser does not try the same text again another way.
    try {
        Translate("SELECT ((" + Repeat("(SELECT ", 5000) + "1) + 1");
        ADD_FAILURE() << "no error";
    } catch (const SqlSyntaxError& error) {
        EXPECT_NE(std::string(error.what()).find("nested deeper"), std::string::npos) << error.what();
    }
}

TEST(TSqlNesting, AFailedSubQueryTryIsNotRepeatedAtEveryLevel)
{
    // Each "((SELECT" is first tried as a sub-query and then read again as parentheses; were
    // the failed tries repeated inside each other, forty levels would take longer than the
    // age of the machine. Both the expression and the FROM forms end in a plain syntax error.
    try {
        Translate("SELECT " + Repeat("((SELECT f(", 40) + "1");
        ADD_FAILURE() << "no error";
    } catch (const SqlSyntaxError& error) {
        EXPECT_EQ(error.Token(), "");
    }
    EXPECT_THROW(Translate("SELECT 1 FROM " + Repeat("((SELECT 1 FROM ", 40) + "t"), SqlSyntaxError);
    // The same shapes that do close still read.
    EXPECT_NO_THROW(Translate("SELECT ((SELECT 1) + 1), x FROM ((SELECT 1 AS a) AS m JOIN t ON 1 = 1)"));
}

TEST(TSqlNesting, ChainedOperatorsAreFlatToReadButBoundTheTreesDepth)
{
    // A chain of operators is no nesting to the reader, but each operator puts the tree one
    // level deeper for the writers that walk it.
    const std::string atLimit = "SELECT 1" + Repeat(" + 1", kMaxTreeDepth);
    EXPECT_NO_THROW(Translate(atLimit));
    EXPECT_NO_THROW(CheckReparse(atLimit));
    const std::string orChain = "SELECT 1 FROM t WHERE a = 0" + Repeat(" OR a = 1", kMaxTreeDepth);
    EXPECT_NO_THROW(CheckReparse(orChain));
    try {
        Translate(atLimit + " + 1");
        ADD_FAILURE() << "a tree deeper than the limit was read";
    } catch (const SqlSyntaxError& error) {
        EXPECT_EQ(error.Column(), 10 + 4 * kMaxTreeDepth);
        EXPECT_EQ(error.Token(), "+");
        EXPECT_NE(std::string(error.what()).find("deeper than 1000 levels"), std::string::npos) << error.what();
    }
    // Chains stacked on each other add up: a hundred groups, each the first operand of a
    // chain of twenty operators around it, nest only a hundred levels but go 2000 deep.
    const std::string stacked = "SELECT " + Repeat("(", 100) + "1" + Repeat(Repeat(" * 1", 20) + ")", 100);
    EXPECT_THROW(Translate(stacked), SqlSyntaxError);
    EXPECT_NO_THROW(Translate("SELECT " + Repeat("(", 40) + "1" + Repeat(Repeat(" * 1", 20) + ")", 40)));
    EXPECT_THROW(Translate("SELECT 1 FROM a" + Repeat(" JOIN a ON 1 = 1", kMaxTreeDepth + 1)), SqlSyntaxError);
}

} // namespace
} // namespace Talvex::Data::TSql
