// The profit-and-loss cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the SQL read of the cube's list, the cube build to its first grid, the
// two together as the user waits for them, and beside them the same figures in one
// hand-written PostgreSQL statement.
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RProfLossAcc.hpp"
#include "support/BenchSupport.hpp"

#include <cstdio>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// The cube's figures by department, account, first analytic and month, written by hand.
std::string HandWritten(const std::string& accSet)
{
    return R"sql(
SELECT d.Department, s.acc, an.an, date_trunc('month', greatest(p.DatePost, DATE '2025-01-01')) AS month,
       sum(-s.sign * p.SumAcc) AS rest,
       sum(CASE WHEN p.DatePost >= DATE '2025-01-01'
                THEN -s.sign * p.SumAcc ELSE 0 END) AS turn
FROM GLAccountPost p
CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1, 1), (p.CreditAccCode, -1, 0)) AS s (acc, sign, isdebet)
LEFT JOIN THDocument d ON d.IDC = p.DocId
LEFT JOIN LATERAL (SELECT min(a.AnalytTypeCode || ': ' || a.AnalytObjectCode) AS an FROM GLAnalytPost a
                   JOIN GLAccountAnalytType t ON t.AnalytTypeCode = a.AnalytTypeCode
                   WHERE a.AccPostID = p.IDC AND a.IsDebet = s.isdebet AND t.AccSetCode = p.AccSetCode
                     AND t.AccCode = s.acc AND t.PosNumb = 1) an ON TRUE
WHERE p.IsPosted = 1 AND p.AccSetCode = ')sql" +
           accSet + R"sql(' AND p.DatePost <= DATE '2026-12-31' AND left(s.acc, 1) IN ('5', '6')
GROUP BY 1, 2, 3, 4
)sql";
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = Bench::RunsFromArguments(argc, argv);
    return Bench::RunProgram("ProfLossAccBench", [&] {
        auto book = Bench::OpenBook();
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
        Quarn_DuzAde::RProfLossAcc report;
        if (!report.Prepare(params)) throw std::runtime_error("no Book");
        const std::string accSet = report.Params().Item("AccSetCode").GetValue().ToText();
        const Quarn_DuzAde::ProfLossShape shape = report.ReadShape();
        const long postings = static_cast<long>(
            book->Db().QueryPostgres("SELECT count(*) FROM GLAccountPost").rows.at(0).at(0).ToInteger());

        std::shared_ptr<DataList> list;
        const auto read = Bench::Timed(runs, [&] {
            list = report.CreatePostingList(shape, false);
            list->Refresh();
        });
        auto rs = list->Recordset();
        Bench::PrintFigure("SQL read of the posting list", read,
                           std::to_string(postings) + " postings -> " + std::to_string(rs->RecordCount()) +
                               " cube rows");

        Cube::Engine engine;
        const auto build = Bench::Timed(runs, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            Quarn_DuzAde::RProfLossAcc::DefineCube(engine, shape);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Bench::PrintFigure("cube build (load rows, encode, first grid)", build,
                           std::to_string(engine.Grid().RowCount()) + " rows in the first grid");

        const auto whole = Bench::Timed(runs, [&] {
            const auto s = report.ReadShape();
            auto fresh = report.CreatePostingList(s, false);
            fresh->Refresh();
            Cube::Engine e;
            e.AttachRecordset(*fresh->Recordset());
            Quarn_DuzAde::RProfLossAcc::DefineCube(e, s);
            e.SetActive(true);
            (void)e.Grid().RowCount();
        });
        Bench::PrintFigure("from the button to the first grid (read + build)", whole);

        Data::ResultSet reference;
        const auto hand = Bench::Timed(runs, [&] { reference = book->Db().QueryPostgres(HandWritten(accSet)); });
        Bench::PrintFigure("reference: one hand-written SQL statement", hand,
                           std::to_string(reference.rows.size()) + " department x account x analytic x month rows");
        Bench::PrintPeakMemory();
    });
}
