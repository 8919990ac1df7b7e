#include "RecordsetFixture.hpp"

#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Null;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::EditModeEnum;
using Talvex::Data::Recordset;
using Talvex::Testing::MakeDocuments;
using Talvex::Testing::VisibleIds;
using Ids = std::vector<std::int64_t>;

namespace {

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ValueError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(Recordset, FieldsAreFoundByNameWithoutCaseAndAMissingNameIsNamed)
{
    auto rs = MakeDocuments();
    EXPECT_EQ(rs->Fields().Count(), 5u);
    EXPECT_EQ(rs->Fields()("client").Name(), "Client");
    EXPECT_EQ(rs->Fields()("SUMMA").Type(), DataTypeEnum::Currency);
    EXPECT_EQ(rs->Fields()(1).Value(), Value("Alfa"));
    EXPECT_EQ(rs->Fields()("Summa").Value(), Value(Currency::Parse("100.1")));
    EXPECT_NE(MessageOf([&] { rs->Fields()("Klientas"); }).find("Klientas"), std::string::npos);
    EXPECT_THROW(rs->Fields()(5), ValueError);
    EXPECT_TRUE(rs->Fields().Exists("note"));
    EXPECT_FALSE(rs->Fields().Exists("Notes"));
}

TEST(Recordset, NavigatesLikeAnAdoCursor)
{
    auto rs = MakeDocuments();
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), 1);
    EXPECT_EQ(rs->Bookmark(), 1);

    rs->MoveLast();
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 6);
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->AbsolutePosition(), Talvex::Data::kPosEOF);
    EXPECT_THROW(rs->MoveNext(), ValueError);
    EXPECT_THROW(rs->Fields()("IDC").Value(), ValueError);

    rs->Move(-2);
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 5);
    rs->Move(-10); // past the first record: BOF, not an error
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), Talvex::Data::kPosBOF);
    EXPECT_THROW(rs->MovePrevious(), ValueError);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 1);
    rs->Move(3);
    EXPECT_EQ(rs->AbsolutePosition(), 4);
    rs->Move(10);
    EXPECT_TRUE(rs->Eof());

    rs->SetAbsolutePosition(3);
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 3);
    EXPECT_THROW(rs->SetAbsolutePosition(7), ValueError);
    EXPECT_THROW(rs->SetAbsolutePosition(0), ValueError);

    Recordset empty;
    empty.Fields().Append("IDC", DataTypeEnum::Integer);
    empty.Open();
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.RecordCount(), 0);
    empty.MoveFirst();
    EXPECT_TRUE(empty.Eof());
}

TEST(Recordset, BookmarksSurviveSortAndFilter)
{
    auto rs = MakeDocuments();
    rs->SetAbsolutePosition(4);
    std::int64_t gama = rs->Bookmark();
    EXPECT_EQ(gama, 4);

    rs->SetSort("Summa DESC");
    EXPECT_EQ(rs->Bookmark(), 5); // sorting moves to the first record: 1000.0001 is IDC 5
    rs->SetBookmark(gama);
    EXPECT_EQ(rs->Fields()("Client").Value(), Value("Gama"));
    EXPECT_EQ(rs->AbsolutePosition(), 6); // the smallest sum sorts last

    rs->SetFilter("Client = 'Gama' OR Client = 'beta'");
    rs->SetBookmark(gama);
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 4);
    EXPECT_EQ(rs->AbsolutePosition(), 3);         // 250, 75.25, -30
    EXPECT_THROW(rs->SetBookmark(1), ValueError); // filtered out
    EXPECT_THROW(rs->SetBookmark(0), ValueError);

    auto clone = rs->Clone();
    clone->SetBookmark(gama); // a bookmark of one clone is good in another
    EXPECT_EQ(clone->Fields()("IDC").Value().ToInteger(), 4);
}

TEST(Recordset, SortIsStableWithNullsFirstAndDescending)
{
    const std::pair<const char*, Ids> cases[] = {
        {"Client", {1, 3, 5, 2, 6, 4}}, // Alfa, ALFA, Alfa are equal: stored order kept
        {"Client DESC, DocumentDate ASC", {4, 6, 2, 1, 3, 5}},
        {"Client DESC, DocumentDate DESC", {4, 2, 6, 5, 3, 1}},
        {"[DocumentDate] desc, IDC", {5, 4, 2, 3, 1, 6}},
        {"Note", {2, 1, 3, 5, 6, 4}},      // null first; Šaltinis and šaltinis equal, after S, before x
        {"Note DESC", {4, 5, 6, 3, 1, 2}}, // null last
        {"Summa", {4, 3, 6, 1, 2, 5}},
        {"", {1, 2, 3, 4, 5, 6}},
    };
    for (const auto& [sort, expected] : cases) {
        auto rs = MakeDocuments();
        rs->SetSort("IDC DESC"); // a previous order must not leak into the next
        rs->SetSort(sort);
        EXPECT_EQ(VisibleIds(*rs), expected) << sort;
        EXPECT_EQ(rs->Sort(), sort);
    }

    auto rs = MakeDocuments();
    rs->SetSort("Summa DESC");
    rs->SetFilter("Client = 'alfa'");
    EXPECT_EQ(VisibleIds(*rs), (Ids{5, 1, 3}));
    rs->SetFilter("");
    EXPECT_EQ(VisibleIds(*rs), (Ids{5, 2, 1, 6, 3, 4}));

    EXPECT_NE(MessageOf([&] { rs->SetSort("Nope ASC"); }).find("Nope"), std::string::npos);
    EXPECT_NE(MessageOf([&] { rs->SetSort("Client UP"); }).find("UP"), std::string::npos);
    EXPECT_THROW(rs->SetSort("Client,"), ValueError);
    EXPECT_EQ(rs->Sort(), "Summa DESC"); // a bad sort leaves the order as it was
}

TEST(Recordset, AGivenOrderHoldsThroughFiltersClonesAndBookmarksUntilASortReplacesIt)
{
    auto rs = MakeDocuments();
    rs->SetSort("Summa");
    rs->SetOrder({3, 0, 5, 2, 4, 1}); // stored rows: IDC 4, 1, 6, 3, 5, 2
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 1, 6, 3, 5, 2}));
    EXPECT_EQ(rs->Sort(), "");

    // Criteria and bookmarks show their records in the given order, not the stored one.
    rs->SetFilter("Client = 'alfa'");
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 3, 5}));
    rs->SetFilter("IDC = 5 OR IDC = 4");
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 5}));
    rs->SetFilter(std::vector<std::int64_t>{2, 6, 4});
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 6, 2}));
    auto clone = rs->Clone();
    clone->SetFilter("");
    EXPECT_EQ(VisibleIds(*clone), (Ids{4, 1, 6, 3, 5, 2}));
    clone->SetFilter("Summa > 0");
    EXPECT_EQ(VisibleIds(*clone), (Ids{1, 6, 3, 5, 2}));

    // A new record comes last; a deleted one leaves the order of the others as it was.
    rs->SetFilter("");
    rs->AddNew();
    rs->Fields()("IDC").SetValue(7);
    rs->Update();
    rs->SetFilter("");
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 1, 6, 3, 5, 2, 7}));
    rs->MoveFirst();
    rs->Move(1);
    rs->Delete();
    rs->SetFilter("");
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 6, 3, 5, 2, 7}));

    // The order names each live record once.
    EXPECT_NE(MessageOf([&] { rs->SetOrder({3, 5, 2, 4, 1}); }).find("5 of its 6"), std::string::npos);
    EXPECT_NE(MessageOf([&] { rs->SetOrder({3, 3, 5, 2, 4, 1}); }).find("twice"), std::string::npos);
    EXPECT_NE(MessageOf([&] { rs->SetOrder({0, 3, 5, 2, 4, 1}); }).find("stored row 0"), std::string::npos);
    EXPECT_THROW(rs->SetOrder({3, 5, 2, 4, 1, 6, 9}), ValueError);
    EXPECT_EQ(VisibleIds(*rs), (Ids{4, 6, 3, 5, 2, 7})); // a refused order changes nothing

    rs->SetSort("IDC DESC");
    EXPECT_EQ(VisibleIds(*rs), (Ids{7, 6, 5, 4, 3, 2}));
    rs->SetFilter("Client = 'alfa'");
    EXPECT_EQ(VisibleIds(*rs), (Ids{5, 3}));
}

TEST(Recordset, ClonesKeepTheirOwnPositionFilterAndSortButShareEdits)
{
    auto rs = MakeDocuments();
    rs->SetFilter("Client = 'alfa'");
    rs->MoveLast();
    rs->SetSort("Summa DESC");
    rs->MoveLast();
    auto clone = rs->Clone();
    EXPECT_EQ(clone->Bookmark(), 5);
    EXPECT_EQ(VisibleIds(*clone), (Ids{5, 1, 3})); // the original's view, from its first record
    EXPECT_EQ(clone->Filter(), "Client = 'alfa'");
    clone->SetFilter("");
    clone->SetSort("Summa");
    clone->MoveFirst();
    clone->MoveNext();
    EXPECT_EQ(clone->Bookmark(), 3);
    EXPECT_EQ(rs->Bookmark(), 3); // still on its last record
    EXPECT_EQ(rs->AbsolutePosition(), 3);
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Sort(), "Summa DESC");
    EXPECT_EQ(clone->RecordCount(), 6);
    rs->SetSort("");
    rs->MoveLast();

    // An edit is the recordset's own until stored; then every clone sees it.
    rs->Fields()("Summa").SetValue(Currency::Parse("7"));
    EXPECT_EQ(rs->EditMode(), EditModeEnum::InProgress);
    clone->SetBookmark(5);
    EXPECT_EQ(clone->Fields()("Summa").Value(), Value(Currency::Parse("1000.0001")));
    rs->MovePrevious(); // moving stores the edit
    EXPECT_EQ(clone->Fields()("Summa").Value(), Value(Currency::Parse("7")));

    // Edits through the clone reach the original; CancelUpdate drops one.
    clone->Fields()("Note").SetValue("checked");
    clone->Update();
    rs->SetBookmark(5);
    EXPECT_EQ(rs->Fields()("Note").Value(), Value("checked"));
    rs->Fields()("Note").SetValue("dropped");
    rs->CancelUpdate();
    EXPECT_EQ(rs->Fields()("Note").Value(), Value("checked"));
    EXPECT_EQ(clone->Fields()("Note").Value(), Value("checked"));
}

TEST(Recordset, AddNewAndUpdateAreVisibleToClones)
{
    auto rs = MakeDocuments();
    auto all = rs->Clone();
    auto alfa = rs->Clone();
    alfa->SetFilter("Client = 'alfa'");
    auto beta = rs->Clone();
    beta->SetFilter("Client = 'beta'");
    beta->MoveLast();
    beta->MoveNext(); // at EOF

    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), EditModeEnum::Add);
    rs->Fields()("IDC").SetValue("7"); // converted to the field's type
    rs->Fields()("Client").SetValue("Alfa");
    rs->Fields()("Summa").SetValue("12.345");
    EXPECT_TRUE(rs->Fields()("DocumentDate").Value().IsNull());
    EXPECT_EQ(all->RecordCount(), 6); // not stored yet
    rs->Update();

    EXPECT_EQ(rs->Bookmark(), 7);
    EXPECT_EQ(rs->RecordCount(), 7);
    EXPECT_EQ(rs->Fields()("IDC").Value(), Value(std::int64_t{7}));
    EXPECT_EQ(rs->Fields()("Summa").Value(), Value(Currency::Parse("12.345")));
    EXPECT_EQ(VisibleIds(*all), (Ids{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(VisibleIds(*alfa), (Ids{1, 3, 5, 7}));
    EXPECT_TRUE(beta->Eof()); // still past its last record
    EXPECT_EQ(VisibleIds(*beta), (Ids{2, 6}));

    // A cancelled new record is not stored and the cursor returns where it was.
    rs->SetAbsolutePosition(2);
    rs->AddNew();
    rs->Fields()("IDC").SetValue(8);
    rs->CancelUpdate();
    EXPECT_EQ(rs->Bookmark(), 2);
    EXPECT_EQ(all->RecordCount(), 7);

    // A value that cannot be the field's type is refused, naming the field.
    rs->AddNew();
    EXPECT_NE(MessageOf([&] { rs->Fields()("IDC").SetValue("seven"); }).find("IDC"), std::string::npos);
    EXPECT_NE(MessageOf([&] { rs->Fields()("DocumentDate").SetValue("2014-02-30"); }).find("DocumentDate"),
              std::string::npos);
    rs->CancelUpdate();
}

TEST(Recordset, DeleteLeavesTheCursorBetweenRecordsAndKeepsOtherBookmarks)
{
    auto rs = MakeDocuments();
    auto clone = rs->Clone();
    clone->SetBookmark(3);
    rs->SetBookmark(3);
    rs->Delete();

    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_THROW(rs->Fields()("IDC").Value(), ValueError);
    EXPECT_THROW(clone->Fields()("IDC").Value(), ValueError); // its current record went too
    rs->MoveNext();
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), 4);
    clone->MovePrevious();
    EXPECT_EQ(clone->Fields()("IDC").Value().ToInteger(), 2);

    rs->SetBookmark(6);
    EXPECT_EQ(rs->Fields()("Client").Value(), Value("Beta"));
    EXPECT_THROW(rs->SetBookmark(3), ValueError);
    EXPECT_EQ(VisibleIds(*clone), (Ids{1, 2, 4, 5, 6}));

    // Deleting the last record: the cursor reaches EOF on the next move.
    rs->MoveLast();
    rs->Delete();
    EXPECT_FALSE(rs->Eof());
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(VisibleIds(*rs), (Ids{1, 2, 4, 5}));
}

TEST(Recordset, CopyIsIndependentAndHoldsTheRowsInView)
{
    auto rs = MakeDocuments();
    rs->SetSort("Summa DESC");
    rs->SetFilter("Client = 'alfa'");
    auto copy = rs->Copy();
    EXPECT_EQ(copy->Filter(), "");
    EXPECT_EQ(VisibleIds(*copy), (Ids{5, 1, 3}));
    copy->MoveFirst();
    EXPECT_EQ(copy->Bookmark(), 1);

    copy->Fields()("Summa").SetValue(Currency::Parse("1"));
    copy->Update();
    copy->AddNew();
    copy->Fields()("IDC").SetValue(9);
    copy->Update();
    rs->SetFilter("");
    rs->SetBookmark(5);
    EXPECT_EQ(rs->Fields()("Summa").Value(), Value(Currency::Parse("1000.0001")));
    EXPECT_EQ(rs->RecordCount(), 6);
    EXPECT_EQ(copy->RecordCount(), 4);
}

TEST(Recordset, IsBuiltFieldByFieldAndClosesAndReopensEmpty)
{
    Recordset rs;
    EXPECT_EQ(rs.State(), Talvex::Data::ObjectStateEnum::Closed);
    EXPECT_THROW(rs.Open(), ValueError); // no fields yet
    rs.Fields().Append("Code", DataTypeEnum::BSTR);
    rs.Fields().Append("Amount", DataTypeEnum::Currency);
    rs.Fields().Append("Posted", DataTypeEnum::Boolean);
    EXPECT_THROW(rs.Fields().Append("code", DataTypeEnum::BSTR), ValueError);
    EXPECT_THROW(rs.MoveFirst(), ValueError);
    rs.Open();
    EXPECT_THROW(rs.Fields().Append("Late", DataTypeEnum::BSTR), ValueError);

    rs.AddNew();
    rs.Fields()("Code").SetValue(std::int64_t{42});
    rs.Fields()("Amount").SetValue(Value(0.1));
    rs.Fields()("Posted").SetValue(1);
    rs.Update();
    EXPECT_EQ(rs.Fields()("Code").Value(), Value("42"));
    EXPECT_EQ(rs.Fields()("Amount").Value(), Value(Currency::Parse("0.1")));
    EXPECT_EQ(rs.Fields()("Posted").Value(), Value(true));
    rs.SetFilter("Posted = TRUE AND Code = 42");
    EXPECT_EQ(rs.RecordCount(), 1);

    rs.Close();
    EXPECT_EQ(rs.State(), Talvex::Data::ObjectStateEnum::Closed);
    EXPECT_THROW(rs.RecordCount(), ValueError);
    EXPECT_EQ(rs.Fields().Count(), 3u);
    rs.Open();
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.Filter(), "");

    EXPECT_EQ(Talvex::Data::DataTypeFromHostCode(19), DataTypeEnum::Currency);
    EXPECT_EQ(Talvex::Data::DataTypeFromHostCode(8), DataTypeEnum::VarWChar);
    EXPECT_EQ(Talvex::Data::DataTypeFromHostCode(9), DataTypeEnum::Date);
    EXPECT_THROW(Talvex::Data::DataTypeFromHostCode(99), ValueError);
}

TEST(Recordset, MovedRecordsetKeepsFollowingItsRows)
{
    auto source = MakeDocuments();
    auto clone = source->Clone();
    Recordset moved = std::move(*clone);
    source->AddNew();
    source->Fields()("IDC").SetValue(7);
    source->Update();
    EXPECT_EQ(moved.RecordCount(), 7);
    source->SetBookmark(7);
    source->Delete();
    EXPECT_EQ(moved.RecordCount(), 6);
}

TEST(Recordset, ABigReadHandedOverRowByRowKeepsEveryRowAcrossItsStorageBlocks)
{
    using Talvex::Data::Column;
    using Talvex::Data::ColumnKind;
    using Talvex::Data::RecordsetBuilder;
    RecordsetBuilder builder({Column{"Number", ColumnKind::Integer}, Column{"Client", ColumnKind::Text}});
    constexpr std::int64_t kRows = 2600; // a few blocks and part of another
    for (std::int64_t n = 1; n <= kRows; ++n)
        builder.Append({Value(n), Value("client number " + std::to_string(n % 7))});
    EXPECT_NE(MessageOf([&] { builder.Append({Value(std::int64_t{1})}); }), "(no error)");
    Recordset rs = builder.Finish();
    EXPECT_NE(MessageOf([&] { builder.Append({Value(std::int64_t{1}), Value("x")}); }), "(no error)");

    ASSERT_EQ(rs.RecordCount(), kRows);
    std::int64_t expected = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        ASSERT_EQ(rs.Fields()("Number").Value().ToInteger(), ++expected);
        ASSERT_EQ(rs.Fields()("Client").Value().ToText(), "client number " + std::to_string(expected % 7));
    }
    // Rows on either side of a block's edge: found by bookmark, edited, deleted.
    for (std::int64_t bookmark : {1024, 1025, 2048, 2049, 2600}) {
        rs.SetBookmark(bookmark);
        EXPECT_EQ(rs.Fields()("Number").Value().ToInteger(), bookmark);
    }
    rs.SetBookmark(1025);
    rs.Fields()("Client").SetValue(Value("edited"));
    rs.Update();
    // Names repeated on many rows are one text each in the store: editing one row's leaves
    // the others' as they were, and a null stands beside the texts.
    rs.SetBookmark(1026);
    rs.Fields()("Client").SetValue(Value(Null{}));
    rs.Update();
    rs.SetBookmark(1024);
    rs.Delete();
    rs.SetFilter("Client = 'edited'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields()("Number").Value().ToInteger(), 1025);
    rs.SetFilter("Client IS NULL");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields()("Number").Value().ToInteger(), 1026);
    // 372 rows were named "client number 3" (3, 10, ..., 2600); 1025 was renamed.
    rs.SetFilter("Client = 'client number 3'");
    EXPECT_EQ(rs.RecordCount(), 371);
    auto copy = rs.Copy();
    EXPECT_EQ(copy->RecordCount(), rs.RecordCount());
    copy->MoveFirst();
    EXPECT_EQ(copy->Fields()("Client").Value(), rs.Fields()("Client").Value());
    rs.SetFilter("");
    EXPECT_EQ(rs.RecordCount(), kRows - 1);
    rs.SetSort("Number DESC");
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields()("Number").Value().ToInteger(), kRows);
    rs.MoveLast();
    EXPECT_EQ(rs.Fields()("Number").Value().ToInteger(), 1);
}

// Rows handed over one at a time end as a whole result gives them: a NUMERIC column whose
// values are all amounts becomes money, one with a single finer value stays decimal in every
// row, one declared with other than four decimals stays decimal; and the filter and sort
// compare the decimals exactly.
TEST(Recordset, NumericColumnsReadRowByRowSettleAsAWholeResultDoes)
{
    using Talvex::Decimal;
    using Talvex::Data::Column;
    using Talvex::Data::ColumnKind;
    using Talvex::Data::RecordsetBuilder;
    RecordsetBuilder builder({Column{"Amount", ColumnKind::Decimal, 4}, Column{"Sum", ColumnKind::Decimal, -1},
                              Column{"Share", ColumnKind::Decimal, -1}, Column{"Rate", ColumnKind::Decimal, 8},
                              Column{"Client", ColumnKind::Text}});
    const auto dec = [](const char* text) { return Value(Decimal::Parse(text)); };
    builder.Append({dec("100.5000"), dec("7"), dec("0.33333333333333333333"), dec("3.45280000"), Value("Čiurlionis")});
    builder.Append({dec("200.0000"), Value(Null{}), dec("0.5"), dec("1.00000000"), Value("ČIURLIONIS  ")});
    builder.Append({dec("0.2500"), dec("12.1234"), dec("0.25"), dec("0.00000001"), Value("cukrus")});
    Recordset rs = builder.Finish();

    const auto kinds = [&rs](const char* field) {
        std::string out;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            const Value v = rs.Fields()(field).Value();
            out += v.IsNull() ? 'n' : std::holds_alternative<Currency>(v.Raw()) ? 'c' : 'd';
        }
        return out;
    };
    EXPECT_EQ(kinds("Amount"), "ccc");
    EXPECT_EQ(kinds("Sum"), "cnc");
    EXPECT_EQ(kinds("Share"), "ddd");
    EXPECT_EQ(kinds("Rate"), "ddd");
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields()("Amount").Value().ToInvariantText(), Value(Currency::Parse("100.5")).ToInvariantText());
    EXPECT_EQ(rs.Fields()("Share").Value().ToInvariantText(), "0.33333333333333333333");

    rs.SetFilter("Share > 0.3333333333333333333");
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.SetFilter("Share < 0.33333333333333333334 AND Rate > 0.000000009");
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.SetFilter("");
    rs.SetSort("Rate");
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields()("Client").Value().ToText(), "cukrus");
    // Texts kept once per distinct spelling still compare by the database's rules.
    rs.SetFilter("Client = 'čiurlionis'");
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.SetFilter("");
    rs.SetSort("Client DESC, Rate");
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields()("Client").Value().ToText(), "ČIURLIONIS  ");
    rs.MoveLast();
    EXPECT_EQ(rs.Fields()("Client").Value().ToText(), "cukrus");
}

// Rows handed over as the server's texts end as the same rows handed over as values: the same
// kinds (money settled alike), nulls, repeated and escaped texts, dates.
TEST(Recordset, RowsGivenAsTextsReadAsTheirValues)
{
    using Talvex::Decimal;
    using Talvex::Data::Column;
    using Talvex::Data::ColumnKind;
    using Talvex::Data::FieldText;
    using Talvex::Data::RecordsetBuilder;
    const std::vector<Column> columns = {Column{"Amount", ColumnKind::Decimal, -1}, Column{"Share", ColumnKind::Decimal, -1},
                                         Column{"Client", ColumnKind::Text}, Column{"Day", ColumnKind::Date},
                                         Column{"Number", ColumnKind::Integer}};
    const std::vector<std::vector<const char*>> rows = {
        {"100.5000", "0.33333333333333333333", "Čiurlionis", "2026-03-01", "7"},
        {"200", "0.5", "Čiurlionis", "2026-03-02", nullptr},
        {nullptr, "0.25", nullptr, nullptr, "-3"},
        {"0.2500", "1", "Čiurlionis", "2026-12-31", "0"},
        {"12.1234", "2", "a\tb\\N", "2026-01-01", "12"}};
    RecordsetBuilder byValues(columns);
    RecordsetBuilder byTexts(columns);
    for (const auto& row : rows) {
        std::vector<Value> values;
        std::vector<FieldText> texts;
        for (std::size_t f = 0; f < row.size(); ++f) {
            values.push_back(row[f] ? Talvex::Data::ValueOfText(columns[f].kind, row[f]) : Value(Null{}));
            texts.push_back(row[f] ? FieldText{row[f], false} : FieldText{{}, true});
        }
        byValues.Append(std::move(values));
        byTexts.AppendTexts(texts);
    }
    Recordset expected = byValues.Finish();
    Recordset actual = byTexts.Finish();
    ASSERT_EQ(actual.RecordCount(), expected.RecordCount());
    for (expected.MoveFirst(), actual.MoveFirst(); !expected.Eof(); expected.MoveNext(), actual.MoveNext()) {
        for (const char* field : {"Amount", "Share", "Client", "Day", "Number"}) {
            const Value e = expected.Fields()(field).Value();
            const Value a = actual.Fields()(field).Value();
            SCOPED_TRACE(std::string(field) + " at " + std::to_string(expected.Bookmark()));
            EXPECT_EQ(a.Raw().index(), e.Raw().index());
            EXPECT_EQ(a.ToInvariantText(), e.ToInvariantText());
        }
    }
    // The amounts settled as money, the finer shares stayed decimal.
    actual.MoveFirst();
    EXPECT_TRUE(std::holds_alternative<Currency>(actual.Fields()("Amount").Value().Raw()));
    EXPECT_TRUE(std::holds_alternative<Decimal>(actual.Fields()("Share").Value().Raw()));
    actual.MoveLast();
    EXPECT_EQ(actual.Fields()("Client").Value().ToText(), "a\tb\\N");
    actual.SetFilter("Client = 'čiurlionis'");
    EXPECT_EQ(actual.RecordCount(), 3);
}
