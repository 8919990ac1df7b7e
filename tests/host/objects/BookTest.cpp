#include "host/objects/Book.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/Field.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <ctime>
#include <map>

using namespace Talvex;

namespace {

// Posted and unposted sales with their client, and one row of their own from the second block.
constexpr const char* kFillSalesList =
    "SELECT d.IDC, d.Number, p.PartyCode, d.Summa INTO #SalesList FROM THDocument d "
    "INNER JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR' WHERE d.DocTypeCode = ? "
    "UNION ALL SELECT 0, N'-', N'NONE', 12.5";

// The same sums by client, written by hand for PostgreSQL on the ERP's tables.
constexpr const char* kSalesByClient = R"sql(
SELECT p.partycode, sum(d.summa)::text FROM thdocument d
JOIN thpartyattribute p ON p.docid = d.idc AND p.rolepartycode = 'PIR'
WHERE d.doctypecode = 'PRSF' GROUP BY p.partycode)sql";

std::map<std::string, Currency> SumsByClient(DataList& list)
{
    std::map<std::string, Currency> sums;
    auto rs = list.Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        sums[rs->Fields().Item("PartyCode").Value().ToText()] += rs->Fields().Item("Summa").Value().ToCurrency();
    return sums;
}

std::string FieldsOf(const DataList& list)
{
    std::string out;
    for (const auto& field : list.Fields())
        out += (out.empty() ? "" : ",") + field->Name() + ":" + std::to_string(CodeOf(field->TypeCode()));
    return out;
}

} // namespace

TEST(BookTest, ListOverATemporaryTableReadsTheRowsTheSessionPutThere)
{
    auto book = Testing::OpenDemoBook("tester");
    book->Db().Execute(kFillSalesList, {Value("PRSF")});

    auto sales = book->CreateList("#SalesList");
    EXPECT_EQ(FieldsOf(*sales), "IDC:" + std::to_string(CodeOf(FieldType::kPosition)) +
                                    ",Number:" + std::to_string(CodeOf(FieldType::kText)) +
                                    ",PartyCode:" + std::to_string(CodeOf(FieldType::kCode)) +
                                    ",Summa:" + std::to_string(CodeOf(FieldType::kAmount)));
    std::map<std::string, Currency> expected;
    for (const auto& row : book->Db().QueryPostgres(kSalesByClient).rows)
        expected[row[0].ToText()] = Currency::Parse(row[1].ToText());
    ASSERT_GT(expected.size(), 1u);
    expected["NONE"] = Currency::Parse("12.5");
    EXPECT_EQ(SumsByClient(*sales), expected);

    // Dropped and made again with other columns: the list sees the new table, not a cached one.
    book->Db().Execute("DROP TABLE #SalesList; SELECT c.Code, c.Name INTO #SalesList FROM REFClient c");
    auto clients = book->CreateList("#saleslist");
    EXPECT_EQ(FieldsOf(*clients),
              "Code:" + std::to_string(CodeOf(FieldType::kCode)) + ",Name:" + std::to_string(CodeOf(FieldType::kText)));
    EXPECT_EQ(clients->Recordset()->RecordCount(),
              book->Db().QueryPostgres("SELECT count(*) FROM refclient").rows.at(0).at(0).ToInteger());

    // A second session has no #SalesList until it makes its own, and then each reads its own.
    auto other = Testing::OpenDemoBook("tester");
    EXPECT_THROW(other->CreateList("#SalesList"), ValueError);
    other->Db().Execute(kFillSalesList, {Value("NOSUCHTYPE")});
    EXPECT_EQ(SumsByClient(*other->CreateList("#SalesList")),
              (std::map<std::string, Currency>{{"NONE", Currency::Parse("12.5")}}));
    EXPECT_EQ(FieldsOf(*book->CreateList("#SalesList")), FieldsOf(*clients));

    // A name that is not one never reaches a statement.
    for (const char* name : {"#SalesList; DROP TABLE REFClient", "#Sales List", "##SalesList", "#", "#NoSuchList"})
        EXPECT_THROW(book->CreateList(name), ValueError) << name;
    EXPECT_THROW(book->CreateList("NoSuchTable"), ValueError);
}

namespace {

Date MachineDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Date(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday));
}

} // namespace

TEST(BookTest, TodayIsTheDemoCompanysSettingElseTheMachinesLocalDate)
{
    auto book = Testing::OpenDemoBook("tester");
    auto setting = book->Db().QueryPostgres("SELECT settingvalue FROM booksetting WHERE settingname = 'DemoToday'");
    ASSERT_EQ(setting.rows.size(), 1u);
    EXPECT_EQ(book->Today().ToIso(), setting.rows[0][0].ToText());

    // A company without the setting: the calendar date here, whichever side of midnight.
    const Date before = MachineDate();
    const Date today = Book::CompanyToday("");
    const Date after = MachineDate();
    EXPECT_TRUE(today == before || today == after) << today.ToIso();

    EXPECT_EQ(Book::CompanyToday("2025-06-30"), Date(2025, 6, 30));
    try {
        Book::CompanyToday("soon");
        FAIL() << "a setting that is not a date must be refused";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "BookSetting DemoToday: 'soon' is not a date");
    }
}
