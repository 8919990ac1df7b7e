#include "quarn/settlement/PayTermArrangement.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Quarn_DuzAde::ArrangedInvoice;
using Quarn_DuzAde::ArrangedTerm;
using Quarn_DuzAde::PayTermArrangement;
using Quarn_DuzAde::PayTermState;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

// An invoice of 2026-05-01 (a Friday), 30 days' standard term, with stored terms.
ArrangedInvoice Invoice(const char* summa, const char* debt, std::vector<std::pair<const char*, const char*>> terms)
{
    ArrangedInvoice invoice;
    invoice.docId = 1;
    invoice.docNumber = "P-1";
    invoice.docDate = Date(2026, 5, 1);
    invoice.docSumma = C(summa);
    invoice.debtSumma = C(debt);
    invoice.payTerm = 30;
    std::int64_t id = 1;
    for (const auto& [date, sum] : terms)
        invoice.terms.push_back(ArrangedTerm{Date::Parse(date), C(sum), Currency(), PayTermState::kUnchanged, id++});
    return invoice;
}

std::string Cents(Currency amount)
{
    return Talvex::Decimal::FromCurrency(amount).ToFixed(2);
}

// "date sum paid state id style" per term, in list order.
std::vector<std::string> Show(const ArrangedInvoice& invoice)
{
    std::vector<std::string> out;
    for (const auto& t : invoice.terms)
        out.push_back(t.needPayDate.ToIso() + " " + Cents(t.needPaySumma) + " " + Cents(t.paySumma) + " " +
                      std::to_string(static_cast<long>(t.state)) + " " + std::to_string(t.termId) + " " +
                      Quarn_DuzAde::PayTermStyle(t));
    return out;
}

} // namespace

TEST(PayTermArrangement, StoredTermsAreBroughtToTheInvoiceSumFromTheLatestDueDate)
{
    // 120 against 100: the latest term gives 20.
    auto small = Invoice("100", "100", {{"2026-05-10", "50"}, {"2026-06-10", "30"}, {"2026-05-20", "40"}});
    PayTermArrangement::Recalculate(small);
    EXPECT_EQ(Show(small),
              (std::vector<std::string>{"2026-05-10 50.00 0.00 0 1 stIsNormal", "2026-06-10 10.00 0.00 2 2 stIsChange",
                                        "2026-05-20 40.00 0.00 0 3 stIsNormal"}));
    // 140 against 100: the latest drops to nothing (to be deleted), the next gives the rest.
    auto large = Invoice("100", "100", {{"2026-05-10", "50"}, {"2026-06-10", "20"}, {"2026-05-20", "70"}});
    PayTermArrangement::Recalculate(large);
    EXPECT_EQ(Show(large),
              (std::vector<std::string>{"2026-05-10 50.00 0.00 0 1 stIsNormal", "2026-06-10 0.00 0.00 3 2 stIsDelete",
                                        "2026-05-20 50.00 0.00 2 3 stIsChange"}));
    // No terms at all: one for the whole sum at the standard term, moved off the Sunday.
    auto none = Invoice("100", "100", {});
    PayTermArrangement::Recalculate(none);
    EXPECT_EQ(Show(none), (std::vector<std::string>{"2026-06-01 100.00 0.00 1 0 stIsInsert"}));
    // Terms short of the sum: the rest is a term of its own at the standard due date.
    auto shortOf = Invoice("100", "100", {{"2026-05-10", "60"}});
    PayTermArrangement::Recalculate(shortOf);
    EXPECT_EQ(Show(shortOf), (std::vector<std::string>{"2026-05-10 60.00 0.00 0 1 stIsNormal",
                                                       "2026-06-01 40.00 0.00 1 0 stIsInsert"}));
}

TEST(PayTermArrangement, WhatWasPaidFallsOnTheEarliestTerms)
{
    auto part = Invoice("100", "70", {{"2026-06-10", "30"}, {"2026-05-10", "20"}, {"2026-05-20", "50"}});
    PayTermArrangement::Recalculate(part);
    EXPECT_EQ(Show(part), (std::vector<std::string>{"2026-06-10 30.00 0.00 0 1 stIsNormal",
                                                    "2026-05-10 20.00 20.00 0 2 stIsFullPay",
                                                    "2026-05-20 50.00 10.00 0 3 stIsNormal"}));
    auto paid = Invoice("100", "0", {{"2026-06-10", "30"}, {"2026-05-10", "70"}});
    PayTermArrangement::Recalculate(paid);
    for (const auto& t : paid.terms)
        EXPECT_STREQ(Quarn_DuzAde::PayTermStyle(t), "stIsFullPay");
    auto unpaid = Invoice("100", "100", {{"2026-06-10", "30"}, {"2026-05-10", "70"}});
    PayTermArrangement::Recalculate(unpaid);
    for (const auto& t : unpaid.terms)
        EXPECT_EQ(t.paySumma, Currency());
    // Moving sums moves the paid part with them: 60 paid, the first term now takes 45.
    auto moved = Invoice("100", "40", {{"2026-05-10", "30"}, {"2026-05-20", "70"}});
    PayTermArrangement::Recalculate(moved);
    PayTermArrangement::EditSumma(moved, 0, C("45"));
    EXPECT_EQ(Show(moved), (std::vector<std::string>{"2026-05-10 45.00 45.00 2 1 stIsFullPay",
                                                     "2026-05-20 55.00 15.00 2 2 stIsChange"}));
}

TEST(PayTermArrangement, EditsKeepTheUsersSumAndTheTotal)
{
    auto inv = Invoice("100", "100", {{"2026-05-10", "60"}, {"2026-05-20", "40"}});
    PayTermArrangement::Recalculate(inv);
    // Up: the other term gives way.
    PayTermArrangement::EditSumma(inv, 0, C("80"));
    EXPECT_EQ(Show(inv), (std::vector<std::string>{"2026-05-10 80.00 0.00 2 1 stIsChange",
                                                   "2026-05-20 20.00 0.00 2 2 stIsChange"}));
    // Removed: its sum goes onto the latest other term.
    PayTermArrangement::EditSumma(inv, 1, C("0"));
    EXPECT_EQ(Show(inv), (std::vector<std::string>{"2026-05-10 100.00 0.00 2 1 stIsChange",
                                                   "2026-05-20 0.00 0.00 3 2 stIsDelete"}));
    // The only live term lowered: the rest becomes a new term at the standard due date.
    PayTermArrangement::EditSumma(inv, 0, C("60.01"));
    EXPECT_EQ(Show(inv).back(), "2026-06-01 39.99 0.00 1 0 stIsInsert");
    // A new term lowered to nothing is not made; its sum returns to the latest other term.
    PayTermArrangement::EditSumma(inv, 2, C("0"));
    EXPECT_EQ(Show(inv), (std::vector<std::string>{"2026-05-10 100.00 0.00 2 1 stIsChange",
                                                   "2026-05-20 0.00 0.00 3 2 stIsDelete"}));
    // The only term removed: the whole sum moves to a new term at the standard due date.
    PayTermArrangement::EditSumma(inv, 0, C("0"));
    EXPECT_EQ(Show(inv),
              (std::vector<std::string>{"2026-05-10 0.00 0.00 3 1 stIsDelete", "2026-05-20 0.00 0.00 3 2 stIsDelete",
                                        "2026-06-01 100.00 0.00 1 0 stIsInsert"}));
    EXPECT_THROW(PayTermArrangement::EditSumma(inv, 0, C("-1")), Talvex::ValueError);
    EXPECT_THROW(PayTermArrangement::EditSumma(inv, 0, C("100.01")), Talvex::ValueError);
    EXPECT_THROW(PayTermArrangement::EditSumma(inv, 9, C("1")), Talvex::ValueError);
}

TEST(PayTermArrangement, AddedTermsTakeFromTheLatestAndRefuseAUsedDateOrNoSum)
{
    auto inv = Invoice("100", "100", {{"2026-05-10", "60"}, {"2026-05-20", "40"}});
    PayTermArrangement::Recalculate(inv);
    ASSERT_TRUE(PayTermArrangement::AddTerm(inv, Date(2026, 5, 5), C("50")));
    EXPECT_EQ(Show(inv),
              (std::vector<std::string>{"2026-05-10 50.00 0.00 2 1 stIsChange", "2026-05-20 0.00 0.00 3 2 stIsDelete",
                                        "2026-05-05 50.00 0.00 1 0 stIsInsert"}));
    const auto before = Show(inv);
    EXPECT_FALSE(PayTermArrangement::AddTerm(inv, Date(2026, 5, 10), C("5")));
    EXPECT_EQ(Show(inv), before);
    // A date whose term was removed is free again.
    EXPECT_TRUE(PayTermArrangement::AddTerm(inv, Date(2026, 5, 20), C("10")));
    EXPECT_EQ(PayTermArrangement::TermOn(inv, Date(2026, 5, 20)), 3);
    EXPECT_THROW((void)PayTermArrangement::AddTerm(inv, Date(2026, 5, 25), C("0")), Talvex::ValueError);
    EXPECT_THROW((void)PayTermArrangement::AddTerm(inv, Date(2026, 4, 30), C("1")), Talvex::ValueError);
    Currency total;
    for (const auto& t : inv.terms)
        if (t.state != PayTermState::kDeleted) total += t.needPaySumma;
    EXPECT_EQ(total, inv.docSumma);

    EXPECT_EQ(Quarn_DuzAde::NextWorkingDay(Date(2026, 5, 9)), Date(2026, 5, 11));  // Saturday
    EXPECT_EQ(Quarn_DuzAde::NextWorkingDay(Date(2026, 5, 10)), Date(2026, 5, 11)); // Sunday
    EXPECT_EQ(Quarn_DuzAde::NextWorkingDay(Date(2026, 5, 11)), Date(2026, 5, 11));
}
