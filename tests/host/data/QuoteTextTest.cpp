#include "host/data/QuoteText.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data {
namespace {

// Texts that would end a literal or a name early, or change the statement, if a quote were
// left single.
const std::vector<std::string> kHostileTexts = {
    "", "it's", "''", "'", "\"", "a\"b\"\"c", "x'; DROP TABLE t; --", "/* ' */", "back\\slash'", "Rūta's \"žalia\"",
};

TEST(QuoteText, TheServerReadsEveryQuotedTextBackAsItWas)
{
    Connection db = Testing::OpenScratchDatabase();
    for (const std::string& text : kHostileTexts) {
        // As a text literal, through the T-SQL front end and directly.
        ResultSet viaFrontEnd = db.Query("SELECT " + QuoteByDoubling(text, '\'') + " AS v");
        ASSERT_EQ(viaFrontEnd.rows.size(), 1u) << text;
        EXPECT_EQ(viaFrontEnd.rows[0][0].ToText(), text);
        ResultSet direct = db.QueryPostgres("SELECT " + QuoteByDoubling(text, '\'') + "::text AS v");
        EXPECT_EQ(direct.rows[0][0].ToText(), text);
        // As a quoted name: the column is called exactly that.
        if (text.empty()) continue; // PostgreSQL has no empty names
        ResultSet named = db.QueryPostgres("SELECT 1 AS " + QuoteByDoubling(text, '"'));
        ASSERT_EQ(named.columns.size(), 1u);
        EXPECT_EQ(named.columns[0].name, text);
    }
}

TEST(QuoteText, CsvFieldsAreQuotedOnlyWhenTheyMustBe)
{
    EXPECT_EQ(CsvField("Vilnius"), "Vilnius");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("1,5"), "\"1,5\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(CsvField("it's"), "it's");
}

} // namespace
} // namespace Talvex::Data
