#include "RSaleFixture.hpp"

#include "host/cube/Engine.hpp"

#include <cmath>
#include <set>

using namespace Talvex;
using namespace RSaleTesting;

namespace {

// Prorated sums carry more decimals than money; their totals agree to well under a cent.
constexpr double kTolerance = 0.005;

} // namespace

TEST_F(SalesCubeTest, SalesListSumsPerDocumentTypeMatchTheDocumentsWithTheirSigns)
{
    Prepare();
    auto list = report.CreateSalesList(true);
    list->Refresh();
    auto actual = ListSumsBy(*list->Recordset(), "DocTypeCode");
    auto expected = ExpectedBy("type");

    ASSERT_TRUE(expected.count("PRSF") && expected.count("GPG"));
    std::set<std::string> types;
    for (const auto& [type, sums] : expected)
        types.insert(type);
    for (const auto& [type, sums] : actual)
        types.insert(type);
    for (const auto& type : types) {
        SCOPED_TRACE(type);
        EXPECT_EQ(actual[type].rows, expected[type].rows);
        EXPECT_NEAR(actual[type].quantity, expected[type].quantity, kTolerance);
        EXPECT_NEAR(actual[type].summa, expected[type].summa, kTolerance);
        EXPECT_NEAR(actual[type].cost, expected[type].cost, kTolerance);
    }
    // Returns count against the sales: every amount of theirs is negative.
    EXPECT_LT(actual["GPG"].quantity, 0);
    EXPECT_LT(actual["GPG"].summa, 0);
    EXPECT_LT(actual["GPG"].cost, 0);
    EXPECT_GT(actual["PRSF"].summa, 0);
}

TEST_F(SalesCubeTest, CubeTotalsAndSubtotalsMatchIndependentSumsInTwoLayouts)
{
    Prepare();
    Cube::Engine engine;
    LoadCube(engine);

    // First layout: goods groups down the rows, years across.
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto allYears = grid.FindColHeader({});
    ASSERT_TRUE(total && allYears);
    auto all = ExpectedBy("''");
    EXPECT_NEAR(grid.FactValue(*total, *allYears, "Summa").value_or(0), all[""].summa, kTolerance);
    EXPECT_NEAR(grid.FactValue(*total, *allYears, "GoodAmount").value_or(0), all[""].quantity, kTolerance);
    EXPECT_NEAR(grid.FactValue(*total, *allYears, "Cost").value_or(0), all[""].cost, kTolerance);
    EXPECT_NEAR(grid.FactValue(*total, *allYears, "Profit").value_or(0), all[""].summa - all[""].cost, kTolerance);

    auto byGroup = ExpectedBy("grp");
    ASSERT_GT(byGroup.size(), 1u);
    for (const auto& [group, sums] : byGroup) {
        SCOPED_TRACE(group);
        auto row = grid.FindRow({Value(group)});
        ASSERT_TRUE(row);
        EXPECT_NEAR(grid.FactValue(*row, *allYears, "Summa").value_or(0), sums.summa, kTolerance);
        EXPECT_NEAR(grid.FactValue(*row, *allYears, "GoodAmount").value_or(0), sums.quantity, kTolerance);
    }
    auto byYear = ExpectedBy("extract(year from docdate)");
    ASSERT_EQ(byYear.size(), 2u);
    for (const auto& [year, sums] : byYear) {
        SCOPED_TRACE(year);
        auto col = grid.FindColHeader({Value(static_cast<std::int64_t>(std::stoi(year)))});
        ASSERT_TRUE(col);
        EXPECT_NEAR(grid.FactValue(*total, *col, "Summa").value_or(0), sums.summa, kTolerance);
        EXPECT_NEAR(grid.FactValue(*total, *col, "Cost").value_or(0), sums.cost, kTolerance);
    }

    // Second layout: buyers down the rows, months across (the year goes to the filter area).
    engine.Dims().Item("GroupT").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Good").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Year").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Buyer").MoveTo(Cube::Axis::Rows, 0);
    engine.Dims().Item("Month").MoveTo(Cube::Axis::Columns, 0);
    const auto& regrid = engine.Grid();
    auto buyersTotal = regrid.FindRow({});
    auto monthsTotal = regrid.FindColHeader({});
    ASSERT_TRUE(buyersTotal && monthsTotal);
    EXPECT_NEAR(regrid.FactValue(*buyersTotal, *monthsTotal, "Summa").value_or(0), all[""].summa, kTolerance);

    auto byMonth = ExpectedBy("extract(month from docdate)");
    ASSERT_EQ(byMonth.size(), 12u);
    for (const auto& [month, sums] : byMonth) {
        SCOPED_TRACE("month " + month);
        auto col = regrid.FindColHeader({Value(static_cast<std::int64_t>(std::stoi(month)))});
        ASSERT_TRUE(col);
        EXPECT_NEAR(regrid.FactValue(*buyersTotal, *col, "Summa").value_or(0), sums.summa, kTolerance);
    }
    // A buyer's member is "code:name"; compare by the code before the colon.
    auto byBuyer = ExpectedBy("buyer");
    std::size_t compared = 0;
    for (std::size_t row = 0; row < regrid.RowCount(); ++row) {
        const auto& header = regrid.RowHeader(row);
        if (header.Codes.empty()) continue;
        const auto& dim = *regrid.RowDims().at(0);
        std::string member = dim.Member(header.Codes.at(0)).ToText();
        // A document without a buyer shows the placeholder, no code.
        std::string code = member.find(':') == std::string::npos ? "" : member.substr(0, member.find(':'));
        SCOPED_TRACE(member);
        ASSERT_TRUE(byBuyer.count(code));
        EXPECT_NEAR(regrid.FactValue(row, *monthsTotal, "Summa").value_or(0), byBuyer[code].summa, kTolerance);
        EXPECT_NEAR(regrid.FactValue(row, *monthsTotal, "GoodAmount").value_or(0), byBuyer[code].quantity, kTolerance);
        ++compared;
    }
    EXPECT_GT(compared, 10u);
}

TEST_F(SalesCubeTest, ProfitPercentAtTotalsComesFromTheTotalsAndIsNeverNegative)
{
    Prepare();
    Cube::Engine engine;
    LoadCube(engine);
    engine.Dims().Item("GroupT").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Good").MoveTo(Cube::Axis::Rows, 0);
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto allYears = grid.FindColHeader({});
    ASSERT_TRUE(total && allYears);

    const double summa = grid.FactValue(*total, *allYears, "Summa").value_or(0);
    const double cost = grid.FactValue(*total, *allYears, "Cost").value_or(0);
    const double percent = grid.FactValue(*total, *allYears, "Percent").value_or(-1);
    ASSERT_GT(summa, 0);
    EXPECT_NEAR(percent, std::max(summa - cost, 0.0) * 100 / summa, 1e-9);

    double summedPercents = 0;
    std::size_t negativeProfits = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (row == *total) continue;
        auto profit = grid.FactValue(row, *allYears, "Profit");
        auto rowPercent = grid.FactValue(row, *allYears, "Percent");
        if (rowPercent) summedPercents += *rowPercent;
        if (profit && *profit < 0) {
            ++negativeProfits;
            EXPECT_EQ(rowPercent.value_or(0), 0.0) << "row " << row;
        }
    }
    EXPECT_GT(std::abs(summedPercents - percent), 1.0);
    // Goods sold below cost or mostly returned exist in the demo company.
    EXPECT_GT(negativeProfits, 0u);
}

TEST_F(SalesCubeTest, BuyerSelectionAndGoodsNodeNarrowTheListExactly)
{
    auto top = book->Db().QueryPostgres(
        "SELECT pa.PartyCode, c.Parent FROM THDocument d JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND "
        "pa.RolePartyCode = 'PIR' JOIN REFClient c ON c.Code = pa.PartyCode WHERE d.DocTypeCode = 'PRSF' AND "
        "d.IsPosted = 1 AND c.Parent IS NOT NULL GROUP BY pa.PartyCode, c.Parent ORDER BY count(*) DESC, 1 LIMIT 2");
    ASSERT_EQ(top.rows.size(), 2u);
    const std::string first = top.rows[0][0].ToText();
    const std::string second = top.rows[1][0].ToText();
    const std::string node = top.rows[0][1].ToText();

    struct Case {
        std::string list;
        long type;
        std::string expectedCondition;
    };
    const std::vector<Case> cases = {
        {first, 3, "buyer = '" + first + "'"},
        {"N'" + first + "',N'" + second + "'", 1, "buyer IN ('" + first + "','" + second + "')"},
        {node, 2, "buyer IN (SELECT Code FROM REFClientT('" + node + "'))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        params.Add("SelClientList", FieldType::kLongText, Value(c.list));
        params.Add("SelClientType", FieldType::kInteger, Value(static_cast<std::int64_t>(c.type)));
        Prepare();
        auto list = report.CreateSalesList(true);
        list->Refresh();
        auto actual = ListSumsBy(*list->Recordset(), "");
        auto expected = ExpectedBy("''", c.expectedCondition);
        ASSERT_GT(expected[""].rows, 0);
        EXPECT_EQ(actual[""].rows, expected[""].rows);
        EXPECT_NEAR(actual[""].summa, expected[""].summa, kTolerance);
        EXPECT_NEAR(actual[""].quantity, expected[""].quantity, kTolerance);
    }

    // A goods group: only the goods under it, and no group dimension.
    params.Add("SelClientList", FieldType::kLongText, Value(std::string()));
    params.Add("SelClientType", FieldType::kInteger, Value(static_cast<std::int64_t>(0)));
    const std::string group =
        book->Db()
            .QueryPostgres("SELECT g.Parent FROM THGoodSpec s JOIN REFGood g ON g.Code = s.GoodCode "
                           "WHERE g.Parent IS NOT NULL GROUP BY g.Parent ORDER BY count(*) DESC LIMIT 1")
            .rows.at(0)
            .at(0)
            .ToText();
    params.Add("GoodCode", FieldType::kCode, Value(group));
    Prepare();
    auto list = report.CreateSalesList(true);
    list->Refresh();
    auto rs = list->Recordset();
    EXPECT_FALSE(rs->Fields().Exists("GroupT"));
    auto actual = ListSumsBy(*rs, "");
    auto expected = ExpectedBy("''", "good IN (SELECT Code FROM REFGoodT('" + group + "'))");
    ASSERT_GT(expected[""].rows, 0);
    EXPECT_LT(expected[""].rows, ExpectedBy("''")[""].rows);
    EXPECT_EQ(actual[""].rows, expected[""].rows);
    EXPECT_NEAR(actual[""].summa, expected[""].summa, kTolerance);

    Cube::Engine engine;
    LoadCube(engine);
    EXPECT_FALSE(engine.Dims().Exists("GroupT"));
    EXPECT_TRUE(engine.Dims().Exists("Good"));
}

// Codes as people type them can hold quotes, semicolons and comment markers; each must
// select its own rows and nothing else.
TEST_F(SalesCubeTest, CodesWithQuotesSemicolonsAndCommentMarkersSelectOnlyTheirRows)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string client = "Q'x;--/*c";
    const std::string clientPrefix = "Q'x";
    const std::string group = "G'1;--/*";
    const std::string good = "G'1-A;*/";
    db.QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ($1, 'Quote client'), ($2, 'Prefix client')",
                     {Value(client), Value(clientPrefix)});
    db.QueryPostgres("INSERT INTO REFGood (Code, Name, Parent, IsGroup) VALUES ($1, 'Odd group', NULL, 1), "
                     "($2, 'Odd good', $1, 0)",
                     {Value(group), Value(good)});
    db.QueryPostgres(
        "INSERT INTO REFGoodUnit (GoodCode, UnitCode, IsAccount, IsCommon, Rate) VALUES ($1, 'vnt', 1, 1, 1)",
        {Value(good)});
    auto addInvoice = [&db](const std::string& buyer, const std::string& goodCode, const char* net, const char* vat) {
        auto id = db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, CurrencyCode, IsPosted) "
                                   "VALUES ('PRSF', '2026-06-15', 'T-1', 'EUR', 1) RETURNING IDC")
                      .rows.at(0)
                      .at(0);
        db.QueryPostgres("INSERT INTO THDocumentPRSF (DocID) VALUES ($1)", {id});
        db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa, "
                         "CostSumm) VALUES ($1, 1, $2, 'vnt', 2, 2, $3::numeric + $4::numeric, 60)",
                         {id, Value(goodCode), Value(std::string(net)), Value(std::string(vat))});
        db.QueryPostgres("INSERT INTO THGoodSpecPRSF (DocID, PosNumb, SummVAT) VALUES ($1, 1, $2::numeric)",
                         {id, Value(std::string(vat))});
        db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyCode) "
                         "VALUES ($1, 'PRSF', 'PIR', $2)",
                         {id, Value(buyer)});
    };
    addInvoice(client, good, "100", "21");
    addInvoice(clientPrefix, good, "40", "8.4");

    auto readOne = [this](const std::string& list, long type) {
        params.Add("SelClientList", FieldType::kLongText, Value(list));
        params.Add("SelClientType", FieldType::kInteger, Value(static_cast<std::int64_t>(type)));
        EXPECT_TRUE(report.Prepare(params));
        auto sales = report.CreateSalesList(true);
        sales->Refresh();
        return ListSumsBy(*sales->Recordset(), "BuyerCode");
    };
    auto one = readOne(client, 3);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.begin()->first, client);
    EXPECT_EQ(one[client].rows, 1);
    EXPECT_DOUBLE_EQ(one[client].summa, 100.0);
    EXPECT_DOUBLE_EQ(one[client].quantity, 2.0);

    // An in-list as the parameter form writes it: SQL literals with their quotes doubled.
    auto two = readOne("N'Q''x;--/*c',N'Q''x'", 1);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_DOUBLE_EQ(two[clientPrefix].summa, 40.0);

    // The odd goods group holds exactly the two lines.
    params.Add("GoodCode", FieldType::kCode, Value(group));
    auto byGroup = readOne("", 0);
    ASSERT_EQ(byGroup.size(), 2u);
    EXPECT_DOUBLE_EQ(byGroup[client].summa + byGroup[clientPrefix].summa, 140.0);
    EXPECT_DOUBLE_EQ(byGroup[client].quantity + byGroup[clientPrefix].quantity, 4.0);
}

// Management accounting: an invoice's buyer is its own customer, and invoices kept in
// management accounting add their extra discount to the sum.
TEST_F(SalesCubeTest, ManagementAccountingTakesTheOwnCustomerAndTheExtraDiscount)
{
    params.Add("IsMngBKeeping", FieldType::kFlag, Value(1));
    Prepare();
    auto list = report.CreateSalesList(true);
    list->Refresh();
    auto actual = ListSumsBy(*list->Recordset(), "BuyerCode");
    auto expected = ExpectedBy("buyer", "TRUE", true);
    auto plain = ExpectedBy("''");
    auto mng = ExpectedBy("''", "TRUE", true);
    // The demo company has such invoices: the figures differ from the plain ones.
    ASSERT_GT(mng[""].summa - plain[""].summa, 1.0);
    for (const auto& [buyer, sums] : expected) {
        SCOPED_TRACE(buyer);
        EXPECT_EQ(actual[buyer].rows, sums.rows);
        EXPECT_NEAR(actual[buyer].summa, sums.summa, kTolerance);
    }
    EXPECT_EQ(actual.size(), expected.size());
}

// The cube reads the sales list once, straight into its recordset; the first drill-down writes
// those rows into a table of the session: the cube's list and the drill-down list over the table
// give the rows the sales lists themselves give, and the table goes with the next read or with
// the report.
TEST_F(SalesCubeTest, KeptSalesRowsGiveTheSalesListsRowsAndGoWithTheReport)
{
    Prepare();
    // The same sums by the key; with sameRows also the same rows (the cube's list is not
    // summed in SQL: it has a row per line where the summed list has one per combination, and
    // the cube adds them up). The kept list is taken as it was read, not read again.
    const auto expectSameSums = [](DataList& kept, DataList& direct, const std::string& key, bool sameRows,
                                   const std::string& directKey = {}) {
        if (!kept.IsFilled()) kept.Refresh();
        direct.Refresh();
        if (sameRows) {
            EXPECT_EQ(kept.Recordset()->RecordCount(), direct.Recordset()->RecordCount());
        }
        const auto keptSums = ListSumsBy(*kept.Recordset(), key);
        const auto directSums = ListSumsBy(*direct.Recordset(), directKey.empty() ? key : directKey);
        ASSERT_EQ(keptSums.size(), directSums.size());
        for (const auto& [k, sums] : directSums) {
            SCOPED_TRACE(key + " " + k);
            ASSERT_EQ(keptSums.count(k), 1u);
            if (sameRows) {
                EXPECT_EQ(keptSums.at(k).rows, sums.rows);
            }
            EXPECT_NEAR(keptSums.at(k).quantity, sums.quantity, kTolerance);
            EXPECT_NEAR(keptSums.at(k).summa, sums.summa, kTolerance);
            EXPECT_NEAR(keptSums.at(k).cost, sums.cost, kTolerance);
        }
    };
    EXPECT_THROW(report.SalesRowsList(true), std::exception);
    auto cubeRows = report.ReadSalesRows();
    ASSERT_TRUE(cubeRows->IsFilled());
    EXPECT_TRUE(report.SalesRowsTable().empty()); // nothing written before a drill-down
    expectSameSums(*cubeRows, *report.CreateSalesList(false), "DocumentDate", false);
    expectSameSums(*report.ReadSalesRows(), *report.CreateSalesList(false), "Good", false);
    // The cube's rows are the lines, one each, by month, with each line's own date beside.
    cubeRows = report.SalesRowsList(false);
    expectSameSums(*cubeRows, *report.CreateSalesList(true), "Buyer", true);
    expectSameSums(*cubeRows, *report.CreateSalesList(true), "IDC", true);
    expectSameSums(*cubeRows, *report.CreateSalesList(true), "DocumentDay", true, "DocumentDate");
    // The drill-down's table holds the same rows with their own dates.
    expectSameSums(*report.SalesRowsList(true), *report.CreateSalesList(true), "IDC", true);
    expectSameSums(*report.SalesRowsList(true), *report.CreateSalesList(true), "DocumentDate", true);
    auto drill = report.SalesRowsList(true);
    drill->Refresh();
    EXPECT_FALSE(drill->Recordset()->Fields().Exists("DocumentDay"));

    // The second read dropped the first one's table.
    const std::string table = report.SalesRowsTable();
    ASSERT_FALSE(table.empty());
    report.ReadSalesRows();
    EXPECT_TRUE(report.SalesRowsTable().empty());
    EXPECT_THROW(book->Db().Query("SELECT COUNT(*) FROM " + table), std::exception);
    report.SalesRowsList(true);
    EXPECT_NE(report.SalesRowsTable(), table);
    // Another report keeps its own rows, until it goes.
    std::string othersTable;
    {
        FieldList otherParams;
        otherParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        otherParams.Add("DateBeg", FieldType::kDate, Value(Date(2026, 3, 1)));
        otherParams.Add("DateEnd", FieldType::kDate, Value(Date(2026, 3, 31)));
        Quarn_DuzAde::RSale other;
        ASSERT_TRUE(other.Prepare(otherParams));
        other.ReadSalesRows();
        other.SalesRowsList(true);
        othersTable = other.SalesRowsTable();
        const auto count = [&](const std::string& t) {
            return book->Db().Query("SELECT COUNT(*) FROM " + t).rows.at(0).at(0).ToInteger();
        };
        EXPECT_GT(count(report.SalesRowsTable()), count(othersTable));
        EXPECT_GT(count(othersTable), 0);
    }
    EXPECT_THROW(book->Db().Query("SELECT COUNT(*) FROM " + othersTable), std::exception);
}

// Without the week level every date is the first of its month; with it the dates stay
// exact and the cube has the week level. Buyers without a legal address show the
// placeholder in the geography; subsidiaries their own department text.
TEST_F(SalesCubeTest, WeekLevelKeepsExactDatesAndMissingValuesShowThePlaceholder)
{
    Prepare();
    auto monthly = report.CreateSalesList(false);
    monthly->Refresh();
    auto rs = monthly->Recordset();
    double placeholderSum = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        ASSERT_EQ(rs->Fields().Item("DocumentDate").Value().ToDate().Day(), 1u);
        const std::string country = rs->Fields().Item("Country").Value().ToText();
        if (country == "(NOT GIVEN)") {
            Value summa = rs->Fields().Item("Summa").Value();
            if (!summa.IsNull()) placeholderSum += summa.ToDouble();
            EXPECT_EQ(rs->Fields().Item("Town").Value().ToText(), "(NOT GIVEN)");
            EXPECT_EQ(rs->Fields().Item("Region").Value().ToText(), "(NOT GIVEN)");
        }
    }
    auto withoutAddress = ExpectedBy("''", "buyer IS NULL OR buyer IN (SELECT c.Code FROM REFClient c "
                                           "WHERE NOT EXISTS (SELECT 1 FROM REFClientAddress a WHERE a.ClientCode = "
                                           "c.Code AND a.AddressTypeCode = 'JA'))");
    ASSERT_GT(withoutAddress[""].rows, 0);
    EXPECT_NEAR(placeholderSum, withoutAddress[""].summa, kTolerance);
    Cube::Engine monthlyCube;
    LoadCube(monthlyCube);
    EXPECT_FALSE(monthlyCube.Dims().Exists("Week"));

    params.Add("IncludeDimWeek", FieldType::kFlag, Value(1));
    Prepare();
    auto exact = report.CreateSalesList(false);
    exact->Refresh();
    std::size_t notFirst = 0;
    auto exactRows = exact->Recordset();
    for (exactRows->MoveFirst(); !exactRows->Eof(); exactRows->MoveNext())
        if (exactRows->Fields().Item("DocumentDate").Value().ToDate().Day() != 1) ++notFirst;
    EXPECT_GT(notFirst, 0u);
    Cube::Engine weekly;
    LoadCube(weekly);
    ASSERT_TRUE(weekly.Dims().Exists("Week"));
    EXPECT_EQ(weekly.Dims().Item("Week").Level(), Cube::PeriodLevel::Week);
}

// A discount document counts against the sum only, a credit note for it; returns count
// against quantity, sum and cost. Lines made for the test, rolled back after it.
TEST_F(SalesCubeTest, DiscountDocumentsCountInTheSumOnly)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string client = "DISC;--'T";
    db.QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ($1, 'Discount client')", {Value(client)});
    const std::string good =
        db.QueryPostgres("SELECT GoodCode FROM REFGoodUnit WHERE IsAccount = 1 ORDER BY GoodCode LIMIT 1")
            .rows.at(0)
            .at(0)
            .ToText();
    for (const char* type : {"PRSF", "PRSD", "SCN", "GPG"}) {
        auto id = db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, CurrencyCode, IsPosted) "
                                   "VALUES ($1, '2026-03-10', 'D-1', 'EUR', 1) RETURNING IDC",
                                   {Value(type)})
                      .rows.at(0)
                      .at(0);
        db.QueryPostgres(std::string("INSERT INTO THDocument") + type + " (DocID) VALUES ($1)", {id});
        db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa, "
                         "CostSumm) VALUES ($1, 1, $2, 'vnt', 4, 4, 121, 80)",
                         {id, Value(good)});
        db.QueryPostgres(std::string("INSERT INTO THGoodSpec") + type + " (DocID, PosNumb, SummVAT) VALUES ($1, 1, 21)",
                         {id});
        db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyCode) "
                         "VALUES ($1, $2, 'PIR', $3)",
                         {id, Value(type), Value(client)});
    }
    params.Add("SelClientList", FieldType::kLongText, Value(client));
    params.Add("SelClientType", FieldType::kInteger, Value(std::int64_t{3}));
    Prepare();
    auto list = report.CreateSalesList(true);
    list->Refresh();
    auto byType = ListSumsBy(*list->Recordset(), "DocTypeCode");
    struct Expect {
        const char* type;
        double quantity, summa, cost;
    };
    for (const Expect& e : {Expect{"PRSF", 4, 100, 80}, Expect{"PRSD", 0, -100, 0}, Expect{"SCN", 0, 100, 0},
                            Expect{"GPG", -4, -100, -80}}) {
        SCOPED_TRACE(e.type);
        EXPECT_EQ(byType[e.type].rows, 1);
        EXPECT_DOUBLE_EQ(byType[e.type].quantity, e.quantity);
        EXPECT_DOUBLE_EQ(byType[e.type].summa, e.summa);
        EXPECT_DOUBLE_EQ(byType[e.type].cost, e.cost);
    }
}

// Each good's text names the unit its quantity is counted in, the account unit or, when asked,
// the common one (a box of 6 to 12 pieces in the demo company), with its group beside it.
TEST_F(SalesCubeTest, GoodTextGroupAndQuantityFollowTheChosenUnit)
{
    for (const int common : {0, 1}) {
        SCOPED_TRACE(common ? "common unit" : "account unit");
        if (params.ExistsField("IsCommon"))
            params.Item("IsCommon").SetValue(Value(common));
        else
            params.Add("IsCommon", FieldType::kFlag, Value(common));
        Prepare();
        auto list = report.CreateSalesList(true);
        list->Refresh();
        auto rs = list->Recordset();
        std::map<std::string, Sums> actual;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            Sums& s = actual[rs->Fields().Item("Good").Value().ToText() + " | " +
                             rs->Fields().Item("GroupT").Value().ToText()];
            s.quantity += rs->Fields().Item("GoodAmount").Value().ToDouble();
            s.summa += rs->Fields().Item("Summa").Value().ToDouble();
            ++s.rows;
        }

        const std::string unitFlag = common ? "IsCommon" : "IsAccount";
        auto expected = book->Db().QueryPostgres(
            "SELECT g.Code || ':' || g.Name || ' [' || cu.UnitCode || '] | ' || e.grp, "
            "SUM(CASE WHEN cu.IsAccount = 1 THEN e.qty ELSE e.qty / cu.Rate END)::float8, SUM(e.summa)::float8, "
            "count(*), bool_or(cu.IsAccount = 0) FROM (" +
            ExpectedRowsSql() + ") e JOIN REFGood g ON g.Code = e.good JOIN REFGoodUnit cu ON cu.GoodCode = e.good AND cu." +
            unitFlag + " = 1 GROUP BY 1");
        ASSERT_FALSE(expected.rows.empty());
        EXPECT_EQ(actual.size(), expected.rows.size());
        long converted = 0;
        for (const auto& row : expected.rows) {
            const std::string key = row.at(0).ToText();
            SCOPED_TRACE(key);
            ASSERT_TRUE(actual.count(key));
            EXPECT_EQ(actual[key].rows, row.at(3).ToInteger());
            EXPECT_NEAR(actual[key].quantity, row.at(1).ToDouble(), kTolerance);
            EXPECT_NEAR(actual[key].summa, row.at(2).ToDouble(), kTolerance);
            if (row.at(4).ToBool()) ++converted;
        }
        // The common unit differs from the account unit for some goods sold: their quantities
        // are divided by the unit's rate.
        if (common) {
            EXPECT_GT(converted, 0);
        }
    }
}
