// The expected cash-flow cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the read of the open terms with their clients, the compute and the
// cube build to its first grid, and beside them the same totals in one hand-written
// PostgreSQL statement.
#include "host/cube/CubeSource.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "quarn/cube/RPendingCashFlow.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// The net expected flow by direction and due month, written by hand.
std::string HandWritten(const std::string& fromDay, const std::string& acc)
{
    return R"sql(
SELECT t.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') AS incoming, date_trunc('month', t.NeedPayDate) AS month,
       sum((CASE WHEN t.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') THEN 1 ELSE -1 END) *
           CASE WHEN t.CurrencyCode = ')sql" +
           acc + R"sql(' THEN t.DebtSumma ELSE round(t.DebtSumma * (
             SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
             WHERE r.CurrencyCode = t.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
               AND r.DateApply <= t.NeedPayDate ORDER BY r.DateApply DESC LIMIT 1), 2) END) AS open
FROM THDocumentPayTermCur t
JOIN THPartyAttribute p ON p.DocID = t.IDC AND p.RolePartyCode = CASE
     WHEN t.DocTypeCode IN ('PISF','PGA','PIS','PISD','BCN') THEN 'PAR' WHEN t.DocTypeCode = 'TID' THEN 'GAV'
     WHEN t.DocTypeCode = 'TPPI' THEN 'VEZ' ELSE 'PIR' END
WHERE t.IsPosted = 1 AND t.NeedPayDate >= ')sql" +
           fromDay + R"sql(' AND t.DebtSumma <> 0 AND p.PartyType IN (1, 2)
  AND t.DocTypeCode IN ('PISF','TPPI','GPG','TID','PRSF','TPPR','PGA','PISD','PRSD','SCN','BCN')
GROUP BY 1, 2
)sql";
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    return Bench::RunProgram("PendingCashFlowBench", [&] {
        auto book = Bench::OpenBook();
        Quarn_DuzAde::PendingCashFlowParams params;
        params.dateBeg = Date(book->Today().Year(), 1, 1);

        std::vector<Quarn_DuzAde::PendingTerm> terms;
        const auto read = Bench::Timed(runs, [&] { terms = Quarn_DuzAde::RPendingCashFlow::ReadTerms(book, params); });
        Bench::PrintFigure("read of the open terms with their clients", read, std::to_string(terms.size()) + " terms");

        std::shared_ptr<Data::Recordset> rs;
        std::size_t flows = 0;
        const auto compute = Bench::Timed(runs, [&] {
            Quarn_DuzAde::PendingFlowRows rows(terms, Quarn_DuzAde::RPendingCashFlow::Texts());
            rs = rows.ToRecordset();
            flows = rows.Rows().size();
        });
        Bench::PrintFigure("compute (sign, leave paid terms out, recordset)", compute,
                           std::to_string(flows) + " flows");

        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            engine.SetSource(Cube::CubeSource::FromRecordset(*rs));
            Quarn_DuzAde::RPendingCashFlow::DefineCube(engine, false);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build,
                           std::to_string(engine.Grid().RowCount()) + " rows in the first grid");

        const auto whole = Bench::Timed(runs, [&] {
            auto rows = Quarn_DuzAde::RPendingCashFlow::Compute(book, params);
            auto fresh = rows.ToRecordset();
            Cube::Engine e;
            e.SetSource(Cube::CubeSource::FromRecordset(*fresh));
            Quarn_DuzAde::RPendingCashFlow::DefineCube(e, false);
            e.SetActive(true);
            (void)e.Grid().RowCount();
        });
        Bench::PrintFigure("from the button to the first grid (read + build)", whole);

        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] {
            reference = book->Db().QueryPostgres(HandWritten(params.dateBeg.ToIso(), book->AccountCurrency()));
        });
        double referenceNet = 0;
        for (const auto& row : reference.rows)
            referenceNet += row.at(2).IsNull() ? 0 : row.at(2).ToDouble();
        const auto net = Quarn_DuzAde::PendingFlowRows(terms, Quarn_DuzAde::RPendingCashFlow::Texts()).GrandTotals();
        char figures[160];
        std::snprintf(figures, sizeof figures, "; net %.2f, the cube's %.2f", referenceNet,
                      (net.in + net.out).ToDouble());
        Bench::PrintFigure("reference: one hand-written SQL statement", hand,
                           std::to_string(reference.rows.size()) + " direction x month rows" + figures);
        Bench::PrintPeakMemory();
    });
}
