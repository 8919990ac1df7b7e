#pragma once

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace QueryTesting {

// The demo company, opened once per test, with the tests' own SQL beside the lists.
class QueryFixture : public ::testing::Test {
protected:
    void SetUp() override { book = Talvex::Testing::OpenDemoBook("tester"); }

    Talvex::Data::ResultSet Sql(const std::string& postgresSql) { return book->Db().QueryPostgres(postgresSql); }
    Talvex::Value One(const std::string& postgresSql) { return Sql(postgresSql).rows.at(0).at(0); }

    // Every statement the lists build must pass the T-SQL front end.
    static void ExpectParses(const Talvex::DataList& list)
    {
        EXPECT_NO_THROW(Talvex::Data::TSql::Translate(list.SqlText())) << list.SqlText();
    }

    static std::shared_ptr<Talvex::Data::Recordset> Read(Talvex::DataList& list)
    {
        ExpectParses(list);
        list.Refresh();
        return list.Recordset();
    }

    static Talvex::Value At(Talvex::Data::Recordset& rs, const std::string& column)
    {
        return rs.Fields().Item(column).Value();
    }

    // column value -> summed amount, over the whole recordset.
    static std::map<std::string, Talvex::Currency> SumBy(Talvex::Data::Recordset& rs, const std::string& key,
                                                         const std::string& amount)
    {
        std::map<std::string, Talvex::Currency> sums;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            sums[At(rs, key).ToText()] += At(rs, amount).ToCurrency();
        return sums;
    }
    std::map<std::string, Talvex::Currency> SumBySql(const std::string& postgresSql)
    {
        std::map<std::string, Talvex::Currency> sums;
        for (const auto& row : Sql(postgresSql).rows)
            sums[row.at(0).ToText()] += row.at(1).ToCurrency();
        return sums;
    }
    static std::set<std::string> Distinct(Talvex::Data::Recordset& rs, const std::string& column)
    {
        std::set<std::string> values;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            values.insert(At(rs, column).ToText());
        return values;
    }
    std::set<std::string> DistinctSql(const std::string& postgresSql)
    {
        std::set<std::string> values;
        for (const auto& row : Sql(postgresSql).rows)
            values.insert(row.at(0).ToText());
        return values;
    }

    std::shared_ptr<Talvex::Book> book;
};

} // namespace QueryTesting
