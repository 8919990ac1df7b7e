#pragma once

#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RSale.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace RSaleTesting {

using namespace Talvex;

// Sums of the three amounts of a group of rows.
struct Sums {
    double quantity = 0;
    double summa = 0;
    double cost = 0;
    long rows = 0;
};

// The sales cube over the demo company for 2025-2026, with the parameters a test sets.
class SalesCubeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
    }

    // Prepares the report with the parameters as they stand now.
    void Prepare() { ASSERT_TRUE(report.Prepare(params)); }

    // The rows behind the sales list, worked out by the test in plain PostgreSQL: every
    // goods line of a posted sales-side document of the period, split into the parts its
    // vertical content links cover plus the part they leave, with sign, buyer, goods
    // group, the net sum prorated and converted into the accounting currency, and cost.
    //
    // In management accounting (mng) an invoice's buyer is its own customer when it has
    // one, and invoices kept in management accounting or not printed add their extra
    // discount to the net sum.
    std::string ExpectedRowsSql(bool mng = false) const
    {
        const std::string mngFlag = mng ? "TRUE" : "FALSE";
        const std::string acc = book->AccountCurrency();
        return R"sql(
        SELECT t.type, d.IDC AS idc, d.DocumentDate AS docdate, bc.Code AS buyer, bc.IsSubsidiary AS subsidiary, s.GoodCode AS good,
               COALESCE(g.Parent, '') || ':' || COALESCE(pg.Name, '') AS grp,
               t.qsgn * prt.part AS qty,
               t.sgn * (CASE WHEN d.CurrencyCode = ')sql" +
               acc + R"sql(' THEN x.net ELSE ROUND(x.net * cr.Rate, 2) END) AS summa,
               t.qsgn * (CASE WHEN s.AmountAccount = 0 THEN 0 ELSE s.CostSumm / s.AmountAccount * prt.part END) AS cost
        FROM THDocument d
        JOIN (VALUES ('PRSF', 1, 1), ('GPG', -1, -1), ('PRSD', -1, 0), ('SCN', 1, 0)) t(type, sgn, qsgn)
          ON t.type = d.DocTypeCode
        JOIN THGoodSpec s ON s.DocID = d.IDC
        JOIN (SELECT DocID, IsNotPrInvoice FROM THDocumentPRSF UNION ALL SELECT DocID, IsNotPrInvoice FROM THDocumentGPG
              UNION ALL SELECT DocID, IsNotPrInvoice FROM THDocumentPRSD
              UNION ALL SELECT DocID, IsNotPrInvoice FROM THDocumentSCN) h ON h.DocID = d.IDC
        JOIN (SELECT DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecPRSF
              UNION ALL SELECT DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecGPG
              UNION ALL SELECT DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecPRSD
              UNION ALL SELECT DocID, PosNumb, SummVAT, AddDiscountSumm FROM THGoodSpecSCN) v
          ON v.DocID = s.DocID AND v.PosNumb = s.PosNumb
        JOIN REFGood g ON g.Code = s.GoodCode
        LEFT JOIN REFGood pg ON pg.Code = g.Parent
        JOIN REFGoodUnit u ON u.GoodCode = g.Code AND u.IsAccount = 1
        JOIN LATERAL (
            SELECT c.AmountAccount AS part FROM THGoodContent c WHERE c.SpecID = s.IDC AND c.IsVertical = 1
            UNION ALL
            SELECT r.rest FROM (SELECT s.AmountAccount - COALESCE((SELECT SUM(c.AmountAccount) FROM THGoodContent c
                                WHERE c.SpecID = s.IDC AND c.IsVertical = 1), 0) AS rest) r WHERE r.rest > 0) prt ON TRUE
        JOIN LATERAL (SELECT COALESCE((s.Summa - v.SummVAT + CASE WHEN )sql" +
               mngFlag + R"sql( AND t.type = 'PRSF'
                     AND (d.IsMngBKeeping > 0 OR h.IsNotPrInvoice = 1) THEN v.AddDiscountSumm ELSE 0 END)
                     / NULLIF(s.AmountAccount, 0), 0) * prt.part AS net) x ON TRUE
        LEFT JOIN LATERAL (
            SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
            WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
              AND r.DateApply <= d.DocumentDate
            ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
        LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = 'PIR'
        LEFT JOIN THPartyAttribute cust ON )sql" +
               mngFlag + R"sql( AND t.type = 'PRSF' AND cust.DocID = d.IDC
              AND cust.RolePartyCode = 'CUST'
        LEFT JOIN REFClient bc ON bc.Code = COALESCE(cust.PartyCode, pa.PartyCode)
        WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31')sql";
    }

    // Expected sums grouped by a key expression over ExpectedRowsSql's columns.
    std::map<std::string, Sums> ExpectedBy(const std::string& key, const std::string& extraCondition = "TRUE",
                                           bool mng = false)
    {
        auto rs = book->Db().QueryPostgres("SELECT COALESCE((" + key +
                                           ")::text, ''), SUM(qty)::float8, SUM(summa)::float8, SUM(cost)::float8, "
                                           "count(*) FROM (" +
                                           ExpectedRowsSql(mng) + ") e WHERE " + extraCondition + " GROUP BY 1");
        std::map<std::string, Sums> sums;
        for (const auto& row : rs.rows)
            sums[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble(),
                                        static_cast<long>(row.at(4).ToInteger())};
        return sums;
    }

    // Sums of a filled list's rows grouped by one of its columns ("" for one group); every
    // row counts, so a row listed twice shows in the counts.
    static std::map<std::string, Sums> ListSumsBy(Data::Recordset& rs, const std::string& column)
    {
        std::map<std::string, Sums> sums;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            std::string key;
            if (!column.empty()) {
                Value v = rs.Fields().Item(column).Value();
                key = v.IsNull() ? std::string() : v.ToText();
            }
            Sums& s = sums[key];
            auto number = [&rs](const char* name) {
                Value v = rs.Fields().Item(name).Value();
                return v.IsNull() ? 0.0 : v.ToDouble();
            };
            s.quantity += number("GoodAmount");
            s.summa += number("Summa");
            s.cost += number("Cost");
            ++s.rows;
        }
        return sums;
    }

    // The cube loaded from the report's cube list, over the rows it keeps, as the window
    // loads it.
    void LoadCube(Cube::Engine& engine)
    {
        auto list = report.ReadSalesRows();
        list->Refresh();
        engine.AttachRecordset(*list->Recordset());
        report.DefineCube(engine);
        engine.SetActive(true);
    }

    std::shared_ptr<Book> book;
    FieldList params;
    Quarn_DuzAde::RSale report;
};

} // namespace RSaleTesting
