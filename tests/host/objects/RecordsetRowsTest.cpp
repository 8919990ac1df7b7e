#include "host/objects/RecordsetRows.hpp"

#include "../data/recordset/RecordsetFixture.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

namespace Talvex::Ui {
namespace {

std::vector<std::int64_t> IdsOf(const RecordsetRows& read, std::size_t column)
{
    std::vector<std::int64_t> ids;
    for (const auto& row : read.rows)
        ids.push_back(row[column].ToInteger());
    return ids;
}

TEST(RecordsetRows, RowsFollowTheRecordsetsViewAndLeaveItsCursorAlone)
{
    auto rs = Testing::MakeDocuments();
    rs->SetFilter("Client = 'Alfa'"); // text compares without case: documents 1, 3 and 5
    rs->SetSort("Summa DESC");
    rs->MoveNext();
    const std::int64_t before = rs->Fields()("IDC").Value().ToInteger();

    const RecordsetRows all = ReadRecordsetRows(*rs);
    EXPECT_EQ(all.columns, (std::vector<std::string>{"IDC", "Client", "DocumentDate", "Summa", "Note"}));
    EXPECT_EQ(IdsOf(all, 0), (std::vector<std::int64_t>{5, 1, 3}));
    EXPECT_EQ(all.rows[0][3], Value(Currency::Parse("1000.0001")));
    EXPECT_EQ(all.rows[2][4], Value("it's"));
    EXPECT_EQ(rs->Fields()("IDC").Value().ToInteger(), before);

    // Named columns come in the order asked for, found without regard to case.
    const RecordsetRows some = ReadRecordsetRows(*rs, {"note", "IDC"});
    EXPECT_EQ(some.columns, (std::vector<std::string>{"note", "IDC"}));
    ASSERT_EQ(some.rows.size(), 3u);
    EXPECT_EQ(some.rows[1][0], Value("first"));
    EXPECT_EQ(IdsOf(some, 1), (std::vector<std::int64_t>{5, 1, 3}));

    try {
        (void)ReadRecordsetRows(*rs, {"IDC", "Amount"});
        ADD_FAILURE() << "a missing column was read";
    } catch (const ValueError& error) {
        EXPECT_NE(std::string(error.what()).find("Amount"), std::string::npos) << error.what();
    }

    rs->SetFilter("IDC > 100");
    EXPECT_TRUE(ReadRecordsetRows(*rs).rows.empty());
}

TEST(RecordsetRows, RowSourceHoldsTheSameRowsForAList)
{
    auto rs = Testing::MakeDocuments();
    rs->SetFilter("Summa < 0 OR Note = NULL");
    auto source = RecordsetRowSource(*rs, {"IDC", "Summa"});
    EXPECT_EQ(source->ColumnNames(), (std::vector<std::string>{"IDC", "Summa"}));
    ASSERT_EQ(source->RowCount(), 2u);
    EXPECT_EQ(source->Get(0, "IDC").ToInteger(), 2);
    EXPECT_EQ(source->Get(1, "Summa"), Value(Currency::Parse("-30")));
}

} // namespace
} // namespace Talvex::Ui
