#include "quarn/frame/CDBCommand.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/ui/Session.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

class CDBCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        app.Context().SetBook(book);
        command.Init(book);
    }
    std::string Setting(const std::string& name)
    {
        auto rs = book->Db().Query("SELECT SettingValue FROM BookSetting WHERE SettingName = ?", {Value(name)});
        return rs.rows.empty() ? "<none>" : rs.rows[0][0].ToText();
    }

    Ui::Session session;
    Ui::Session::Scope sessionScope{session};
    ClientApp app{session};
    ClientApp::Scope appScope{app};
    std::shared_ptr<Book> book;
    CDBCommand command;
};

} // namespace

TEST_F(CDBCommandTest, BatchThatFailsHalfwayLeavesTheDatabaseAsItWas)
{
    const std::string before = Setting("AccSetCode");
    command.RunSqlCommand("UPDATE BookSetting SET SettingValue = N'changed' WHERE SettingName = N'AccSetCode'\n"
                          "INSERT INTO BookSetting (SettingName, SettingValue) VALUES (N'TestProbe', N'1')\n"
                          "UPDATE NoSuchTable SET x = 1",
                          30, "Writing");
    EXPECT_EQ(Setting("AccSetCode"), before);
    EXPECT_EQ(Setting("TestProbe"), "<none>");
    ASSERT_EQ(session.Errors().size(), 1u);
    EXPECT_NE(session.Errors()[0].message.find("nosuchtable"), std::string::npos) << session.Errors()[0].message;
    EXPECT_FALSE(session.WaitHistory().empty());
    EXPECT_EQ(session.WaitText(), ""); // the wait window closed

    command.RunSqlCommand("INSERT INTO BookSetting (SettingName, SettingValue) VALUES (N'TestProbe', N'2')", 30, "");
    EXPECT_EQ(Setting("TestProbe"), "2");
    book->Db().Execute("DELETE FROM BookSetting WHERE SettingName = N'TestProbe'");
}

TEST_F(CDBCommandTest, StoredProcedureReturnsItsOutputParameters)
{
    book->Db().ExecutePostgresScript(
        "CREATE OR REPLACE FUNCTION talvex_probe_split(Total NUMERIC, Parts INTEGER, OUT Share NUMERIC, OUT Rest "
        "NUMERIC) "
        "LANGUAGE sql AS $$ SELECT TRUNC(Total / Parts, 2), Total - TRUNC(Total / Parts, 2) * Parts $$");
    FieldList params;
    params.Add("Total", FieldType::kAmount, Value(Currency::Parse("100"))).SetParamFlags(256);
    params.Add("Parts", FieldType::kPosition, Value(3)).SetParamFlags(256);
    params.Add("Share", FieldType::kAmount).SetParamFlags(512);
    params.Add("Rest", FieldType::kAmount).SetParamFlags(512);
    params.Add("Ignored", FieldType::kText, Value("not a parameter"));
    Value ran = command.RunStoredProc("talvex_probe_split", &params, true);
    book->Db().ExecutePostgresScript("DROP FUNCTION talvex_probe_split");
    ASSERT_TRUE(session.Errors().empty()) << session.Errors()[0].message;
    EXPECT_TRUE(ran.ToBool());
    EXPECT_EQ(params.Item("Share").GetValue().ToCurrency(), Currency::Parse("33.33"));
    EXPECT_EQ(params.Item("Rest").GetValue().ToCurrency(), Currency::Parse("0.01"));

    EXPECT_TRUE(command.RunStoredProc("no_such_procedure").IsEmpty());
    EXPECT_EQ(session.Errors().size(), 1u);
}

TEST_F(CDBCommandTest, FillListMatchesColumnsIgnoringCaseAndKeepsTheFilter)
{
    auto list = book->CreateList("REFCurrency");
    list->Fields().SelectFields({"Code", "Name"});
    const std::string filter = "oTable.Code <> N'EUR'";
    list->SetFilter(filter);
    command.FillListByServerCursor(*list);
    ASSERT_TRUE(session.Errors().empty()) << session.Errors()[0].message;
    EXPECT_EQ(list->Filter(), filter);
    auto rs = list->Recordset();
    EXPECT_EQ(rs->RecordCount(),
              book->Db().Query("SELECT COUNT(*) FROM REFCurrency WHERE Code <> 'EUR'").rows[0][0].ToInteger());

    // A function's columns fill the list's columns of the same name, whatever their case.
    auto tree = book->CreateList("REFClientT");
    tree->Fields().SelectFields({"Code", "IsGroup"});
    tree->SetFilter("1 = 0");
    FieldList none;
    auto source = command.DirectListByFunction("REFClientT(N'')", none);
    ASSERT_TRUE(source);
    command.FillListByServerFunction(*tree, "REFClientT(N'')");
    EXPECT_EQ(tree->Recordset()->RecordCount(), source->RecordCount());
    EXPECT_GT(source->RecordCount(), 0);
    EXPECT_EQ(tree->Filter(), "1 = 0");

    auto empty = book->CreateList("REFCurrency");
    empty->SetFilter("1 = 0");
    command.FillListByServerCursor(*empty);
    EXPECT_EQ(empty->Recordset()->RecordCount(), 0);
    EXPECT_GT(empty->Recordset()->Fields().Count(), 0u);
}
