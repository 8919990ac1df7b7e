#include "QueryFixture.hpp"

#include "host/objects/SqlTools.hpp"
#include "quarn/query/CSelectByRef.hpp"

using namespace Talvex;
using Quarn_DuzAde::CSelectByRef;

namespace {

class SelectByRef : public QueryTesting::QueryFixture {
protected:
    void SetUp() override
    {
        QueryFixture::SetUp();
        byRef.InitBook(book);
    }

    // Clients read with a condition the selection gave.
    std::set<std::string> ClientsWhere(DataList& list, const std::string& condition)
    {
        list.SetFilter(SqlTools::AndFilter(list.Filter(), condition));
        auto rs = Read(list);
        return Distinct(*rs, "Code");
    }
    std::shared_ptr<DataList> Clients()
    {
        auto list = book->CreateList("REFClient");
        list->Fields().SelectFields({"Code"});
        return list;
    }
    // The subtree of a node, Node included, by the test's own recursion.
    std::set<std::string> Subtree(const std::string& table, const std::string& node)
    {
        return DistinctSql("WITH RECURSIVE t(Code) AS (SELECT Code FROM " + table + " WHERE Code = '" + node +
                           "' UNION ALL SELECT c.Code FROM " + table +
                           " c JOIN t ON c.Parent = t.Code) "
                           "SELECT Code FROM t");
    }

    CSelectByRef byRef;
};

} // namespace

TEST_F(SelectByRef, ClientsByListNodeAndOneCode)
{
    // Nothing chosen: no condition and the list stays as it was, whatever the type.
    for (long type : {1L, 2L, 3L, 0L}) {
        auto list = Clients();
        std::string before = list->SqlText();
        EXPECT_EQ(byRef.FiltrByClients(*list, "oTable.Code", "", type), "");
        EXPECT_EQ(list->SqlText(), before);
        EXPECT_EQ(list->JoinCount(), 0u);
    }

    auto byList = Clients();
    std::string cond = byRef.FiltrByClients(*byList, "oTable.Code", "'K-LT','K-EU'", 1);
    EXPECT_EQ(ClientsWhere(*byList, cond), (std::set<std::string>{"K-LT", "K-EU"}));

    auto one = Clients();
    EXPECT_EQ(ClientsWhere(*one, byRef.FiltrByClients(*one, "oTable.Code", "K-LT", 3)), std::set<std::string>{"K-LT"});

    // A node: exactly one more join, under "clntT", and the rows of the subtree only.
    for (bool merge : {false, true}) {
        auto node = Clients();
        EXPECT_EQ(byRef.FiltrByClients(*node, "oTable.Code", "K-LT", 2, merge), "");
        EXPECT_EQ(node->JoinCount(), 1u);
        EXPECT_NE(node->SqlText().find("clntT.Code = oTable.Code"), std::string::npos) << node->SqlText();
        auto rs = Read(*node);
        std::set<std::string> expected = Subtree("REFClient", "K-LT");
        EXPECT_GT(expected.size(), 2u);
        EXPECT_EQ(Distinct(*rs, "Code"), expected);
    }

    auto other = Clients();
    EXPECT_EQ(byRef.FiltrByClients(*other, "oTable.Code", "K-LT", 7), "");
    EXPECT_EQ(other->JoinCount(), 0u);
}

TEST_F(SelectByRef, TreeObjectsByNodeListAndOneCode)
{
    std::string group =
        One("SELECT Code FROM REFGood WHERE IsGroup = 1 AND Parent IS NOT NULL ORDER BY Code LIMIT 1").ToText();
    auto goods = book->CreateList("REFGood");
    goods->Fields().SelectFields({"Code"});
    EXPECT_EQ(byRef.FiltrByTreeObj("REFGoodT", *goods, "oTable.Code", group, 2), "");
    EXPECT_EQ(goods->JoinCount(), 1u);
    EXPECT_NE(goods->SqlText().find("Tree.Code = oTable.Code"), std::string::npos);
    auto rs = Read(*goods);
    EXPECT_EQ(Distinct(*rs, "Code"), Subtree("REFGood", group));

    // Goods rows of departments under a department group, through an alias of the caller's.
    std::string depGroup =
        One("SELECT Parent FROM REFDepartment WHERE Parent IS NOT NULL GROUP BY Parent ORDER BY COUNT(*) DESC LIMIT 1")
            .ToText();
    auto docs = book->CreateList("THDocument");
    docs->Fields().SelectFields({"IDC"});
    EXPECT_EQ(byRef.FiltrByTreeObj("REFDepartmentT", *docs, "oTable.Department", depGroup, 2, "DepT", 3), "");
    auto docRows = Read(*docs);
    EXPECT_EQ(docRows->RecordCount(),
              One("WITH RECURSIVE t(Code) AS (SELECT Code FROM REFDepartment WHERE Code = '" + depGroup +
                  "' UNION ALL SELECT d.Code FROM REFDepartment d JOIN t ON d.Parent = t.Code) "
                  "SELECT COUNT(*) FROM THDocument WHERE Department IN (SELECT Code FROM t)")
                  .ToInteger());

    // A list: in-list; an empty list: nothing. One code: equality, even for an empty code.
    auto list = book->CreateList("REFGood");
    EXPECT_EQ(byRef.FiltrByTreeObj("REFGoodT", *list, "oTable.Code", "", 1), "");
    std::string inList = byRef.FiltrByTreeObj("REFGoodT", *list, "oTable.Code", group, 1);
    EXPECT_NE(inList.find(" IN ("), std::string::npos);
    std::string empty = byRef.FiltrByTreeObj("REFGoodT", *list, "oTable.Code", "", 3);
    EXPECT_EQ(empty, "oTable.Code = N''");
    EXPECT_EQ(byRef.FiltrByTreeObj("REFGoodT", *list, "oTable.Code", group, 5), "");
    EXPECT_EQ(list->JoinCount(), 0u);
}

TEST_F(SelectByRef, PersonAndListFiltersOneCodeIsEqualityMoreAreInList)
{
    auto persons = book->CreateList("REFPerson");
    persons->Fields().SelectFields({"Code"});
    auto codes = Sql("SELECT Code FROM REFPerson ORDER BY Code LIMIT 2").rows;
    std::string first = codes.at(0).at(0).ToText();
    std::string second = codes.at(1).at(0).ToText();

    EXPECT_EQ(byRef.FiltrByPersonList(*persons, "oTable.Code", ""), "");
    std::string single = byRef.FiltrByPersonList(*persons, "oTable.Code", "'" + first + "'");
    EXPECT_EQ(single, "oTable.Code = '" + first + "'");
    std::string pair = byRef.FiltrByPersonList(*persons, "oTable.Code", "'" + first + "','" + second + "'");
    EXPECT_NE(pair.find(" IN ("), std::string::npos);
    persons->SetFilter(pair);
    auto rs = Read(*persons);
    EXPECT_EQ(Distinct(*rs, "Code"), (std::set<std::string>{first, second}));

    auto fixes = book->CreateList("THGoodSpecFixLog");
    fixes->Fields().SelectFields({"IDC"});
    fixes->SetFilter(byRef.FiltrByListObj(*fixes, "oTable.FixCategory", "'K'"));
    EXPECT_EQ(Read(*fixes)->RecordCount(),
              One("SELECT COUNT(*) FROM THGoodSpecFixLog WHERE FixCategory = 'K'").ToInteger());
    fixes->SetFilter(byRef.FiltrByListObj(*fixes, "oTable.FixCategory", "'K','A'"));
    EXPECT_EQ(Read(*fixes)->RecordCount(),
              One("SELECT COUNT(*) FROM THGoodSpecFixLog WHERE FixCategory IN ('K','A')").ToInteger());
}

TEST_F(SelectByRef, GoodAccUnitKeepsRowsWithoutGoodOrAccountingUnit)
{
    Data::Transaction tx(book->Db());
    // A row of a good that is not in the reference, so neither join finds it.
    book->Db().Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode) "
                       "SELECT MIN(IDC), 999, 'NO-SUCH-GOOD', 'vnt' FROM THDocument");
    auto goodsRows = book->CreateList("THGoodSpec");
    goodsRows->Fields().SelectFields({"IDC"});
    byRef.GoodAccUnit(*goodsRows, "oTable.GoodCode");
    EXPECT_EQ(goodsRows->JoinCount(), 2u);
    goodsRows->Fields().AddField("GoodName", FieldType::kText, "Good.Name");
    goodsRows->Fields().AddField("AccUnit", FieldType::kCode, "GUnit.UnitCode");
    auto rs = Read(*goodsRows);
    EXPECT_EQ(rs->RecordCount(), One("SELECT COUNT(*) FROM THGoodSpec").ToInteger());
    std::int64_t withoutUnit = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        withoutUnit += At(*rs, "AccUnit").IsNull();
    EXPECT_EQ(withoutUnit, One("SELECT COUNT(*) FROM THGoodSpec s WHERE NOT EXISTS (SELECT 1 FROM REFGoodUnit u "
                               "WHERE u.GoodCode = s.GoodCode AND u.IsAccount = 1)")
                               .ToInteger());
    EXPECT_GE(withoutUnit, 1);
}
