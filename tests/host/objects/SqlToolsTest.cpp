#include "host/objects/SqlTools.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

TEST(SqlTools, WritesValuesAsLiteralsOfTheirKind)
{
    EXPECT_EQ(SqlTools::Literal(7, Value("O'Brien")), "N'O''Brien'");
    EXPECT_EQ(SqlTools::Literal(19, Value("12.50")), "12.5");
    EXPECT_EQ(SqlTools::Literal(3, Value(42)), "42");
    EXPECT_EQ(SqlTools::Literal(9, Value("2025-02-28")), "'2025-02-28'");
    EXPECT_EQ(SqlTools::Literal(14, Value(1)), "1");
    EXPECT_EQ(SqlTools::Literal(8, Value(Null{})), "NULL");
    // A number or a date that is not one never reaches the statement.
    EXPECT_THROW(SqlTools::Literal(19, Value("1; DROP TABLE THDocument")), ValueError);
    EXPECT_THROW(SqlTools::Literal(3, Value("1.5")), ValueError);
    EXPECT_THROW(SqlTools::Literal(9, Value("2025-02-30")), ValueError);

    EXPECT_EQ(SqlTools::CondByName("oTable.Code", 7, 1, Value("A")), "oTable.Code = N'A'");
    EXPECT_EQ(SqlTools::CondByName("d.Summa", 19, 105, Value(1), Value(2)), "d.Summa BETWEEN 1 AND 2");
    EXPECT_EQ(SqlTools::CondByName("d.ParentID", 3, 1, Value(Null{})), "d.ParentID IS NULL");
    EXPECT_EQ(SqlTools::CondByName("c.Code", 7, 8, Value("'a','b'")), "c.Code IN (N'a',N'b')");
    EXPECT_EQ(SqlTools::CondByName("c.Code", 7, 8, Value("a,b")), "c.Code IN (N'a',N'b')");
    EXPECT_EQ(SqlTools::CondByName("c.Code", 7, 8, Value("")), "1 = 0");
    EXPECT_EQ(SqlTools::QuoteCodes("1,2", 1), "1,2");
    EXPECT_THROW(SqlTools::QuoteCodes("1,2) OR (1=1", 1), ValueError);
    EXPECT_EQ(SqlTools::CombineConds(1, {"a = 1", "", "b = 2"}), "(a = 1) AND (b = 2)");
    EXPECT_EQ(SqlTools::CombineConds(2, {"a = 1", "b = 2"}), "((a = 1) OR (b = 2))");
}

// Codes and names holding quotes, semicolons, comment markers and brackets select exactly
// their own rows and change nothing.
TEST(SqlTools, HostileCodesSelectExactlyTheirRows)
{
    auto book = Book::Open(Testing::DemoDatabaseConnectString(), "tester");
    Data::Connection& db = book->Db();
    auto countClients = [&] { return db.Query("SELECT COUNT(*) AS n FROM REFClient").rows[0][0].ToInteger(); };
    const std::int64_t before = countClients();
    const std::vector<std::string> hostile = {"O'Brien", "X';DELETE--", "Y /* z", "[W]", "V'--", "Q;R"};
    {
        Data::Transaction tx(db);
        for (const auto& code : hostile)
            db.Execute("INSERT INTO REFClient (Code, Name) VALUES (?, ?)", {Value(code), Value("Name " + code)});
        for (const auto& code : hostile) {
            auto list = book->CreateList("REFClient");
            list->Fields().SelectFields({"Code", "Name"});
            list->SetFilter(SqlTools::CondByField(list->Fields().Item("Code"), SqlOperator::kEqual, Value(code)));
            list->Refresh();
            auto rs = list->Recordset();
            ASSERT_EQ(rs->RecordCount(), 1) << code << "\n" << list->SqlText();
            EXPECT_EQ(rs->Fields().Item("Name").Value().ToText(), "Name " + code);
        }
        auto list = book->CreateList("REFClient");
        list->SetFilter(SqlTools::CondByName("oTable.Code", 7, 8, Value("'O''Brien','[W]','V''--'")));
        list->Refresh();
        EXPECT_EQ(list->Recordset()->RecordCount(), 3) << list->SqlText();
        EXPECT_EQ(countClients(), before + static_cast<std::int64_t>(hostile.size()));
    }
    EXPECT_EQ(countClients(), before);
}
