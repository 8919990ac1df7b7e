#include "quarn/frame/DefineModule.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/ReportError.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

TEST(DefineModule, FormatMsgReplacesTheHighestPlaceholdersFirst)
{
    std::vector<Value> args;
    for (int i = 0; i < 11; ++i)
        args.emplace_back("a" + std::to_string(i));
    EXPECT_EQ(FormatMsg("%10|%1|%0|%1", args), "a10|a1|a0|a1");
    EXPECT_EQ(FormatMsg("Total %0 of %1", {Value(5), Value(7)}), "Total 5 of 7");
    EXPECT_EQ(FormatMsg("", {Value(1)}), "");
    EXPECT_EQ(FormatMsg("%2 stays", {Value(1)}), "%2 stays");
}

TEST(DefineModule, QuoteListJoinTextStripSuffixAndDateSeparators)
{
    EXPECT_EQ(QuoteList("a,b,c", ","), "'a','b','c'");
    EXPECT_EQ(QuoteList("", ","), "");
    EXPECT_EQ(QuoteList("x", ","), "'x'");
    EXPECT_EQ(QuoteList("a,", ","), "'a',''");
    EXPECT_EQ(QuoteList("a; b", "; "), "'a'; 'b'");
    EXPECT_EQ(QuoteList("O'Neil,x';--", ","), "'O''Neil','x'';--'");

    EXPECT_EQ(JoinText(",", "", "B", "/", ""), "B");
    EXPECT_EQ(JoinText(",", "A", "B", "/", ""), "A, B");
    EXPECT_EQ(JoinText(",", "A", "", "/", "C"), "A/ C");
    EXPECT_EQ(JoinText(",", "", "", "/", "C"), "C");

    EXPECT_EQ(StripSuffix("Summa1", "1"), "Summa");
    EXPECT_EQ(StripSuffix("Summa", "xx"), "Summa");

    EXPECT_EQ(DateSeparatorOf("2010.11.12", true), ".");
    EXPECT_EQ(DateSeparatorOf("2010-11-12", false), "-");
    EXPECT_EQ(DateSeparatorOf("2010. 11. 12", true), ". ");
}

TEST(DefineModule, AddUniqueGrowsOnlyForNewValues)
{
    std::vector<Value> values;
    EXPECT_EQ(SafeUBound(values), -1);
    EXPECT_FALSE(AddUnique(values, Value("PRSF")));
    EXPECT_EQ(SafeUBound(values), 0);
    EXPECT_TRUE(AddUnique(values, Value("PRSF")));
    EXPECT_FALSE(AddUnique(values, Value("PISF")));
    EXPECT_EQ(values.size(), 2u);
}

TEST(DefineModule, RsAggregateCountsSumsAndFindsExtremesWithoutMovingTheCaller)
{
    Data::Recordset rs;
    rs.Fields().Append("Client", Data::DataTypeEnum::VarWChar, 20);
    rs.Fields().Append("Summa", Data::DataTypeEnum::Currency);
    rs.Open();
    auto add = [&](const char* client, const char* summa) {
        rs.AddNew();
        rs.Fields().Item("Client").SetValue(Value(client));
        rs.Fields().Item("Summa").SetValue(Value(Currency::Parse(summa)));
        rs.Update();
    };
    add("A", "10.5");
    add("B", "-3");
    add("A", "4.25");
    rs.MoveFirst();
    rs.MoveNext();
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 1, ""), Currency::FromInteger(3));
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 4, "Client = 'A'"), Currency::Parse("14.75"));
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 5, "0"), Currency::Parse("10.5"));
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 6, ""), Currency::Parse("-3"));
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 5, "Client = 'B'"), Currency::Parse("-3"));
    EXPECT_EQ(RsAggregate(rs, Value("Summa"), 9, ""), Currency());
    EXPECT_EQ(rs.Fields().Item("Client").Value().ToText(), "B"); // the caller's row is untouched
    EXPECT_EQ(rs.Filter(), "");

    rs.AddNew();
    rs.Fields().Item("Client").SetValue(Value("C"));
    rs.Fields().Item("Summa").SetValue(Value(Null{}));
    rs.Update();
    EXPECT_THROW(RsAggregate(rs, Value("Summa"), 4, ""), ValueError);
}

TEST(DefineModule, GetBookPrefersInParamsThenTheContextAndRaisesWithoutOne)
{
    auto book = Testing::OpenDemoBook("tester");
    Ui::Session session;
    Ui::Session::Scope sessionScope(session);
    ClientApp app(session);
    ClientApp::Scope appScope(app);

    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    EXPECT_EQ(GetBook(&params, false), book);

    FieldList empty;
    try {
        GetBook(&empty, false);
        FAIL() << "GetBook found a Book where there is none";
    } catch (const ModuleError& e) {
        EXPECT_EQ(e.Number(), kVbObjectError);
        EXPECT_NE(std::string(e.what()).find("No database is open"), std::string::npos) << e.what();
    }

    EXPECT_EQ(GetBook(&params, true), book);
    EXPECT_EQ(app.Context().GetBook(), book); // stored because the context had none
    EXPECT_EQ(GetBook(&empty, false), book);  // the context's Book serves now
    EXPECT_EQ(GetBook(nullptr, false), book);
}
