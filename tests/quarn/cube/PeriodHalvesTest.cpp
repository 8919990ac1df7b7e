#include "quarn/cube/PeriodHalves.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace Talvex;

namespace {

// The documents of a period as the reports' lists take them.
std::shared_ptr<DataList> DocumentsOf(Book& book, Date from, Date to)
{
    auto list = book.CreateList("THDocument");
    list->Fields().SelectFields({"IDC", "DocumentDate"});
    list->SetFilter(
        SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, SqlOperator::kBetween, Value(from), Value(to)));
    return list;
}

std::vector<std::int64_t> Ids(DataList& list)
{
    std::vector<std::int64_t> ids;
    auto rs = list.Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        ids.push_back(rs->Fields().Item("IDC").Value().ToInteger());
    return ids;
}

} // namespace

// The halves meet without a gap or an overlap, whatever the period's length: the rows read
// by halves are the rows of the whole period, each once, the first half's first.
TEST(PeriodHalves, TheHalvesTogetherReadEveryRowOfThePeriodOnce)
{
    auto book = Testing::OpenDemoBook("tester");
    const auto span = book->Db().Query("SELECT MIN(DocumentDate), MAX(DocumentDate) FROM THDocument");
    const Date first = span.rows.at(0).at(0).ToDate();
    const Date last = span.rows.at(0).at(1).ToDate();
    ASSERT_LT(first, last);
    // A busy day as the last of a half: a day lost or read twice at the seam shows.
    const auto busy = book->Db().Query("SELECT TOP 1 DocumentDate FROM THDocument GROUP BY DocumentDate "
                                       "ORDER BY COUNT(*) DESC, DocumentDate");
    const Date day = busy.rows.at(0).at(0).ToDate();

    const std::vector<std::pair<Date, Date>> periods{{first, last},
                                                     {day, day.AddDays(1)},
                                                     {day.AddDays(-2), day.AddDays(2)},
                                                     {day.AddDays(-1), day.AddDays(2)},
                                                     {day, day}};
    for (const auto& [from, to] : periods) {
        std::vector<std::pair<Date, Date>> made;
        auto read = Quarn_DuzAde::ReadByHalves(from, to, [&](Date a, Date b) {
            made.emplace_back(a, b);
            return DocumentsOf(*book, a, b);
        });
        const std::string period = from.ToIso() + " - " + to.ToIso();
        auto whole = DocumentsOf(*book, from, to);
        whole->Refresh();
        std::vector<std::int64_t> expected = Ids(*whole);
        std::vector<std::int64_t> got = Ids(*read);
        ASSERT_EQ(got.size(), expected.size()) << period;
        std::sort(expected.begin(), expected.end());
        std::vector<std::int64_t> sorted = got;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, expected) << period;
        if (from == to) {
            EXPECT_EQ(made.size(), 1u) << "a single day is read as it is";
            continue;
        }
        ASSERT_EQ(made.size(), 3u) << period;
        EXPECT_EQ(made[1].first, from) << period;
        EXPECT_EQ(made[1].second.AddDays(1), made[2].first) << period;
        EXPECT_EQ(made[2].second, to) << period;
        // The first half's rows come first.
        auto rs = read->Recordset();
        bool second = false;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const bool inSecond = rs->Fields().Item("DocumentDate").Value().ToDate() > made[1].second;
            EXPECT_FALSE(second && !inSecond) << period << ": a row of the first half after the second's";
            second = second || inSecond;
        }
    }
}
