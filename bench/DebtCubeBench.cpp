// The client-debt cube on a report date at the bench scale: from the button to the first
// grid as a user runs it (parameter form answered, debts and unlinked payments read, rows
// sorted into bands, cube activated and folded), a change of the overdue bands in the open
// window (the same rows sorted again, the cube reloaded and folded), and beside them one
// hand-written statement giving the same debt per band straight from the terms, the
// documents, their parties and the day's rates.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/DebtCubeBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. The whole run fails when its grand
// total differs from the reference's.
#include "ScriptedSession.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RDebtOfClients.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Quarn_DuzAde::OverdueInterval;
using Quarn_DuzAde::RDebtOfClients;
using Talvex::Currency;
using Talvex::Value;

constexpr const char* kRepDate = "2026-03-31";
constexpr const char* kAnswers = "fCubeDebtByClients.edRepDate = 2026-03-31\n"
                                 "fCubeDebtByClients.btDefaultBands click\n"
                                 "fCubeDebtByClients.chIsRateByDocDate = 0\n"
                                 "fCubeDebtByClients.cbClient = \"\"\n"
                                 "fCubeDebtByClients.cbDepartment = \"\"\n"
                                 "fCubeDebtByClients.cbPerson = \"\"\n"
                                 "fCubeDebtByClients.selDocState = \"\"\n"
                                 "fCubeDebtByClients.btOk click\n";

// The open debt of every receivable term on the report date in the accounting currency
// (the rate of the invoice's rate date, else of the document date), summed by the bands
// below 30, 30 to 60, 61 to 90 and above 90 days; a client with two managers counts twice,
// as in the cube.
constexpr const char* kReferenceSql = R"sql(
SELECT SUM(x.Amount)::text, count(*)
FROM (
    SELECT CASE WHEN $1::date - t.NeedPayDate < 30 THEN 1 WHEN $1::date - t.NeedPayDate <= 60 THEN 2
                WHEN $1::date - t.NeedPayDate <= 90 THEN 3 ELSE 4 END AS Band,
           CASE WHEN t.CurrencyCode = (SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency')
                THEN t.DebtSumma ELSE ROUND(t.DebtSumma * r.Rate, 2) END AS Amount
    FROM THDocumentPayTermExt($1::date) t
    JOIN THDocument d ON d.IDC = t.IDC
    LEFT JOIN THDocumentPRSF a ON a.DocID = t.IDC
    JOIN THPartyAttribute p ON p.DocID = t.IDC
     AND p.RolePartyCode = CASE WHEN t.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
    LEFT JOIN REFClientPerson m ON m.ClientCode = p.PartyCode AND m.PersonRoleCode = 'MATS'
    LEFT JOIN REFCurrency c ON c.Code = t.CurrencyCode
    LEFT JOIN REFCurrencyRateDay r ON r.CurrencyCode = t.CurrencyCode AND r.RateTypeCode = c.DefaultRateType
     AND r.RateDate = COALESCE(a.RateDate, d.DocumentDate)
    WHERE t.IsPosted = 1 AND t.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
      AND t.DocumentDate <= $1::date AND t.DebtSumma <> 0
) x
)sql";

Currency ReferenceTotal(Talvex::Book& book)
{
    const auto rs = book.Db().QueryPostgres(kReferenceSql, {Value(kRepDate)});
    return Currency::Parse(rs.rows.at(0).at(0).ToText());
}

// The grand total of the debt fact in the cube's current grid.
Currency CubeTotal(Talvex::CCube& cube)
{
    const auto& grid = cube.cube().Grid();
    const auto value = grid.FactValue(*grid.FindRow({}), *grid.FindColHeader({}), "AccNeedPaySum").value_or(0);
    return Currency::Parse(std::to_string(value)).RoundHalfAwayFromZero(2);
}

// A window opened as the user opens it; the report and its window live with it.
struct OpenWindow {
    Bench::ScriptedSession session{kAnswers};
    std::shared_ptr<Talvex::Book> book = Bench::OpenBook("debt_cube_bench");
    std::shared_ptr<RDebtOfClients> report = std::make_shared<RDebtOfClients>();
    Talvex::CCube* cube = nullptr;

    bool Open()
    {
        Talvex::FieldList params;
        params.Add("Book", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
        if (!report->Prepare(params)) return false;
        cube = &Talvex::OpenCubeForm(report);
        (void)cube->cube().Grid();
        return session.ErrorsText().empty() && report->Rows() && !report->Rows()->Rows().empty();
    }
};

void DebtCubeButtonToFirstGrid(benchmark::State& state)
{
    Currency total;
    std::size_t rows = 0;
    for (auto _ : state) {
        OpenWindow window;
        if (!window.Open()) {
            state.SkipWithError(("the cube did not open: " + window.session.ErrorsText()).c_str());
            return;
        }
        total = CubeTotal(*window.cube);
        rows = window.report->Rows()->Rows().size();
    }
    const Currency reference = ReferenceTotal(*Bench::OpenBook("debt_cube_bench"));
    // The cube's double sum may miss by a cent's fraction; more is a wrong figure.
    if ((total - reference).RoundHalfAwayFromZero(1) != Currency())
        state.SkipWithError(("grand total " + total.ToString() + " differs from " + reference.ToString()).c_str());
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["total"] = total.ToDouble();
}

void DebtCubeBandChange(benchmark::State& state)
{
    OpenWindow window;
    if (!window.Open()) {
        state.SkipWithError(("the cube did not open: " + window.session.ErrorsText()).c_str());
        return;
    }
    const Currency before = CubeTotal(*window.cube);
    const std::vector<OverdueInterval> bands[] = {{{15, false, 1}, {45, false, 2}, {120, false, 3}, {365, false, 4}},
                                                  {{30, false, 1}, {60, false, 2}, {90, false, 3}}};
    int turn = 0;
    for (auto _ : state) {
        window.report->ChangeBands(*window.cube, bands[turn++ % 2]);
        (void)window.cube->cube().Grid();
    }
    if (CubeTotal(*window.cube) != before) state.SkipWithError("the grand total moved with the bands");
    state.counters["rows"] = static_cast<double>(window.report->Rows()->Rows().size());
}

// The engine's lower bound for the debt figures: one statement, every band summed.
void DebtCubeReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_cube_bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferenceTotal(*book));
}

} // namespace

BENCHMARK(DebtCubeButtonToFirstGrid)->Apply(Bench::Once);
BENCHMARK(DebtCubeBandChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(DebtCubeReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
