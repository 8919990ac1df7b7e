// Purchases from persons worked out by hand: totals per person and cut-off, the minimum sum
// as an open bound, and the FR0471 pages of 2 and then 6 persons.

#include "quarn/sales/BuyFromPerson.hpp"
#include "quarn/sales/BuyFromPersonXml.hpp"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

BuyFromPersonPurchase Purchase(const std::string& code, const char* date, const char* sum)
{
    BuyFromPersonPurchase p;
    p.code = code;
    p.name = "Name " + code;
    p.plantCode = "3" + code;
    p.documentDate = Date::Parse(date);
    p.summa = Currency::Parse(sum);
    return p;
}

BuyFromPersonTotal Total(int i, const char* sum = "10")
{
    BuyFromPersonTotal t;
    t.code = "T" + std::to_string(i);
    t.name = "Person " + std::to_string(i);
    t.plantCode = "3800000000" + std::to_string(i);
    t.currencyCode = "EUR";
    t.summa = Currency::Parse(sum);
    t.isIncomeTill = i % 2;
    return t;
}

Fr0471Header Header()
{
    Fr0471Header h;
    h.companyCode = "300000001";
    h.companyName = "UAB \"Žalia & Co\"";
    h.address = "Gedimino pr. 1";
    h.email = " info @x.lt ";
    h.phone = "+370 5 200 0000";
    h.fax = "+370 5 200 0001";
    h.createdByApp = "Talvex Enterprice Quarn_DuzAde v.2.4.0";
    h.createdByLogin = "ona";
    h.today = Date(2026, 12, 7);
    return h;
}

// The fields of each page, by name, in page order.
std::vector<std::map<std::string, std::string>> PagesOf(const pugi::xml_document& doc)
{
    std::vector<std::map<std::string, std::string>> pages;
    for (pugi::xml_node page : doc.child("FFData").child("Form").child("Pages").children("Page")) {
        std::map<std::string, std::string> fields;
        for (pugi::xml_node field : page.child("Fields").children("Field"))
            fields[field.attribute("Name").value()] = field.text().get();
        pages.push_back(std::move(fields));
    }
    return pages;
}

pugi::xml_document Parse(const std::string& text)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_string(text.c_str(), pugi::parse_default | pugi::parse_declaration);
    EXPECT_TRUE(parsed) << parsed.description();
    return doc;
}

} // namespace

TEST(BuyFromPerson, TotalsPerPersonApartByCutOffAndAboveTheMinimumOnly)
{
    const BuyFromPersonRules rules{"EUR", Currency::Parse("100"), Date(2026, 3, 15)};
    const std::vector<BuyFromPersonPurchase> purchases{
        Purchase("T2", "2026-03-20", "250.10"), // after the cut-off
        Purchase("T1", "2026-03-01", "100.00"), // exactly the minimum: left out
        Purchase("T2", "2026-03-15", "100.01"), // on the cut-off day: up to it
        Purchase("T1", "2026-03-02", "300.50"),
        Purchase("T2", "2026-03-01", "0.99"),  // below the minimum
        Purchase("T2", "2026-03-31", "49.90"), // after, but below the minimum
        Purchase("T1", "2026-03-10", "1000.25"),
        Purchase("T3", "2026-03-30", "-500.00"), // a negative purchase never exceeds a minimum
    };
    const auto totals = BuyFromPersonTotals(purchases, rules);
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(totals[0].code, "T1");
    EXPECT_EQ(totals[0].summa, Currency::Parse("1300.75"));
    EXPECT_EQ(totals[0].isIncomeTill, 1);
    EXPECT_EQ(totals[0].currencyCode, "EUR");
    EXPECT_EQ(totals[0].plantCode, "3T1");
    EXPECT_EQ(totals[1].code, "T2");
    EXPECT_EQ(totals[1].isIncomeTill, 1);
    EXPECT_EQ(totals[1].summa, Currency::Parse("100.01"));
    EXPECT_EQ(totals[2].code, "T2");
    EXPECT_EQ(totals[2].isIncomeTill, 0);
    EXPECT_EQ(totals[2].summa, Currency::Parse("250.10"));

    // With no minimum, zero is still the bound: a purchase of 0 is no income.
    const auto all = BuyFromPersonTotals({Purchase("A", "2026-01-01", "0"), Purchase("B", "2026-01-01", "0.01")},
                                         {"EUR", Currency(), Date(2026, 1, 1)});
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].code, "B");
    EXPECT_TRUE(BuyFromPersonTotals({}, rules).empty());
}

TEST(BuyFromPerson, AmountsAreWrittenWithTwoDecimalsAndADecimalComma)
{
    EXPECT_EQ(Fr0471Amount(Currency::Parse("1234.5")), "1234,50");
    EXPECT_EQ(Fr0471Amount(Currency::Parse("1234567.125")), "1234567,13");
    EXPECT_EQ(Fr0471Amount(Currency::Parse("0.004")), "0,00");
    EXPECT_EQ(Fr0471Amount(Currency::Parse("-0.005")), "-0,01");
}

TEST(BuyFromPerson, OneRowMakesOnePageWithTheCompanyHeader)
{
    const auto doc = Parse(Fr0471Document({Total(1, "1234.5")}, Header()));
    const pugi::xml_node root = doc.child("FFData");
    EXPECT_STREQ(root.attribute("Version").value(), "1");
    EXPECT_STREQ(root.attribute("CreatedByApp").value(), "Talvex Enterprice Quarn_DuzAde v.2.4.0");
    EXPECT_STREQ(root.attribute("CreatedByLogin").value(), "ona");
    EXPECT_STREQ(root.attribute("CreatedOn").value(), "2026-12-07");
    const pugi::xml_node form = root.child("Form");
    EXPECT_STREQ(form.attribute("FormDefId").value(), "{507D5BA5-9B16-4C58-96F0-E6AB18C4ED0B}");
    EXPECT_STREQ(form.attribute("FormLocation").value(), ".\\fr0471(4).mxfd");
    EXPECT_STREQ(form.child("Pages").attribute("Count").value(), "1");
    const pugi::xml_node page = form.child("Pages").child("Page");
    EXPECT_STREQ(page.attribute("PageDefName").value(), "FR0471");
    EXPECT_STREQ(page.attribute("PageNumber").value(), "1");

    const auto pages = PagesOf(doc);
    ASSERT_EQ(pages.size(), 1u);
    const auto& f = pages[0];
    // 10 header fields and 9 row fields, each counted once.
    EXPECT_EQ(f.size(), 19u);
    EXPECT_STREQ(page.child("Fields").attribute("Count").value(), "19");
    EXPECT_EQ(f.at("B_MM_ID"), "300000001");
    EXPECT_EQ(f.at("B_MM_Pavad"), "UAB \"Žalia & Co\"");
    EXPECT_EQ(f.at("B_MM_Epastas"), "info@x.lt");
    EXPECT_EQ(f.at("B_MM_Tel"), "+37052000000");
    EXPECT_EQ(f.at("B_MM_Faksas"), "+37052000001");
    EXPECT_EQ(f.at("B_ML_Metai"), "2026");
    EXPECT_EQ(f.at("B_UzpildData"), "2026-12-07");
    EXPECT_EQ(f.count("LapoNr"), 0u);
    EXPECT_EQ(f.at("E11-1"), "1");
    EXPECT_EQ(f.at("E12-1"), "38000000001");
    EXPECT_EQ(f.at("E13-1"), "Person 1");
    EXPECT_EQ(f.at("E14-1"), "13");
    EXPECT_EQ(f.at("E15-1"), "1234,50");
    EXPECT_EQ(f.at("E16-1"), "");
    EXPECT_EQ(f.at("E24-1"), "1");
    EXPECT_EQ(f.at("E25-1"), "");
    EXPECT_EQ(f.at("E26-1"), "");
    EXPECT_EQ(doc.first_child().type(), pugi::node_declaration);
    EXPECT_STREQ(doc.first_child().attribute("encoding").value(), "UTF-8");
}

TEST(BuyFromPerson, PagesHoldTwoRowsFirstThenSixEachWithRunningNumbers)
{
    struct Case {
        std::size_t rows;
        std::vector<std::size_t> perPage;
    };
    for (const Case& c : {Case{2, {2}}, Case{3, {2, 1}}, Case{8, {2, 6}}, Case{9, {2, 6, 1}}, Case{14, {2, 6, 6}}}) {
        std::vector<BuyFromPersonTotal> rows;
        for (std::size_t i = 1; i <= c.rows; ++i)
            rows.push_back(Total(static_cast<int>(i)));
        const auto doc = Parse(Fr0471Document(rows, Header()));
        const auto pages = PagesOf(doc);
        ASSERT_EQ(pages.size(), c.perPage.size()) << c.rows << " rows";
        EXPECT_EQ(doc.child("FFData").child("Form").child("Pages").attribute("Count").as_uint(), c.perPage.size());
        std::size_t running = 0;
        std::size_t pageIndex = 0;
        for (pugi::xml_node page : doc.child("FFData").child("Form").child("Pages").children("Page")) {
            const bool first = pageIndex == 0;
            const auto& f = pages[pageIndex];
            const std::string p = first ? "E" : "P";
            EXPECT_STREQ(page.attribute("PageDefName").value(), first ? "FR0471" : "FR0471P");
            EXPECT_EQ(page.attribute("PageNumber").as_uint(), pageIndex + 1);
            EXPECT_EQ(page.child("Fields").attribute("Count").as_uint(), f.size());
            EXPECT_EQ(f.count("LapoNr"), first ? 0u : 1u);
            EXPECT_EQ(f.count("B_MM_Pavad"), first ? 1u : 0u);
            EXPECT_EQ(f.at("B_MM_ID"), "300000001");
            for (std::size_t n = 1; n <= c.perPage[pageIndex]; ++n) {
                ++running;
                const std::string suffix = "-" + std::to_string(n);
                EXPECT_EQ(f.at(p + "11" + suffix), std::to_string(running));
                EXPECT_EQ(f.at(p + "13" + suffix), "Person " + std::to_string(running));
            }
            // Nothing beyond the page's own rows.
            EXPECT_EQ(f.count(p + "11-" + std::to_string(c.perPage[pageIndex] + 1)), 0u);
            ++pageIndex;
        }
        EXPECT_EQ(running, c.rows);
    }
}
