#include "host/objects/DateFunctions.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

TEST(DateFunctions, LongDateWritesTheMonthInTheGenitiveAndTheDayWithoutLeadingZero)
{
    struct Case {
        const char* iso;
        const char* lithuanian;
    };
    // One day of every month, as a Lithuanian letter heading writes it.
    const Case cases[] = {
        {"2026-01-01", "2026 m. sausio 1 d."},    {"2026-02-16", "2026 m. vasario 16 d."},
        {"2026-03-11", "2026 m. kovo 11 d."},     {"2026-04-30", "2026 m. balandžio 30 d."},
        {"2026-05-01", "2026 m. gegužės 1 d."},   {"2026-06-24", "2026 m. birželio 24 d."},
        {"2026-07-06", "2026 m. liepos 6 d."},    {"2026-08-15", "2026 m. rugpjūčio 15 d."},
        {"2026-09-09", "2026 m. rugsėjo 9 d."},   {"2026-10-31", "2026 m. spalio 31 d."},
        {"2026-11-01", "2026 m. lapkričio 1 d."}, {"2026-12-07", "2026 m. gruodžio 7 d."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LongDateText(Date::Parse(c.iso), "lt"), c.lithuanian) << c.iso;
    EXPECT_EQ(LongDateText(Date(2026, 12, 7), "LT"), "2026 m. gruodžio 7 d.");
    EXPECT_EQ(LongDateText(Date(2026, 12, 7), "en"), "7 December 2026");
    EXPECT_THROW(LongDateText(Date(2026, 12, 7), "de"), ValueError);

    // The demo company names no language of its own: its letters are Lithuanian.
    auto book = Testing::OpenDemoBook("tester");
    EXPECT_EQ(LongDateText(*book, Date(2025, 3, 2)), "2025 m. kovo 2 d.");
}
