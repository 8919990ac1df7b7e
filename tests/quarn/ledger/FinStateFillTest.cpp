#include "quarn/ledger/FinStateFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

TEST(FinStateFill, CodeListsDropTheirTrailingSeparatorAndBlanks)
{
    EXPECT_EQ(CodeListOf("271; 272; "), (std::vector<std::string>{"271", "272"}));
    EXPECT_EQ(CodeListOf("PRSF,SCN ;; TPPR"), (std::vector<std::string>{"PRSF", "SCN", "TPPR"}));
    EXPECT_TRUE(CodeListOf("").empty());
    EXPECT_TRUE(CodeListOf(" ; ").empty());
    EXPECT_EQ(CodeListText({"271", "272"}), "271; 272");
    EXPECT_EQ(CodeListOf(CodeListText({"a b", "c"})), (std::vector<std::string>{"a b", "c"}));
}

TEST(FinStateFill, OverdueIsStrictlyBeforeTheDateAndTheCreditDateLeavesLaterTermsOut)
{
    const Date date = Date::Parse("2026-06-15");
    const std::vector<FinStateDueDay> days{{Date::Parse("2026-06-14"), C("10")},
                                           {Date::Parse("2026-06-15"), C("20")},
                                           {Date::Parse("2026-07-01"), C("40")},
                                           {Date::Parse("2026-05-01"), C("-3")}};
    const FinStateDebt all = DebtOf(days, date);
    EXPECT_EQ(all.debt, C("67"));
    EXPECT_EQ(all.passed, C("7")); // the term due on the date itself is not overdue
    const FinStateDebt limited = DebtOf(days, date, Date::Parse("2026-06-30"));
    EXPECT_EQ(limited.debt, C("27"));
    EXPECT_EQ(limited.passed, C("7"));
    const FinStateDebt onTheLimit = DebtOf(days, date, Date::Parse("2026-07-01"));
    EXPECT_EQ(onTheLimit.debt, C("67"));
}

TEST(FinStateFill, TheTotalIsMoneyPlusDebitDebtLessCreditDebt)
{
    EXPECT_EQ(NetBalance({{"271", C("100"), C("0")}, {"272", C("0"), C("30.5")}}), C("69.5"));
    FinStateFigures figures;
    figures.debit = FinStateDebt{C("500"), C("100")};
    figures.credit = FinStateDebt{C("200"), C("50")};
    EXPECT_EQ(figures.Total(), C("300")); // no bank or cash accounts chosen
    figures.bank = C("1000");
    figures.cash = C("-20");
    EXPECT_EQ(figures.Total(), C("1280"));
    EXPECT_EQ(FinStateFigures{}.Total(), C("0"));
}
