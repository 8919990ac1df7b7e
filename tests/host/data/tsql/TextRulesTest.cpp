#include "host/data/tsql/TSql.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

// Text through the front end on the real engine compares and sorts as the ERP's database
// does (SQL Server, a case-insensitive Lithuanian collation): case and trailing blanks do
// not count, Lithuanian letters stand beside their base letters.
namespace Talvex::Data::TSql {
namespace {

std::string Show(const Value& v)
{
    return v.IsNull() ? "NULL" : v.ToInvariantText();
}

// The rows' first column joined by "|".
std::string Column(const ResultSet& rs)
{
    std::string out;
    for (const auto& row : rs.rows)
        out += (out.empty() ? "" : "|") + Show(row[0]);
    return out;
}

class TSqlTextRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db_ = new Connection(Testing::OpenScratchDatabase()); }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }

    // A session's own table of words and numbers stored as text, as a reference list holds them.
    void SetUp() override
    {
        db_->Execute("DROP TABLE IF EXISTS #Words");
        db_->ExecutePostgresScript("CREATE TEMPORARY TABLE \"#words\" (id integer, word varchar(20), "
                                   "qty integer, price numeric(19,4), made date)");
        db_->ExecutePostgresScript(
            "INSERT INTO \"#words\" VALUES (1, 'ABC', 1, 2.5, '2024-01-31'), (2, 'abc  ', NULL, NULL, NULL), "
            "(3, 'Šarka', 3, 1, '2024-02-01'), (4, 'šarka ', 4, 1, '2024-02-02'), (5, 'abd', 5, 7, NULL), "
            "(6, NULL, 6, NULL, NULL)");
    }

    static std::string Ids(const std::string& where, const std::vector<Value>& params = {})
    {
        return Column(db_->Query("SELECT id FROM #Words WHERE " + where + " ORDER BY id", params));
    }

    static Connection* db_;
};

Connection* TSqlTextRules::db_ = nullptr;

TEST_F(TSqlTextRules, EqualityIgnoresCaseAndTrailingBlanksOnEitherSide)
{
    EXPECT_EQ(Ids("word = 'abc'"), "1|2");
    EXPECT_EQ(Ids("word = 'ABC   '"), "1|2");
    EXPECT_EQ(Ids("'abc' = word"), "1|2");
    EXPECT_EQ(Ids("word = ?", {Value("aBc ")}), "1|2");
    EXPECT_EQ(Ids("word = N'ŠARKA'"), "3|4");
    EXPECT_EQ(Ids("word <> 'abc'"), "3|4|5");
    // Leading blanks and accents still count.
    EXPECT_EQ(Ids("word = ' abc'"), "");
    EXPECT_EQ(Ids("word = 'sarka'"), "");
    // Two stored spellings meet each other, in a join as in a condition.
    EXPECT_EQ(Column(db_->Query("SELECT COUNT(*) FROM #Words a JOIN #Words b ON a.word = b.word")), "9");
    EXPECT_EQ(Show(db_->Query("SELECT CASE WHEN 'x ' = 'X' THEN 1 ELSE 0 END").rows.at(0).at(0)), "1");
    EXPECT_EQ(Show(db_->Query("SELECT CASE word WHEN 'abc' THEN 'yes' ELSE 'no' END FROM #Words WHERE id = 2")
                       .rows.at(0)
                       .at(0)),
              "yes");
}

TEST_F(TSqlTextRules, OrderingComparisonsFollowTheLanguageWithoutCase)
{
    EXPECT_EQ(Ids("word < 'ABD'"), "1|2");
    EXPECT_EQ(Ids("word >= 'ABD'"), "3|4|5");
    // Š comes after S and before T, not after Z.
    EXPECT_EQ(Ids("word > 's' AND word < 't'"), "3|4");
    EXPECT_EQ(Ids("word BETWEEN 'abc' AND 'ABC  '"), "1|2");
    // Numbers and dates keep their own comparisons, a parameter read as the column's type.
    EXPECT_EQ(Ids("qty > ?", {Value("3")}), "4|5|6");
    EXPECT_EQ(Ids("made >= ?", {Value("2024-02-01")}), "3|4");
    EXPECT_EQ(Ids("price = 1"), "3|4");
}

TEST_F(TSqlTextRules, LikeIgnoresCaseAndTheValuesTrailingBlanks)
{
    EXPECT_EQ(Ids("word LIKE 'abc'"), "1|2");
    EXPECT_EQ(Ids("word LIKE 'A_C'"), "1|2");
    EXPECT_EQ(Ids("word LIKE 'š%'"), "3|4");
    EXPECT_EQ(Ids("word LIKE '%RKA'"), "3|4");
    EXPECT_EQ(Ids("word NOT LIKE 'ab%'"), "3|4");
    // The pattern's own trailing blank must be matched.
    EXPECT_EQ(Ids("word LIKE 'abc '"), "2");
    EXPECT_EQ(Ids("word LIKE 'abc  '"), "2");
    EXPECT_EQ(Ids("word LIKE 'abc   '"), "");
    EXPECT_EQ(Ids("word LIKE ?", {Value("AB%")}), "1|2|5");
    EXPECT_EQ(Ids("word LIKE 'a!%' ESCAPE '!'"), "");
}

TEST_F(TSqlTextRules, InListsAndSubQueriesCompareAsEquality)
{
    EXPECT_EQ(Ids("word IN ('ABC', 'ŠARKA  ')"), "1|2|3|4");
    EXPECT_EQ(Ids("word NOT IN ('abc', 'abd')"), "3|4");
    EXPECT_EQ(Ids("word IN (?, ?)", {Value("abd "), Value("x")}), "5");
    EXPECT_EQ(Ids("qty IN (1, 4)"), "1|4");
    EXPECT_EQ(Ids("word IN (SELECT UPPER(word) + '  ' FROM #Words WHERE id = 3)"), "3|4");
    EXPECT_EQ(Ids("word NOT IN (SELECT w.word FROM #Words w WHERE w.id IN (1, 3))"), "5");
}

TEST_F(TSqlTextRules, OrderByPutsMarkedLettersBesideTheirBaseLettersWhateverTheCase)
{
    db_->ExecutePostgresScript("CREATE TEMPORARY TABLE \"#names\" (name varchar(30))");
    db_->ExecutePostgresScript("INSERT INTO \"#names\" VALUES ('Žalias'), ('zuikis'), ('Šarka'), ('sala'), "
                               "('Čiuožėjas'), ('cukrus'), ('Ąžuolas'), ('azotas'), ('Zebras')");
    EXPECT_EQ(Column(db_->Query("SELECT Name FROM #Names ORDER BY Name")),
              "azotas|Ąžuolas|cukrus|Čiuožėjas|sala|Šarka|Zebras|zuikis|Žalias");
    EXPECT_EQ(Column(db_->Query("SELECT Name FROM #Names ORDER BY Name DESC")),
              "Žalias|zuikis|Zebras|Šarka|sala|Čiuožėjas|cukrus|Ąžuolas|azotas");
    EXPECT_EQ(Column(db_->Query("SELECT MIN(Name) FROM #Names WHERE Name LIKE 'z%' OR Name LIKE 'ž%'")), "Zebras");
    EXPECT_EQ(Column(db_->Query("SELECT MAX(Name) FROM #Names WHERE Name < 'T'")), "Šarka");
    db_->Execute("DROP TABLE #Names");
}

TEST_F(TSqlTextRules, GroupByMergesKeysThatDifferInCaseOrTrailingBlanks)
{
    ResultSet rs = db_->Query("SELECT w.word, COUNT(*) AS n, SUM(w.qty) AS q FROM #Words w "
                              "WHERE w.word IS NOT NULL GROUP BY word HAVING COUNT(*) > 0 ORDER BY w.word");
    ASSERT_EQ(rs.rows.size(), 3u);
    EXPECT_EQ(rs.columns.at(0).name, "word");
    EXPECT_EQ(Show(rs.rows[0][1]) + " " + Show(rs.rows[0][2]), "2 1");
    EXPECT_EQ(Show(rs.rows[1][1]) + " " + Show(rs.rows[1][2]), "1 5");
    EXPECT_EQ(Show(rs.rows[2][1]) + " " + Show(rs.rows[2][2]), "2 7");
    EXPECT_EQ(Show(rs.rows[0][0]).substr(0, 3), "ABC");
    // Keys of other types group as they are; a key inside an aggregate is the row's own value.
    EXPECT_EQ(Column(db_->Query("SELECT COUNT(DISTINCT word) FROM #Words GROUP BY qty % 2 ORDER BY 1")), "1|1|3");
    EXPECT_EQ(Column(db_->Query("SELECT COUNT(DISTINCT word) FROM #Words")), "3");
    EXPECT_EQ(Column(db_->Query("SELECT MAX(word) + '|' + MIN(word) FROM #Words WHERE id IN (3, 4) GROUP BY word")),
              "šarka |Šarka");
    EXPECT_EQ(Column(db_->Query("SELECT UPPER(RTRIM(word)) + '!' FROM #Words WHERE id < 5 GROUP BY word "
                                "ORDER BY 1")),
              "ABC!|ŠARKA!");
    // A sub-query of the select list reaches the block's key by its table's name.
    ResultSet nested = db_->Query("SELECT w.word, (SELECT COUNT(*) FROM #Words v WHERE v.word = w.word) AS same "
                                  "FROM #Words w WHERE w.id IN (1, 2, 5) GROUP BY w.word ORDER BY w.word");
    ASSERT_EQ(nested.rows.size(), 2u);
    EXPECT_EQ(Show(nested.rows[0][1]) + " " + Show(nested.rows[1][1]), "2 1");
    // DISTINCT merges them as GROUP BY does.
    EXPECT_EQ(Column(db_->Query("SELECT COUNT(*) FROM (SELECT DISTINCT word FROM #Words) d")), "4");
    EXPECT_EQ(Column(db_->Query("SELECT DISTINCT w.word FROM #Words w WHERE w.id IN (3, 4, 5) ORDER BY w.word")),
              "abd|Šarka");
    db_->Execute("SELECT word, COUNT(*) AS n INTO #Counted FROM #Words GROUP BY word");
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Counted WHERE word = 'ABC'")), "2");
    db_->Execute("DROP TABLE #Counted");
}

// ASCII text is folded byte-wise, any other by ICU: both must give what ICU alone gives,
// and the fold must stay inlined (no call per row) over a column.
TEST_F(TSqlTextRules, AsciiAndMarkedTextFoldAlike)
{
    db_->ExecutePostgresScript(
        "CREATE TEMPORARY TABLE \"#folds\" (id integer, t varchar(40)); "
        "INSERT INTO \"#folds\" VALUES (1, 'ABC  '), (2, 'Abc'), (3, 'ŠARKA '), (4, 'šarka'), (5, 'Mixed Ž x  '), "
        "(6, 'İSTANBUL'), (7, 'tab\t'), (8, ' lead'), (9, ''), (10, '   '), (11, NULL), (12, 'ÅNGSTRÖM'), "
        "(13, 'Q@[`{~]Z9')");
    ResultSet differ = db_->QueryPostgres(
        "SELECT id FROM \"#folds\" WHERE tsql.ci(t) IS DISTINCT FROM lower(rtrim(t) COLLATE \"und-x-icu\") "
        "OR tsql.ci(t) IS DISTINCT FROM tsql.ci(t::text, t::text)");
    EXPECT_TRUE(differ.rows.empty()) << Show(differ.rows.empty() ? Value() : differ.rows[0][0]);
    ResultSet folded = db_->QueryPostgres("SELECT string_agg(coalesce(tsql.ci(t), 'NULL'), '|' ORDER BY id) "
                                          "FROM \"#folds\"");
    EXPECT_EQ(Show(folded.rows.at(0).at(0)), "abc|abc|šarka|šarka|mixed ž x|i̇stanbul|tab\t| lead|||NULL|ångström|"
                                             "q@[`{~]z9");
    // Through the front end: an ASCII and a marked spelling meet their kin, and only them.
    EXPECT_EQ(Column(db_->Query("SELECT a.id FROM #Folds a JOIN #Folds b ON a.t = b.t AND a.id < b.id "
                                "ORDER BY a.id")),
              "1|3|9");
    ResultSet plan = db_->QueryPostgres("EXPLAIN VERBOSE SELECT id FROM \"#folds\" WHERE tsql.ci(t) = tsql.ci(t, 'x')");
    std::string text;
    for (const auto& row : plan.rows)
        text += row[0].ToText() + "\n";
    EXPECT_EQ(text.find("tsql.ci"), std::string::npos) << text;
    EXPECT_NE(text.find("octet_length"), std::string::npos) << text;
    db_->Execute("DROP TABLE #Folds");
}

TEST_F(TSqlTextRules, IsNullTakesTheTypeOfItsFirstArgument)
{
    auto value = [](const std::string& expression) {
        return Show(db_->Query("SELECT " + expression + " FROM #Words WHERE id = 2").rows.at(0).at(0));
    };
    EXPECT_EQ(value("ISNULL(qty, 2.7)"), "2");
    EXPECT_EQ(value("ISNULL(qty, 0) + 1"), "1");
    EXPECT_EQ(value("ISNULL(made, '2024-03-01')"), "2024-03-01");
    EXPECT_EQ(Show(db_->Query("SELECT ISNULL(word, 0) + 'x' FROM #Words WHERE id = 6").rows.at(0).at(0)), "0x");
    EXPECT_EQ(Show(db_->Query("SELECT ISNULL(word, 12.5) FROM #Words WHERE id = 6").rows.at(0).at(0)), "12.5");
    EXPECT_EQ(Show(db_->Query("SELECT ISNULL(LEFT(word, 2), 7) FROM #Words WHERE id = 6").rows.at(0).at(0)), "7");
}

TEST_F(TSqlTextRules, TextMeetingANumberIsReadAsTheNumber)
{
    db_->ExecutePostgresScript("CREATE TEMPORARY TABLE \"#codes\" (code varchar(10), n integer)");
    db_->ExecutePostgresScript("INSERT INTO \"#codes\" VALUES ('5', 5), ('05', 6), (' 7', 7), ('12', 12)");
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Codes WHERE code = 5 ORDER BY n")), "5|6");
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Codes WHERE 7 = code")), "7");
    // As numbers, '12' is above 7 though as text it sorts below.
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Codes WHERE code > 6 ORDER BY n")), "7|12");
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Codes WHERE code IN (5, 12) ORDER BY n")), "5|6|12");
    EXPECT_EQ(Column(db_->Query("SELECT n FROM #Codes WHERE n = code ORDER BY n")), "5|7|12");
    db_->ExecutePostgresScript("INSERT INTO \"#codes\" VALUES ('x1', 1)");
    // Text that is no number is an error, as in SQL Server, not a silent miss.
    EXPECT_THROW(db_->Query("SELECT n FROM #Codes WHERE code = 5"), std::exception);
    db_->Execute("DROP TABLE #Codes");
}

// A client looked up by its code, typed in another case and with a trailing blank, among
// as many clients as a large company has: the lookup must still go through an index.
TEST(TSqlTextRulesOnTheSchema, CodeLookupGoesThroughAnIndexOfAReferenceTable)
{
    Connection db = Connection::Open(Testing::DemoDatabaseConnectString());
    Transaction tx(db);
    db.ExecutePostgresScript("INSERT INTO refclient (code, name) SELECT 'TXR' || g, 'Client ' || g "
                             "FROM generate_series(1, 20000) g");
    Translation t = Translate("SELECT Name FROM REFClient WHERE Code = 'txr1234 '");
    ResultSet plan = db.QueryPostgres("EXPLAIN " + t.postgres);
    std::string text;
    for (const auto& row : plan.rows)
        text += row[0].ToText() + "\n";
    EXPECT_NE(text.find("Index"), std::string::npos) << text;
    EXPECT_NE(text.find("refclient_pkey_folded"), std::string::npos) << text;
    EXPECT_EQ(text.find("Seq Scan"), std::string::npos) << text;
    EXPECT_EQ(Column(db.Query("SELECT Name FROM REFClient WHERE Code = 'txr1234 '")), "Client 1234");
    EXPECT_EQ(Column(db.Query("SELECT Name FROM REFClient WHERE Code = ?", {Value("Txr77")})), "Client 77");
}

} // namespace
} // namespace Talvex::Data::TSql
