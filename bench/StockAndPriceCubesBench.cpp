// The purchases-above-price cube, the price-deviation cube and the stock rest cube on the scale-1 bench company
// (database talvex_bench, or $TALVEX_BENCH_DB): each from the button to its first grid (read,
// compute, cube build), and beside it the same figures in one hand-written PostgreSQL
// statement over the base tables. Five runs each by default (--runs N); min and median shown.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RPurchaseBigPrice.hpp"
#include "quarn/cube/RRestAnalysis.hpp"
#include "quarn/cost/RDiffCostPrice.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// Every purchase row of the year against its goods' cheapest row, by supplier and mark.
constexpr const char* kPurchasesByHand = R"sql(
WITH r AS (
    SELECT s.GoodCode, s.AmountAccount AS q, s.CostSumm AS c, p.PartyCode AS party
    FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
    LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
      AND s.CostSumm <> 0 AND s.AmountAccount <> 0),
m AS (SELECT DISTINCT ON (GoodCode) GoodCode, c AS mc, q AS mq FROM r ORDER BY GoodCode, c / q)
SELECT party, CASE WHEN c * mq = mc * q THEN 1 WHEN c * mq * 100 > mc * q * 108 THEN 3 ELSE 2 END AS mark,
       SUM(q), SUM(c), SUM(ROUND(mc * q / mq, 4))
FROM r JOIN m USING (GoodCode) GROUP BY 1, 2
)sql";

// The price deviation's rows for every good of the year: how many, and the cost and quantity
// of the row with the lowest cost price.
constexpr const char* kDeviationByHand = R"sql(
WITH r AS (
    SELECT s.CostSumm AS c, s.AmountAccount AS q
    FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID
    JOIN REFGood g ON g.Code = s.GoodCode
    WHERE d.IsPosted = 1 AND d.DocTypeCode = 'PISF' AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
      AND s.CostSumm <> 0 AND s.AmountAccount <> 0
      AND EXISTS (SELECT 1 FROM REFGoodUnit u WHERE u.GoodCode = g.Code AND u.IsAccount = 1))
SELECT (SELECT count(*) FROM r), c, q FROM r ORDER BY c / q LIMIT 1
)sql";

// The stock of the year by outermost goods group, from the base tables: what the lots of the
// year brought, what the takes dated in the year took from the lots (at each lot's unit
// cost), and the rest at the year's end.
constexpr const char* kStockByHand = R"sql(
WITH RECURSIVE up AS (
    SELECT Code, Parent, Code AS Top FROM REFGood WHERE Parent IS NULL
    UNION ALL SELECT g.Code, g.Parent, up.Top FROM REFGood g JOIN up ON g.Parent = up.Code),
lots AS (
    SELECT gs.IDC, gs.GoodCode, d.DocumentDate, gs.AmountAccount, gs.CostSumm
    FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID
    JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF') AND d.DocumentDate <= '2025-12-31'),
outs AS (
    SELECT l.GoodCode, od.DocumentDate, ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0) * f.Amount, 4) AS Cost
    FROM THGoodSpecFixLog f JOIN lots l ON l.IDC = f.IncomeSpecID
    JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
    WHERE od.DocumentDate <= '2025-12-31'),
per_good AS (
    SELECT GoodCode, SUM(CostSumm) FILTER (WHERE DocumentDate >= '2025-01-01') AS Income, 0 AS Outgo,
           SUM(CostSumm) AS Rest FROM lots GROUP BY 1
    UNION ALL
    SELECT GoodCode, 0, SUM(Cost) FILTER (WHERE DocumentDate >= '2025-01-01'), -SUM(Cost) FROM outs GROUP BY 1)
SELECT up.Top, COALESCE(SUM(p.Income), 0), COALESCE(SUM(p.Outgo), 0), SUM(p.Rest)
FROM per_good p JOIN up ON up.Code = p.GoodCode GROUP BY 1
)sql";

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    bool agree = true;
    const int status = Bench::RunProgram("StockAndPriceCubesBench", [&] {
        auto book = Bench::OpenBook();
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
        params.Add("Procent", FieldType::kAmount, Value(Currency::FromInteger(8)));

        Quarn_DuzAde::RPurchaseBigPrice purchases;
        if (!purchases.Prepare(params)) throw std::runtime_error("no Book");
        std::size_t lines = 0, gridRows = 0;
        const auto purchaseRun = Bench::Timed(runs, [&] {
            const auto rows = purchases.ReadRows();
            lines = rows.size();
            auto rs = purchases.Compute(rows).ToRecordset(purchases.MarkTexts());
            Cube::Engine engine;
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RPurchaseBigPrice::DefineCube(engine);
            engine.SetActive(true);
            gridRows = engine.Grid().RowCount();
        });
        Bench::PrintFigure("purchases above price: button to first grid", purchaseRun,
              std::to_string(lines) + " purchase rows, " + std::to_string(gridRows) + " grid rows");
        Data::ResultSet reference;
        const auto purchaseHand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kPurchasesByHand); });
        Bench::PrintFigure("reference: one hand-written SQL statement", purchaseHand,
              std::to_string(reference.rows.size()) + " supplier x mark rows");

        // The price deviation at its widest: every good bought in the year (opened from a cell
        // it reads one good), rows read, the lowest cost price found and marked, first grid.
        FieldList deviationParams;
        deviationParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        deviationParams.Add("BegDate", FieldType::kDate, Value(Date(2025, 1, 1)));
        deviationParams.Add("EndDate", FieldType::kDate, Value(Date(2025, 12, 31)));
        deviationParams.Add("GoodCode", FieldType::kCode, Value(std::string()));
        deviationParams.Add("Procent", FieldType::kAmount, Value(Currency::FromInteger(8)));
        deviationParams.Add("CalcMinCost", FieldType::kFlag, Value(1));
        Quarn_DuzAde::RDiffCostPrice deviation;
        if (!deviation.Prepare(deviationParams)) throw std::runtime_error("no Book");
        std::size_t deviationRows = 0;
        Decimal lowest;
        const auto deviationRun = Bench::Timed(runs, [&] {
            auto list = deviation.CreateSourceList();
            list->Refresh();
            auto rs = list->Recordset();
            std::vector<Decimal> costs, amounts;
            const std::size_t cost = rs->Fields().Item("CostSumm").Index();
            const std::size_t amount = rs->Fields().Item("AmountAccount").Index();
            for (std::size_t row : rs->ViewRows()) {
                costs.push_back(rs->StoredValue(row, cost).ToDecimal());
                amounts.push_back(rs->StoredValue(row, amount).ToDecimal());
            }
            deviationRows = costs.size();
            Cube::Engine engine;
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RDiffCostPrice::DefineCube(engine);
            const auto minCost = Quarn_DuzAde::RDiffCostPrice::LowestCostPrice(costs, amounts);
            if (!minCost) throw std::runtime_error("no purchase rows with a quantity");
            lowest = minCost->exact;
            Quarn_DuzAde::RDiffCostPrice::MarkPrices(
                engine, *minCost, Quarn_DuzAde::RDiffCostPrice::BigPriceThreshold(minCost->exact, Currency::FromInteger(8)));
            engine.SetActive(true);
            gridRows = engine.Grid().RowCount();
        });
        Bench::PrintFigure("price deviation, every good: button to first grid", deviationRun,
                           std::to_string(deviationRows) + " purchase rows, " + std::to_string(gridRows) + " grid rows");
        const auto deviationHand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kDeviationByHand); });
        const auto& cheapest = reference.rows.at(0);
        const Decimal referenceLowest = cheapest.at(1).ToDecimal() / cheapest.at(2).ToDecimal();
        const bool deviationAgrees =
            cheapest.at(0).ToInteger() == static_cast<std::int64_t>(deviationRows) && referenceLowest == lowest;
        agree = agree && deviationAgrees;
        Bench::PrintFigure("reference: one hand-written SQL statement", deviationHand,
                           deviationAgrees ? std::string("same rows and lowest cost price")
                                           : "DIFFERENT: lowest " + referenceLowest.ToString() + " against " +
                                                 lowest.ToString());

        Quarn_DuzAde::RRestAnalysis stock;
        if (!stock.Prepare(params)) throw std::runtime_error("no Book");
        std::size_t months = 0;
        const auto stockRun = Bench::Timed(runs, [&] {
            const auto rows = stock.ReadRows();
            months = rows.Rows().size();
            auto rs = rows.ToRecordset();
            Cube::Engine engine;
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RRestAnalysis::DefineCube(engine, rows.Levels());
            engine.SetActive(true);
            gridRows = engine.Grid().RowCount();
        });
        Bench::PrintFigure("stock rests: button to first grid", stockRun,
              std::to_string(months) + " goods months, " + std::to_string(gridRows) + " grid rows");
        const auto stockHand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(kStockByHand); });
        // The cube's year against the reference: in, out and the rest at the year's end.
        Currency in, out, rest, refIn, refOut, refRest;
        const auto year = stock.ReadRows();
        for (const auto& row : year.Rows()) {
            if (row.dateEnd.Year() != 2025) continue;
            in += row.incomeCost;
            out += row.fixedCost;
            if (row.dateEnd == Date(2025, 12, 31)) rest += row.restCost;
        }
        for (const auto& row : reference.rows) {
            refIn += row[1].ToCurrency();
            refOut += row[2].ToCurrency();
            refRest += row[3].ToCurrency();
        }
        const bool stockAgrees = in == refIn && out == refOut && rest == refRest;
        agree = agree && stockAgrees;
        Bench::PrintFigure("reference: one hand-written SQL statement", stockHand,
              std::to_string(reference.rows.size()) + " goods groups, " +
                  (stockAgrees ? "same in, out and rest" : "DIFFERENT: rest " + rest.ToString() + " against " +
                                                         refRest.ToString()));
        Bench::PrintPeakMemory();
    });
    return status != 0 || !agree ? 1 : 0;
}
