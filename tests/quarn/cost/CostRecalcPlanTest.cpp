#include "quarn/cost/CostRecalcPlan.hpp"
#include "host/erp/documents/COrder.hpp"

#include <gtest/gtest.h>

using Quarn_DuzAde::ManufacturingRow;
using Quarn_DuzAde::OrderRowFact;
using Talvex::Currency;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

ManufacturingRow Row(std::int64_t doc, bool finished, std::int64_t gs, std::int64_t order, std::int64_t orderRow,
                     const char* amount, const char* oldSum)
{
    ManufacturingRow r;
    r.IDC = doc;
    r.isFinishedGoods = finished;
    r.gsIDC = gs;
    r.MOIDC = order;
    r.GSMOIDC = orderRow;
    r.amountAccount = C(amount);
    r.DocOldFSum = C(oldSum);
    return r;
}

} // namespace

TEST(CostRecalcPlan, OrderRowsTakeTheirFactCostAndFinishedGoodsTheirShareOfIt)
{
    // Order 1 makes 10 of goods A (row 11) and 4 of goods B (row 12); two finished-goods
    // documents take 3 and 7 of A, a third takes B, one row has goods the order lacks. Order 2
    // is not touched.
    std::vector<ManufacturingRow> rows{
        Row(1, false, 11, 1, 11, "10", "150"), Row(1, false, 12, 1, 12, "4", "150"), Row(5, true, 51, 1, 11, "3", "30"),
        Row(6, true, 61, 1, 11, "7", "70"),    Row(6, true, 62, 1, 0, "1", "70"),    Row(7, true, 71, 1, 12, "4", "50"),
        Row(2, false, 21, 2, 21, "1", "9"),
    };
    Quarn_DuzAde::ApplyOrderFactCost(rows, 1, {{11, C("101.555")}, {12, C("50.00")}}, C("151.5549"));

    EXPECT_EQ(rows[0].RowNewSumm, C("101.56")); // to the cent, half away from zero
    EXPECT_EQ(rows[0].DocNewFSum, C("151.55"));
    EXPECT_EQ(rows[1].RowNewSumm, C("50.00"));
    EXPECT_EQ(rows[1].DocNewFSum, C("151.55"));
    // 101.56 * 3 / 10 = 30.468 -> 30.47; * 7 / 10 = 71.092 -> 71.09.
    EXPECT_EQ(rows[2].RowNewSumm, C("30.47"));
    EXPECT_EQ(rows[2].DocNewFSum, C("30.47"));
    EXPECT_EQ(rows[3].RowNewSumm, C("71.09"));
    EXPECT_FALSE(rows[4].recalculated);
    EXPECT_EQ(rows[4].RowNewSumm, Currency());
    // The document of the 7 and of the row the order lacks sums what was recalculated.
    EXPECT_EQ(rows[3].DocNewFSum, C("71.09"));
    EXPECT_EQ(rows[4].DocNewFSum, C("71.09"));
    EXPECT_EQ(rows[5].RowNewSumm, C("50.00"));
    EXPECT_FALSE(rows[6].recalculated);
    EXPECT_EQ(rows[6].DocNewFSum, Currency());

    // Orders are written when their total moved, finished goods whenever recalculated.
    EXPECT_EQ(Quarn_DuzAde::ChangedDocuments(rows, false), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(Quarn_DuzAde::ChangedDocuments(rows, true), (std::vector<std::int64_t>{5, 6, 7}));
    rows[0].DocOldFSum = rows[1].DocOldFSum = C("151.55");
    EXPECT_TRUE(Quarn_DuzAde::ChangedDocuments(rows, false).empty());
}

TEST(CostRecalcPlan, ReturnCostFollowsTheSourceUnitCostAndZeroQuantityGivesZero)
{
    using Quarn_DuzAde::ReturnRowCost;
    EXPECT_EQ(ReturnRowCost(C("52.00"), C("5"), C("2")), C("20.80"));
    EXPECT_EQ(ReturnRowCost(C("10.00"), C("3"), C("1")), C("3.33"));
    EXPECT_EQ(ReturnRowCost(C("10.00"), C("3"), C("2")), C("6.67"));
    EXPECT_EQ(ReturnRowCost(C("0.05"), C("2"), C("1")), C("0.03")); // 0.025: half away from zero
    EXPECT_EQ(ReturnRowCost(C("-0.05"), C("2"), C("1")), C("-0.03"));
    EXPECT_EQ(ReturnRowCost(C("5.00"), Currency(), C("3")), Currency());
    EXPECT_EQ(ReturnRowCost(C("5.00"), C("4"), Currency()), Currency());
}

TEST(CostRecalcPlan, FinishedGoodsShareAndPriceRoundAsTheOrderObjectDoes)
{
    using Talvex::Erp::FinishedRowCost;
    using Talvex::Erp::UnitPriceOfCost;
    EXPECT_EQ(FinishedRowCost(C("101.50"), C("10"), C("3")), C("30.45"));
    EXPECT_EQ(FinishedRowCost(C("100.00"), C("3"), C("1")), C("33.33"));
    EXPECT_EQ(FinishedRowCost(C("0.05"), C("2"), C("1")), C("0.03"));
    // An order row without quantity gives its whole cost.
    EXPECT_EQ(FinishedRowCost(C("12.34"), Currency(), C("5")), C("12.34"));

    EXPECT_EQ(UnitPriceOfCost(C("41.20"), C("4")), C("10.30"));
    EXPECT_EQ(UnitPriceOfCost(C("10.00"), C("3")), C("3.3333"));
    EXPECT_EQ(UnitPriceOfCost(C("20.00"), C("3")), C("6.6667"));
    EXPECT_EQ(UnitPriceOfCost(C("0.0001"), C("2")), C("0.0001")); // 0.00005 away from zero
    EXPECT_EQ(UnitPriceOfCost(C("7.00"), Currency()), Currency());
}
