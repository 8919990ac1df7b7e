// The arithmetic of realised exchange differences and of the exchange-difference list, on
// small cases worked out by hand.
#include "host/erp/documents/ExchangeDifference.hpp"
#include "quarn/settlement/ExchangeClients.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;
using Talvex::Erp::ExchangeSettlement;
using Talvex::Erp::PlanExchangeDocument;
using Talvex::Erp::RealisedDifference;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

// A settlement of document 7 (dated 2026-03-02) paid in its own currency.
ExchangeSettlement Paid(std::int64_t paySpecId, const char* summaCur, const char* docRate, const char* payRate,
                        bool payable = false)
{
    ExchangeSettlement s;
    s.paySpecId = paySpecId;
    s.docId = 7;
    s.docNumber = "PRSF-2026-000007";
    s.docDate = Date(2026, 3, 2);
    s.docRate = Decimal::Parse(docRate);
    s.payDocId = 100 + paySpecId;
    s.payDate = Date(2026, 4, 1);
    s.payRate = Decimal::Parse(payRate);
    s.summa = Money(summaCur);
    s.summaCur = Money(summaCur);
    s.payable = payable;
    return s;
}

} // namespace

TEST(ExchangeDifference, AReceivablePaidInTwoPaymentsAtDifferentRatesGainsOnOneAndLosesOnTheOther)
{
    // 1000 USD booked at 0.90 (900.00 EUR); 600 USD come in at 0.92 (552.00 for 540.00 booked:
    // +12.00), the other 400 at 0.88 (352.00 for 360.00: -8.00). The document books +4.00.
    const auto plan = PlanExchangeDocument({Paid(1, "600", "0.90000000", "0.92000000"),
                                            Paid(2, "400", "0.90000000", "0.88000000")});
    ASSERT_EQ(plan.links.size(), 2u);
    EXPECT_EQ(plan.links[0].booked, Money("540"));
    EXPECT_EQ(plan.links[0].realised, Money("552"));
    EXPECT_EQ(plan.links[0].difference, Money("12"));
    EXPECT_EQ(plan.links[1].booked, Money("360"));
    EXPECT_EQ(plan.links[1].realised, Money("352"));
    EXPECT_EQ(plan.links[1].difference, Money("-8"));
    EXPECT_EQ(plan.summa, Money("4"));
    EXPECT_EQ(plan.links[0].paySpecId, 1);
    EXPECT_EQ(plan.links[1].payDocId, 102);
    EXPECT_EQ(plan.links[1].summaCur, Money("400"));
}

TEST(ExchangeDifference, APartialSettlementBooksOnlyThePartPaid)
{
    // 250 of a 1000 USD invoice paid, at 0.95 against 0.90 booked: 237.50 for 225.00.
    const auto d = RealisedDifference(Paid(1, "250", "0.90000000", "0.95000000"));
    EXPECT_EQ(d.booked, Money("225"));
    EXPECT_EQ(d.realised, Money("237.5"));
    EXPECT_EQ(d.difference, Money("12.5"));
}

TEST(ExchangeDifference, PayingMoreForWhatWeOweIsALossReceivingMoreIsAGain)
{
    // 500 PLN owed at 0.23 (115.00), paid at 0.24 (120.00): we paid 5.00 more.
    EXPECT_EQ(RealisedDifference(Paid(1, "500", "0.23000000", "0.24000000", true)).difference, Money("-5"));
    // Paid at 0.22 (110.00): 5.00 less, a gain.
    EXPECT_EQ(RealisedDifference(Paid(1, "500", "0.23000000", "0.22000000", true)).difference, Money("5"));
    // The same receivable paid at 0.24 is the gain, at 0.22 the loss.
    EXPECT_EQ(RealisedDifference(Paid(1, "500", "0.23000000", "0.24000000")).difference, Money("5"));
    EXPECT_EQ(RealisedDifference(Paid(1, "500", "0.23000000", "0.22000000")).difference, Money("-5"));
    // A credit note settled (negative amounts): refunding more than was booked is a loss.
    EXPECT_EQ(RealisedDifference(Paid(1, "-100", "0.90000000", "0.95000000")).difference, Money("-5"));
}

TEST(ExchangeDifference, BothSidesAreRoundedToTheCentAsTheLedgerBooksThem)
{
    // 333.33 USD: booked 304.1121821811 -> 304.11, paid 304.1169621333 -> 304.12. The exact
    // difference (0.0048) would round to nothing; the booked amounts differ by a cent.
    const auto d = RealisedDifference(Paid(1, "333.33", "0.91234567", "0.91236001"));
    EXPECT_EQ(d.booked, Money("304.11"));
    EXPECT_EQ(d.realised, Money("304.12"));
    EXPECT_EQ(d.difference, Money("0.01"));
    // Half a cent rounds away from zero on either sign: 200.01 at 0.5 is 100.005.
    EXPECT_EQ(RealisedDifference(Paid(1, "200.01", "0.50000000", "0.50000000")).booked, Money("100.01"));
    EXPECT_EQ(RealisedDifference(Paid(1, "-200.01", "0.50000000", "0.50000000")).booked, Money("-100.01"));
    // 12.35 at 0.41 is 5.0635: down to 5.06, at 0.4104 5.068440 up to 5.07.
    EXPECT_EQ(RealisedDifference(Paid(1, "12.35", "0.41000000", "0.41040000")).difference, Money("0.01"));
}

TEST(ExchangeDifference, APaymentInTheAccountCurrencyCountsWhatItPaid)
{
    // 1000 USD booked at 0.90 and settled by 930.00 EUR: 30.00 gained.
    ExchangeSettlement s = Paid(1, "1000", "0.90000000", "1");
    s.summa = Money("930");
    const auto d = RealisedDifference(s);
    EXPECT_EQ(d.realised, Money("930"));
    EXPECT_EQ(d.difference, Money("30"));
}

TEST(ExchangeDifference, SettlementsWithoutDifferenceAreLeftOutAndNothingIsNothing)
{
    const auto plan = PlanExchangeDocument({Paid(1, "100", "0.90000000", "0.90000000"),
                                            Paid(2, "100", "0.90000000", "0.90004000"),
                                            Paid(3, "100", "0.90000000", "0.91000000")});
    // 100 at 0.90004 is 90.004, still 90.00: no difference either.
    ASSERT_EQ(plan.links.size(), 1u);
    EXPECT_EQ(plan.links[0].paySpecId, 3);
    EXPECT_EQ(plan.summa, Money("1"));
    const auto none = PlanExchangeDocument({});
    EXPECT_TRUE(none.links.empty());
    EXPECT_EQ(none.summa, Currency());
}

namespace {

Quarn_DuzAde::ExchangeDebtTerm Term(const char* client, const char* type, bool isIncome, const char* accDebt)
{
    return {client, std::string("Name of ") + client, type, isIncome, Money(accDebt)};
}

} // namespace

TEST(ExchangeClients, OnlyClientsWithDebtsOnBothSidesAreListedWithTheirSums)
{
    using Quarn_DuzAde::ExchangeClients;
    // A: a purchase (incoming) and two sales (outgoing). B: sales only. C: a purchase only.
    const auto rows = ExchangeClients({Term("A", "PISF", true, "100.10"), Term("A", "PRSF", false, "50"),
                                       Term("B", "PRSF", false, "70"), Term("A", "PRSF", false, "0.25"),
                                       Term("C", "PISF", true, "30")},
                                      "EUR");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].code, "A");
    EXPECT_EQ(rows[0].name, "Name of A");
    EXPECT_EQ(rows[0].debtIncom, Money("100.10"));
    EXPECT_EQ(rows[0].debtOutcome, Money("50.25"));
    EXPECT_EQ(rows[0].currencyCode, "EUR");
    EXPECT_EQ(rows[0].doc, "");
    EXPECT_EQ(rows[0].docId, 0);
}

TEST(ExchangeClients, ANegativeDebtCountsOnTheOtherSideAsAPositiveAmount)
{
    using Quarn_DuzAde::ExchangeClients;
    // B overpaid a sale (-40 on an outgoing document: incoming 40) and owes on another (25).
    // D has an overpaid purchase (-15 on an incoming document: outgoing 15) beside a purchase.
    const auto rows = ExchangeClients({Term("B", "PRSF", false, "-40"), Term("B", "PRSF", false, "25"),
                                       Term("D", "PISF", true, "60"), Term("D", "PISF", true, "-15"),
                                       Term("E", "PRSF", false, "0")},
                                      "EUR");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].code, "B");
    EXPECT_EQ(rows[0].debtIncom, Money("40"));
    EXPECT_EQ(rows[0].debtOutcome, Money("25"));
    EXPECT_EQ(rows[1].code, "D");
    EXPECT_EQ(rows[1].debtIncom, Money("60"));
    EXPECT_EQ(rows[1].debtOutcome, Money("15"));
}

TEST(ExchangeClients, NamedTypesTakeTheirSideWhateverIsIncomeSays)
{
    using Quarn_DuzAde::IsIncomingType;
    using Quarn_DuzAde::IsOutgoingType;
    for (bool isIncome : {false, true}) {
        EXPECT_TRUE(IsOutgoingType("SCN", isIncome)) << isIncome;
        EXPECT_TRUE(IsIncomingType("BCN", isIncome)) << isIncome;
        EXPECT_TRUE(IsIncomingType("PRSD", isIncome)) << isIncome;
        EXPECT_TRUE(IsOutgoingType("PISD", isIncome)) << isIncome;
        EXPECT_NE(IsIncomingType("PRSD", isIncome), IsOutgoingType("PRSD", isIncome));
    }
    EXPECT_TRUE(IsIncomingType("PISF", true));
    EXPECT_TRUE(IsOutgoingType("PRSF", false));
    // A client with a purchase bonus (incoming) and a credit note (outgoing) is listed, one
    // with a sales discount and a purchase (both incoming) is not.
    const auto rows = Quarn_DuzAde::ExchangeClients(
        {Term("F", "BCN", false, "10"), Term("F", "SCN", true, "20"), Term("G", "PRSD", false, "5"),
         Term("G", "PISF", true, "5")},
        "EUR");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].code, "F");
    EXPECT_EQ(rows[0].debtIncom, Money("10"));
    EXPECT_EQ(rows[0].debtOutcome, Money("20"));
    EXPECT_FALSE(Quarn_DuzAde::ExchangeIsKredit(Money("10"), Money("10")));
    EXPECT_TRUE(Quarn_DuzAde::ExchangeIsKredit(Money("10"), Money("10.01")));
}
