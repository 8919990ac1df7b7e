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
    auto book = Testing::OpenDemoBook("tester");
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

// Conditions written for a recordset filter select, in memory, exactly the rows whose
// value they name, whatever quotes, semicolons or comment markers the value holds.
TEST(SqlTools, RecordsetConditionsSelectExactlyTheirRows)
{
    Data::Recordset rs;
    rs.Fields().Append("Code", Data::DataTypeEnum::VarChar, 40);
    rs.Fields().Append("DocumentDate", Data::DataTypeEnum::Date);
    rs.Fields().Append("Summa", Data::DataTypeEnum::Currency);
    rs.Open();
    const std::vector<std::string> codes = {"O'Brien", "a' OR '1'='1", "x; DROP", "-- note", "/* c */", "plain"};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        rs.AddNew();
        rs.Fields().Item("Code").SetValue(Value(codes[i]));
        rs.Fields().Item("DocumentDate").SetValue(Value(Date(2025, 12, 28).AddDays(static_cast<std::int32_t>(i))));
        rs.Fields().Item("Summa").SetValue(Value(Currency::FromInteger(static_cast<std::int64_t>(i))));
        rs.Update();
    }
    const int kRs = SqlTools::kForRecordset;
    for (const auto& code : codes) {
        rs.SetFilter(SqlTools::CondByName("Code", 8, SqlOperator::kEqual, Value(code), {}, kRs));
        ASSERT_EQ(rs.RecordCount(), 1) << code;
        EXPECT_EQ(rs.Fields().Item("Code").Value().ToText(), code);
    }
    const std::string between = SqlTools::CondByName("DocumentDate", 9, SqlOperator::kBetween,
                                                     Value(Date(2025, 12, 30)), Value(Date(2026, 1, 1)), kRs);
    EXPECT_EQ(between, "(DocumentDate >= #2025-12-30# AND DocumentDate <= #2026-01-01#)");
    rs.SetFilter(between);
    EXPECT_EQ(rs.RecordCount(), 3);
    rs.SetFilter(SqlTools::CondByName("Summa", 19, SqlOperator::kNotEqual, Value(0), {}, kRs));
    EXPECT_EQ(rs.RecordCount(), 5);
    EXPECT_EQ(SqlTools::CondByName("Code", 8, SqlOperator::kEqual, Value("O'Brien"), {}, kRs), "Code = 'O''Brien'");
}
