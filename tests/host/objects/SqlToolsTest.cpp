#include "host/objects/SqlTools.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

namespace {

// Whether a condition can be written with a kind and an operator of these types.
template <class Kind, class Operator>
concept WritesCondition = requires(Kind kind, Operator op)
{
    SqlTools::CondByName("x", kind, op, Value());
};

} // namespace

// A kind, an operator or a bare number in another's place does not compile.
static_assert(WritesCondition<FieldType, SqlOperator>);
static_assert(!WritesCondition<SqlOperator, FieldType>);
static_assert(!WritesCondition<int, SqlOperator>);
static_assert(!WritesCondition<FieldType, int>);

TEST(FieldKinds, HostNumbersBecomeKindsOnlyWhenTheHostKnowsThem)
{
    // The host's own numbers, as they travel in parameter lists.
    const std::vector<std::pair<int, FieldType>> known = {
        {1, FieldType::kInteger}, {2, FieldType::kId},        {3, FieldType::kPosition},
        {7, FieldType::kCode},    {8, FieldType::kText},      {9, FieldType::kDate},
        {13, FieldType::kNumber}, {14, FieldType::kFlag},     {15, FieldType::kLongText},
        {19, FieldType::kAmount}, {20, FieldType::kQuantity}, {23, FieldType::kMultiSelection},
        {100, FieldType::kObject}};
    for (const auto& [code, kind] : known) {
        EXPECT_EQ(FieldTypeOfCode(code), kind) << code;
        EXPECT_EQ(CodeOf(kind), code);
    }
    for (int unknown : {0, 4, 10, 16, 101, -8}) {
        try {
            FieldTypeOfCode(unknown);
            ADD_FAILURE() << unknown << " became a kind";
        } catch (const ValueError& refusal) {
            EXPECT_EQ(std::string(refusal.what()),
                      "field type " + std::to_string(unknown) + ": not a kind the host knows");
        }
    }
}

TEST(SqlTools, WritesValuesAsLiteralsOfTheirKind)
{
    EXPECT_EQ(SqlTools::Literal(FieldType::kCode, Value("O'Brien")), "N'O''Brien'");
    EXPECT_EQ(SqlTools::Literal(FieldType::kAmount, Value("12.50")), "12.5");
    EXPECT_EQ(SqlTools::Literal(FieldType::kPosition, Value(42)), "42");
    EXPECT_EQ(SqlTools::Literal(FieldType::kDate, Value("2025-02-28")), "'2025-02-28'");
    EXPECT_EQ(SqlTools::Literal(FieldType::kFlag, Value(1)), "1");
    EXPECT_EQ(SqlTools::Literal(FieldType::kText, Value(Null{})), "NULL");
    // A number or a date that is not one never reaches the statement.
    EXPECT_THROW(SqlTools::Literal(FieldType::kAmount, Value("1; DROP TABLE THDocument")), ValueError);
    EXPECT_THROW(SqlTools::Literal(FieldType::kPosition, Value("1.5")), ValueError);
    EXPECT_THROW(SqlTools::Literal(FieldType::kDate, Value("2025-02-30")), ValueError);

    EXPECT_EQ(SqlTools::CondByName("oTable.Code", FieldType::kCode, SqlOperator::kEqual, Value("A")),
              "oTable.Code = N'A'");
    EXPECT_EQ(SqlTools::CondByName("d.Summa", FieldType::kAmount, SqlOperator::kBetween, Value(1), Value(2)),
              "d.Summa BETWEEN 1 AND 2");
    EXPECT_EQ(SqlTools::CondByName("d.ParentID", FieldType::kPosition, SqlOperator::kEqual, Value(Null{})),
              "d.ParentID IS NULL");
    EXPECT_EQ(SqlTools::CondByName("c.Code", FieldType::kCode, SqlOperator::kInList, Value("'a','b'")),
              "c.Code IN (N'a',N'b')");
    EXPECT_EQ(SqlTools::CondByName("c.Code", FieldType::kCode, SqlOperator::kInList, Value("a,b")),
              "c.Code IN (N'a',N'b')");
    EXPECT_EQ(SqlTools::CondByName("c.Code", FieldType::kCode, SqlOperator::kInList, Value("")), "1 = 0");
    EXPECT_EQ(SqlTools::QuoteCodes("1,2", FieldType::kInteger), "1,2");
    EXPECT_THROW(SqlTools::QuoteCodes("1,2) OR (1=1", FieldType::kInteger), ValueError);
    EXPECT_EQ(SqlTools::CombineConds(CombineMode::kAnd, {"a = 1", "", "b = 2"}), "(a = 1) AND (b = 2)");
    EXPECT_EQ(SqlTools::CombineConds(CombineMode::kOr, {"a = 1", "b = 2"}), "((a = 1) OR (b = 2))");
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
        list->SetFilter(SqlTools::CondByName("oTable.Code", FieldType::kCode, SqlOperator::kInList,
                                             Value("'O''Brien','[W]','V''--'")));
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
        rs.SetFilter(SqlTools::CondByName("Code", FieldType::kText, SqlOperator::kEqual, Value(code), {}, kRs));
        ASSERT_EQ(rs.RecordCount(), 1) << code;
        EXPECT_EQ(rs.Fields().Item("Code").Value().ToText(), code);
    }
    const std::string between = SqlTools::CondByName("DocumentDate", FieldType::kDate, SqlOperator::kBetween,
                                                     Value(Date(2025, 12, 30)), Value(Date(2026, 1, 1)), kRs);
    EXPECT_EQ(between, "(DocumentDate >= #2025-12-30# AND DocumentDate <= #2026-01-01#)");
    rs.SetFilter(between);
    EXPECT_EQ(rs.RecordCount(), 3);
    rs.SetFilter(SqlTools::CondByName("Summa", FieldType::kAmount, SqlOperator::kNotEqual, Value(0), {}, kRs));
    EXPECT_EQ(rs.RecordCount(), 5);
    EXPECT_EQ(SqlTools::CondByName("Code", FieldType::kText, SqlOperator::kEqual, Value("O'Brien"), {}, kRs),
              "Code = 'O''Brien'");
}
