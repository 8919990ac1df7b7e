#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/fCubeParamDatesSale.hpp"
#include "quarn/cube/fCubeParamDatesSaleNew.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using Quarn_DuzAde::fCubeParamDatesSale;

namespace {

std::string Text(const FieldList& params, const char* name)
{
    return params.ExistsField(name) ? params.Item(name).GetValue().ToText() : "<missing>";
}

FieldList StartingParams(const std::shared_ptr<Book>& book)
{
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("DateBeg", FieldType::kDate, Value(Date(2002, 1, 1)));
    params.Add("DateEnd", FieldType::kDate, Value(Date(2002, 12, 31)));
    params.Add("GoodCode", FieldType::kCode, Value(std::string()));
    params.Add("IsCommon", FieldType::kFlag, Value(0));
    return params;
}

} // namespace

TEST(SalesCubeParameters, OkWritesTheChoicesBackAndQuotesSeveralBuyers)
{
    auto book = Testing::OpenDemoBook("tester");
    const std::string group = book->Db()
                                  .QueryPostgres("SELECT Code FROM REFGood WHERE IsGroup = 1 ORDER BY Code LIMIT 1")
                                  .rows.at(0)
                                  .at(0)
                                  .ToText();
    FieldList params = StartingParams(book);
    // Buyers whose codes hold a quote, made for the test and rolled back after it.
    Data::Transaction tx(book->Db());
    book->Db().QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ('C''1', 'Quote'), ('C2', 'Plain')");

    Testing::ScriptedUser user;
    user.Set("fCubeParamDatesSale", "edBegDate", "2025-03-01")
        .Set("fCubeParamDatesSale", "edEndDate", "2025-05-31")
        .Set("fCubeParamDatesSale", "GoodCombo", group)
        .Set("fCubeParamDatesSale", "optCommon", "1")
        .Set("fCubeParamDatesSale", "chDimWeek", "1")
        .Set("fCubeParamDatesSale", "selClient", "C'1, C2")
        .Click("fCubeParamDatesSale", "btOk");
    fCubeParamDatesSale form;
    EXPECT_TRUE(form.Browse(nullptr, params, "Sales"));
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(params.Item("DateBeg").GetValue().ToDate(), Date(2025, 3, 1));
    EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 5, 31));
    EXPECT_EQ(Text(params, "GoodCode"), group);
    EXPECT_EQ(params.Item("IsGroup").GetValue().ToInteger(), 1);
    EXPECT_EQ(params.Item("IsCommon").GetValue().ToInteger(), 1);
    EXPECT_EQ(params.Item("IncludeDimWeek").GetValue().ToInteger(), 1);
    EXPECT_EQ(Text(params, "SelClientList"), "N'C''1',N'C2'");
    EXPECT_EQ(params.Item("SelClientType").GetValue().ToInteger(), 1);

    // Shown again, the form reads the same choices back; one buyer becomes an equality.
    Testing::ScriptedUser again;
    again.Set("fCubeParamDatesSale", "selClient", "C'1").Click("fCubeParamDatesSale", "btOk");
    fCubeParamDatesSale second;
    EXPECT_TRUE(second.Browse(nullptr, params, "Sales"));
    EXPECT_EQ(second.Ctl("edBegDate").GetValue().ToDate(), Date(2025, 3, 1));
    EXPECT_TRUE(second.Ctl("optCommon").GetValue().ToBool());
    EXPECT_EQ(Text(params, "SelClientList"), "C'1");
    EXPECT_EQ(params.Item("SelClientType").GetValue().ToInteger(), 3);
}

TEST(SalesCubeParameters, BadInputNamesTheControlAndChangesNothing)
{
    auto book = Testing::OpenDemoBook("tester");
    struct Case {
        const char* control;
        const char* value;
        const char* expected;
    };
    for (const Case& c :
         {Case{"edEndDate", "2001-12-31", "edEndDate"},
          Case{"edEndDate", "9999-12-31", "edEndDate: the period may span at most 1200 months"},
          Case{"GoodCombo", "NO'SUCH;--", "GoodCombo"}, Case{"selClient", "NO'SUCH;--, /*X*/", "selClient"}}) {
        SCOPED_TRACE(c.control);
        FieldList params = StartingParams(book);
        Testing::ScriptedUser user;
        user.Set("fCubeParamDatesSale", c.control, c.value)
            .Click("fCubeParamDatesSale", "btOk")
            .Click("fCubeParamDatesSale", "btCancel");
        fCubeParamDatesSale form;
        EXPECT_FALSE(form.Browse(nullptr, params, "Sales"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(c.expected), std::string::npos) << user.ErrorMessages()[0];
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2002, 12, 31));
        EXPECT_EQ(Text(params, "GoodCode"), "");
        EXPECT_FALSE(params.ExistsField("SelClientType"));
        EXPECT_FALSE(params.ExistsField("IncludeDimWeek"));
    }
}

TEST(SalesCubeParameters, TrendFormWritesTheFactsAndRefusesNoneOrABadThreshold)
{
    auto book = Testing::OpenDemoBook("tester");
    struct Case {
        const char* control;
        const char* value;
        const char* expected;
    };
    for (const Case& c : {Case{"chTrendSumma", "0", "chTrendSumma: choose at least one fact"},
                          Case{"edColourTrendValue", "0", "edColourTrendValue: the threshold must be"},
                          Case{"edColourTrendValue", "-5", "edColourTrendValue"}}) {
        SCOPED_TRACE(std::string(c.control) + "=" + c.value);
        FieldList params = StartingParams(book);
        Testing::ScriptedUser user;
        user.Set("fCubeParamDateSaleTrend", "chColourTrend", "1")
            .Set("fCubeParamDateSaleTrend", c.control, c.value)
            .Click("fCubeParamDateSaleTrend", "btOk")
            .Click("fCubeParamDateSaleTrend", "btCancel");
        Quarn_DuzAde::fCubeParamDateSaleTrend form;
        EXPECT_FALSE(form.Browse(nullptr, params, "Trends"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(c.expected), std::string::npos) << user.ErrorMessages()[0];
        EXPECT_FALSE(params.ExistsField("TrendFacts"));
    }

    FieldList params = StartingParams(book);
    Testing::ScriptedUser user;
    user.Set("fCubeParamDateSaleTrend", "edBegDate", "2025-01-01")
        .Set("fCubeParamDateSaleTrend", "edEndDate", "2025-12-31")
        .Set("fCubeParamDateSaleTrend", "chTrendSumma", "0")
        .Set("fCubeParamDateSaleTrend", "chTrendProfit", "1")
        .Set("fCubeParamDateSaleTrend", "chTrendPercent", "1")
        .Set("fCubeParamDateSaleTrend", "chColourTrend", "1")
        .Set("fCubeParamDateSaleTrend", "edColourTrendValue", "12.5")
        .Click("fCubeParamDateSaleTrend", "btOk");
    Quarn_DuzAde::fCubeParamDateSaleTrend form;
    EXPECT_TRUE(form.Browse(nullptr, params, "Trends"));
    EXPECT_EQ(Text(params, "TrendFacts"), "Profit,Percent");
    EXPECT_EQ(params.Item("ColourTrend").GetValue().ToInteger(), 1);
    EXPECT_DOUBLE_EQ(params.Item("ColourTrendValue").GetValue().ToDouble(), 12.5);
    EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 12, 31));
}
