#include "quarn/cube/PendingFlowRows.hpp"

#include "host/cube/CubeSource.hpp"
#include "host/data/Recordset.hpp"

#include <gtest/gtest.h>

using Quarn_DuzAde::PendingFlowRows;
using Quarn_DuzAde::PendingFlowTexts;
using Quarn_DuzAde::PendingTerm;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

PendingTerm Term(std::int64_t idc, const char* type, Date due, const char* rest, const char* accRest,
                 const char* client = "K1:Client", const char* group = "G")
{
    PendingTerm t;
    t.idc = idc;
    t.docTypeCode = type;
    t.number = "N" + std::to_string(idc);
    t.currencyCode = "EUR";
    t.dueDate = due;
    t.rest = Money(rest);
    t.accRest = Money(accRest);
    t.person = "Jonaitis J.";
    t.clientGroup = group;
    t.client = client;
    return t;
}

PendingFlowTexts Texts()
{
    return {"In", "Out", "(no group)", "(not given)"};
}

} // namespace

// Worked by hand: a sale of 100.00 and a return-free second sale term of 40.50 coming in,
// a purchase of 70.25 and a cash-plan line of 10.00 going out, a paid-up term left out.
// In 140.50, out -80.25, net 60.25; March nets 100.00 - 70.25 = 29.75, April 40.50 - 10.00.
TEST(PendingFlowRows, SignsByDirectionLeavesPaidTermsOutAndTotalsByMonth)
{
    std::vector<PendingTerm> terms{
        Term(1, "PRSF", Date(2026, 3, 10), "100.00", "100.00"),
        Term(2, "PISF", Date(2026, 3, 31), "70.25", "70.25"),
        Term(3, "SCN", Date(2026, 4, 1), "45.00", "40.50"), // another currency: 45.00 of it, 40.50 ours
        Term(4, "CPAY", Date(2026, 4, 20), "10.00", "10.00", ""),
        Term(5, "PRSF", Date(2026, 4, 21), "0", "0"),
    };
    PendingFlowRows rows(std::move(terms), Texts());
    ASSERT_EQ(rows.Rows().size(), 4u);
    EXPECT_EQ(rows.GrandTotals().in, Money("140.50"));
    EXPECT_EQ(rows.GrandTotals().out, Money("-80.25"));
    EXPECT_EQ(rows.GrandTotals().Net(), Money("60.25"));
    const auto byMonth = rows.NetByMonth();
    ASSERT_EQ(byMonth.size(), 2u);
    EXPECT_EQ(byMonth.at(Date(2026, 3, 1)), Money("29.75"));
    EXPECT_EQ(byMonth.at(Date(2026, 4, 1)), Money("30.50"));

    const auto& scn = rows.Rows()[2];
    EXPECT_TRUE(scn.incoming);
    EXPECT_EQ(scn.restPaySum, Money("45.00"));
    EXPECT_EQ(scn.accNeedPaySum, Money("40.50"));
    const auto& plan = rows.Rows()[3];
    EXPECT_FALSE(plan.incoming);
    EXPECT_EQ(plan.restPaySum, Money("-10.00"));
    EXPECT_EQ(rows.Terms()[plan.term].idc, 4);
}

TEST(PendingFlowRows, DirectionsFollowTheDocumentTypes)
{
    for (const char* in : {"PRSF", "TPPR", "PGA", "PISD", "SCN"})
        EXPECT_TRUE(PendingFlowRows::IsIncoming(in)) << in;
    for (const char* out : {"PISF", "TPPI", "GPG", "TID", "CPAY", "PRSD", "BCN", ""})
        EXPECT_FALSE(PendingFlowRows::IsIncoming(out)) << out;
}

// The recordset carries the texts of the directions and the placeholders, the due day and
// the signed sums; the cube source read from it keeps them exactly.
TEST(PendingFlowRows, RecordsetCarriesTextsPlaceholdersAndSignedSums)
{
    PendingFlowRows rows({Term(7, "PISF", Date(2026, 5, 2), "12.34", "12.34", "", ""),
                          Term(8, "PRSF", Date(2026, 5, 3), "1.00", "1.00", "K'; --:Odd", "G1")},
                         Texts());
    auto rs = rows.ToRecordset();
    ASSERT_EQ(rs->RecordCount(), 2);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields().Item("Direction").Value().ToText(), "Out");
    EXPECT_EQ(rs->Fields().Item("ClientGroup").Value().ToText(), "(no group)");
    EXPECT_EQ(rs->Fields().Item("Client").Value().ToText(), "(not given)");
    EXPECT_EQ(rs->Fields().Item("DocumentDate").Value().ToDate(), Date(2026, 5, 2));
    EXPECT_EQ(rs->Fields().Item("AccNeedPaySum").Value().ToCurrency(), Money("-12.34"));
    EXPECT_EQ(rs->Fields().Item("IDC").Value().ToInteger(), 7);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields().Item("Direction").Value().ToText(), "In");
    EXPECT_EQ(rs->Fields().Item("Client").Value().ToText(), "K'; --:Odd");
    EXPECT_EQ(rs->Fields().Item("RestPaySum").Value().ToCurrency(), Money("1.00"));

    auto source = Talvex::Cube::CubeSource::FromRecordset(*rs);
    EXPECT_EQ(source.RowCount(), 2u);
    EXPECT_EQ(source.ValueAt("AccNeedPaySum", 0).ToCurrency(), Money("-12.34"));
    EXPECT_EQ(source.ValueAt("DocumentDate", 1).ToDate(), Date(2026, 5, 3));

    PendingFlowRows none({}, Texts());
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(none.ToRecordset()->RecordCount(), 0);
}
