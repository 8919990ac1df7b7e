#include "RecordsetFixture.hpp"

#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

using Talvex::Testing::MakeDocuments;
using Talvex::Testing::VisibleIds;
using Ids = std::vector<std::int64_t>;

namespace {

struct FilterCase {
    const char* criteria;
    Ids expected;
};

} // namespace

TEST(RecordsetFilter, SelectsTheRowsAnAdoFilterWould)
{
    const FilterCase cases[] = {
        // text: without regard to case, quotes doubled inside, Baltic letters folded too
        {"Client = 'alfa'", {1, 3, 5}},
        {"client = 'ALFA'", {1, 3, 5}},
        {"Note = 'it''s'", {3}},
        {"Note = 'ŠALTINIS'", {5, 6}},
        {"[Client] = 'Gama'", {4}},
        // national text literals, as the host's condition writer makes them
        {"Note = N'it''s'", {3}},
        {"Client = n'gama' OR Note = N'it''s'", {3, 4}},
        {"Client > 'beta'", {4}},
        {"Client <> 'alfa'", {2, 4, 6}},
        // dates: ISO, month first, with a time of day, and a text literal on a date field
        {"Client = 'Alfa' AND DocumentDate >= #2014-02-01#", {3, 5}},
        {"DocumentDate >= #02/01/2014# AND DocumentDate <= #2/28/2014#", {2, 3, 4}},
        {"DocumentDate = #2014-02-01 00:00:00#", {2, 3}},
        {"DocumentDate < '2014-01-01'", {6}},
        // amounts compare exactly: 1000.0001 is above 1000, 100.10 is not above 100.1
        {"Summa > 1000", {5}},
        {"Summa > 100.1", {2, 5}},
        {"Summa = 0.05", {3}},
        {"Summa < 0", {4}},
        {"Summa = -30", {4}},
        {"Summa = $250", {2}},
        {"IDC = '3'", {3}},
        {"IDC > -1 AND IDC < 2", {1}},
        {"IDC >= 5", {5, 6}},
        {"IDC != 1 AND IDC<=3", {2, 3}},
        // AND binds tighter than OR; parentheses regroup
        {"IDC = 2 OR IDC = 3 AND Client = 'Gama'", {2}},
        {"(IDC = 2 OR IDC = 3) AND Client = 'alfa'", {3}},
        {"Client = 'Beta' AND IDC > 2 OR Client = 'Gama'", {4, 6}},
        {"((IDC = 1) OR (IDC = 6 AND (Summa > 75 OR Summa < -100)))", {1, 6}},
        // nulls match no comparison, only the tests for null
        {"Note IS NULL", {2}},
        {"Note = NULL", {2}},
        {"Note is not null", {1, 3, 4, 5, 6}},
        {"Note <> NULL", {1, 3, 4, 5, 6}},
        {"Note <> 'x'", {1, 3, 5, 6}},
        // LIKE with either wildcard, anywhere in the pattern
        {"Client LIKE 'al*'", {1, 3, 5}},
        {"Client LIKE '%TA'", {2, 6}},
        {"Note LIKE '*altin*'", {5, 6}},
        {"Note LIKE 'f*t'", {1}},
        {"Client NOT LIKE 'a*'", {2, 4, 6}},
        {"Client LIKE 'a*a'", {1, 3, 5}},
        {"Note LIKE 'i*''s'", {3}},
        {"Note LIKE '*'", {1, 3, 4, 5, 6}},
        {"Note LIKE 'x'", {4}},
        {"Client LIKE 'b_ta'", {}}, // only * and % are wildcards
        {"DocumentDate = #2014.02.01#", {2, 3}},
        {"DocumentDate = #1/15/2014#", {1}},
        {"Client IN ('gama', 'BETA')", {2, 4, 6}},
        {"IDC NOT IN (1, 2, 3)", {4, 5, 6}},
        {"  ", {1, 2, 3, 4, 5, 6}},
    };
    for (const FilterCase& c : cases) {
        auto rs = MakeDocuments();
        rs->SetFilter(c.criteria);
        EXPECT_EQ(VisibleIds(*rs), c.expected) << c.criteria;
        EXPECT_EQ(rs->RecordCount(), static_cast<std::int64_t>(c.expected.size())) << c.criteria;
    }
}

TEST(RecordsetFilter, SettingMovesToTheFirstVisibleRowAndClearingShowsAll)
{
    auto rs = MakeDocuments();
    rs->MoveLast();
    rs->SetFilter("Client = 'Beta'");
    EXPECT_EQ(rs->Bookmark(), 2);
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    EXPECT_EQ(rs->Filter(), "Client = 'Beta'");

    rs->SetFilter(Talvex::Data::FilterGroupEnum::None);
    EXPECT_EQ(rs->RecordCount(), 6);
    EXPECT_EQ(rs->Filter(), "");

    rs->SetFilter("IDC = 99");
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->SetFilter("");
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 2, 3, 4, 5, 6}));
}

TEST(RecordsetFilter, ByBookmarksShowsThoseRowsInTheCurrentOrder)
{
    auto rs = MakeDocuments();
    rs->SetSort("Summa DESC");
    rs->SetFilter(std::vector<std::int64_t>{6, 1, 4});
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 6, 4}));
    EXPECT_THROW(rs->SetFilter(std::vector<std::int64_t>{7}), Talvex::ValueError);
}

TEST(RecordsetFilter, BadCriteriaNameThePositionAndKeepThePreviousFilter)
{
    struct BadCase {
        const char* criteria;
        const char* message;
    };
    const BadCase cases[] = {
        {"Client = 'x", "text is not closed by a quote at position 10"},
        {"Clent = 'x'", "there is no field named Clent at position 1"},
        {"IDC = ", "instead of the end at position 7"},
        {"IDC = 1 AND", "expected a field name instead of the end at position 12"},
        {"(IDC = 1", "expected ) instead of the end at position 9"},
        {"DocumentDate > #2014-13-01#", "#2014-13-01# is not a date at position 16"},
        {"DocumentDate > #2014-02-01", "date is not closed by # at position 16"},
        {"IDC = 'abc'", "'abc' cannot be compared with the integer field IDC at position 7"},
        {"DocumentDate = 5", "5 cannot be compared with the date field DocumentDate at position 16"},
        {"IDC > NULL", "NULL can only be compared with = or <> at position 7"},
        {"IDC = 1 IDC = 2", "expected AND, OR or the end instead of 'IDC' at position 9"},
        {"IDC == 1", "expected a value"},
        {"Client LIKE 5", "LIKE needs a 'text' pattern"},
        {"IDC ; 1", "unexpected character ';' at position 5"},
        {"Note IS 'x'", "expected NULL after IS"},
    };
    for (const BadCase& c : cases) {
        auto rs = MakeDocuments();
        rs->SetFilter("Client = 'Gama'");
        try {
            rs->SetFilter(c.criteria);
            ADD_FAILURE() << "no error for " << c.criteria;
        } catch (const Talvex::ValueError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(rs->Filter(), "Client = 'Gama'") << c.criteria;
        EXPECT_EQ(VisibleIds(*rs), (Ids{4})) << c.criteria;
    }
}

TEST(RecordsetFilter, FromResultSetKeepsAmountsExact)
{
    using Talvex::Currency;
    using Talvex::Value;
    Talvex::Data::ResultSet result;
    result.columns = {{"IDC", Talvex::Data::ColumnKind::Integer}, {"Amount", Talvex::Data::ColumnKind::Decimal}};
    // 0.1 + 0.2 as a double is not 0.3; the exact amount is.
    result.rows = {{Value(std::int64_t{1}), Value(Currency::Parse("0.3"))},
                   {Value(std::int64_t{2}), Value(0.1 + 0.2)},
                   {Value(std::int64_t{3}), Value(Currency::Parse("0.2999"))}};
    auto rs = Talvex::Data::Recordset::FromResultSet(result);
    EXPECT_EQ(rs.Fields()("amount").Type(), Talvex::Data::DataTypeEnum::Numeric);
    EXPECT_EQ(rs.Fields()("idc").Type(), Talvex::Data::DataTypeEnum::BigInt);
    EXPECT_EQ(rs.Fields()("Amount").Value(), Value(Currency::Parse("0.3")));

    rs.SetFilter("Amount = 0.3");
    EXPECT_EQ(VisibleIds(rs), (Ids{1}));
    rs.SetFilter("Amount < 0.3");
    EXPECT_EQ(VisibleIds(rs), (Ids{3}));
    rs.SetFilter("Amount > 0.3");
    EXPECT_EQ(VisibleIds(rs), (Ids{2}));

    // Past fifteen digits a double no longer tells these apart; amounts still do.
    result.rows.push_back({Value(std::int64_t{4}), Value(Currency::Parse("90071992547409.9301"))});
    auto large = Talvex::Data::Recordset::FromResultSet(result);
    large.SetFilter("Amount > 90071992547409.93");
    EXPECT_EQ(VisibleIds(large), (Ids{4}));
    large.SetFilter("Amount = 90071992547409.9301");
    EXPECT_EQ(VisibleIds(large), (Ids{4}));

    result.rows.push_back({Value(std::int64_t{5})});
    EXPECT_THROW(Talvex::Data::Recordset::FromResultSet(result), Talvex::ValueError);
}

TEST(RecordsetFilter, LookupsFollowEditsAddsAndDeletes)
{
    auto rs = MakeDocuments();
    auto editor = rs->Clone();
    rs->SetFilter("Client = 'alfa'");
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 3, 5}));

    editor->SetBookmark(4);
    editor->Fields()("Client").SetValue("alfa");
    editor->Update();
    editor->SetBookmark(1);
    editor->Fields()("Client").SetValue("Delta");
    editor->Update();
    editor->AddNew();
    editor->Fields()("IDC").SetValue(7);
    editor->Fields()("Client").SetValue("ALFA");
    editor->Update();
    editor->SetBookmark(3);
    editor->Delete();

    rs->SetFilter("Client = 'Alfa'");
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 5, 7}));
    rs->SetFilter("Client = 'delta' OR IDC = 7");
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 7}));
    rs->SetSort("IDC DESC");
    rs->SetFilter("Client = 'alfa' AND IDC >= 5");
    EXPECT_EQ(VisibleIds(*rs), (Ids{7, 5}));
}

// Equality on a text field is answered by a lookup, on a variant field by reading every row;
// after any mix of edits, adds and deletes both must select the same rows.
TEST(RecordsetFilter, LookupAgreesWithReadingEveryRow)
{
    using Talvex::Data::DataTypeEnum;
    Talvex::Data::Recordset rs;
    rs.Fields().Append("IDC", DataTypeEnum::Integer);
    rs.Fields().Append("Code", DataTypeEnum::VarWChar);
    rs.Fields().Append("CodeAny", DataTypeEnum::Variant);
    rs.Open();
    const char* codes[] = {"a", "A", "b", "Ą", "ą", "c"};
    std::mt19937 random(7);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    auto writeCode = [&](Talvex::Data::Recordset& target) {
        const char* code = codes[pick(std::size(codes))];
        target.Fields()("Code").SetValue(code);
        target.Fields()("CodeAny").SetValue(code);
    };
    std::int64_t nextId = 1;
    auto editor = rs.Clone();
    for (int round = 0; round < 300; ++round) {
        switch (pick(4)) {
        case 0:
        case 1:
            editor->AddNew();
            editor->Fields()("IDC").SetValue(nextId++);
            writeCode(*editor);
            editor->Update();
            break;
        case 2:
            if (editor->RecordCount() > 0) {
                editor->SetAbsolutePosition(
                    static_cast<std::int64_t>(pick(static_cast<std::size_t>(editor->RecordCount()))) + 1);
                writeCode(*editor);
                editor->Update();
            }
            break;
        default:
            if (editor->RecordCount() > 0) {
                editor->SetAbsolutePosition(
                    static_cast<std::int64_t>(pick(static_cast<std::size_t>(editor->RecordCount()))) + 1);
                editor->Delete();
            }
        }
        const char* code = codes[pick(std::size(codes))];
        rs.SetFilter(std::string("Code = '") + code + "'");
        Ids byLookup = VisibleIds(rs);
        rs.SetFilter(std::string("CodeAny = '") + code + "'");
        ASSERT_EQ(VisibleIds(rs), byLookup) << "round " << round << " code " << code;
    }
}
