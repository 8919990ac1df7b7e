// The sales cube on the scale-1 bench company (database talvex_bench, or $TALVEX_BENCH_DB):
// the SQL read of the sales list, the cube build, a re-layout, one drill-down, and the peak
// memory. With --export FILE it also writes the rows the cube was built from as CSV, so
// that bench/sales-cube.sh can time the same aggregation in DuckDB beside it.
#include "host/cube/CubeSource.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/QuoteText.hpp"
#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/cube/RSale.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    // The tests' throwaway cluster, fast and unsafe on purpose: benchmarks rebuild what they need.
    Data::LocalServer server(Data::LocalServer::TestHome(), Data::Durability::Throwaway);
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

double PeakMemoryMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Each run's time, in milliseconds, sorted.
std::vector<double> Timed(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

// The fastest of a few runs: the figure least disturbed by the neighbours.
double BestOf(int runs, const std::function<void()>& step)
{
    return Timed(runs, step).front();
}

std::string MinAndMedian(const std::vector<double>& times)
{
    char text[96];
    std::snprintf(text, sizeof text, "min %.0f ms, median %.0f ms of %zu", times.front(), times[times.size() / 2],
                  times.size());
    return text;
}

// CSV of the cube's source rows: texts quoted, numbers and ISO dates as they are.
void ExportCsv(Data::Recordset& rs, const std::string& path)
{
    std::ofstream out(path);
    const std::size_t columns = rs.Fields().Count();
    for (std::size_t c = 0; c < columns; ++c)
        out << (c ? "," : "") << rs.Fields().Item(c).Name();
    out << "\n";
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        for (std::size_t c = 0; c < columns; ++c) {
            Value v = rs.Fields().Item(c).Value();
            if (c) out << ",";
            if (v.IsNull() || v.IsEmpty()) continue;
            if (v.IsText()) {
                out << Data::QuoteByDoubling(v.ToText(), '"');
            } else {
                out << v.ToInvariantText();
            }
        }
        out << "\n";
    }
}

// The same aggregation written by hand over the base tables in one PostgreSQL statement: each
// sales-side goods line split into its linked parts and the rest no link covers, its net sum
// in the accounting currency at the document's rate, summed by goods group and year with
// subtotals. The reference the cube's read is measured against.
constexpr const char* kHandWrittenSales = R"sql(
WITH docs AS (
    SELECT d.IDC, d.DocTypeCode, d.DocumentDate, d.CurrencyCode,
           CASE WHEN d.DocTypeCode IN ('PRSD', 'GPG') THEN -1 ELSE 1 END AS Sign,
           CASE WHEN d.CurrencyCode = (SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency')
                THEN NULL
                ELSE (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c ON c.Code = r.CurrencyCode
                      WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = c.DefaultRateType
                        AND r.DateApply <= d.DocumentDate ORDER BY r.DateApply DESC LIMIT 1) END AS Rate
    FROM THDocument d
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN')
      AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
      AND EXISTS (SELECT 1 FROM THDocumentPRSF t WHERE t.DocID = d.IDC UNION ALL
                  SELECT 1 FROM THDocumentGPG t WHERE t.DocID = d.IDC UNION ALL
                  SELECT 1 FROM THDocumentPRSD t WHERE t.DocID = d.IDC UNION ALL
                  SELECT 1 FROM THDocumentSCN t WHERE t.DocID = d.IDC)),
vat AS (
    SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSF UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecGPG
    UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSD UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecSCN),
linked AS (SELECT SpecID, sum(AmountAccount) AS Linked FROM THGoodContent WHERE IsVertical = 1 GROUP BY SpecID),
lines AS (
    SELECT d.*, s.IDC AS SpecID, s.GoodCode, s.AmountAccount, s.CostSumm, s.Summa - v.SummVAT AS Net
    FROM docs d JOIN THGoodSpec s ON s.DocID = d.IDC JOIN vat v ON v.DocID = d.IDC AND v.PosNumb = s.PosNumb),
parts AS (
    SELECT l.*, gc.AmountAccount AS Part FROM lines l JOIN THGoodContent gc ON gc.SpecID = l.SpecID AND gc.IsVertical = 1
    UNION ALL
    SELECT l.*, l.AmountAccount - COALESCE(k.Linked, 0) FROM lines l LEFT JOIN linked k ON k.SpecID = l.SpecID
    WHERE l.AmountAccount - COALESCE(k.Linked, 0) > 0)
SELECT COALESCE(g.Parent, '') || ':' || COALESCE(pg.Name, '') AS GroupT, extract(year FROM p.DocumentDate) AS Year,
       sum(CASE WHEN p.DocTypeCode IN ('PRSD', 'SCN') THEN 0 ELSE p.Sign * p.Part END) AS GoodAmount,
       sum(p.Sign * CASE WHEN p.Rate IS NULL THEN COALESCE(p.Net / NULLIF(p.AmountAccount, 0), 0) * p.Part
                         ELSE round(COALESCE(p.Net / NULLIF(p.AmountAccount, 0), 0) * p.Part * p.Rate, 2) END) AS Summa,
       sum(CASE WHEN p.DocTypeCode IN ('PRSD', 'SCN') OR p.Part = 0 THEN 0
                ELSE p.Sign * p.CostSumm / p.AmountAccount * p.Part END) AS Cost
FROM parts p JOIN REFGood g ON g.Code = p.GoodCode LEFT JOIN REFGood pg ON pg.Code = g.Parent
WHERE EXISTS (SELECT 1 FROM REFGoodUnit u WHERE u.GoodCode = g.Code AND u.IsAccount = 1)
GROUP BY CUBE (1, 2)
)sql";

struct Figure {
    std::string step;
    double milliseconds;
    std::string note;
};

} // namespace

int main(int argc, char** argv)
{
    std::string exportPath;
    std::string sqlDir;
    int runs = 1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--export") exportPath = argv[i + 1];
        if (std::string(argv[i]) == "--sql") sqlDir = argv[i + 1];
    }
    // With --sql DIR the statements of the read and the drill-down are written there as the
    // front end gives them (NAME.tsql) and as PostgreSQL runs them (NAME.pg.sql), for EXPLAIN.
    const auto writeSql = [&](const std::string& name, const DataList& list) {
        if (sqlDir.empty()) return;
        const std::string tsql = list.SqlText();
        std::ofstream(sqlDir + "/" + name + ".tsql") << tsql << "\n";
        std::ofstream(sqlDir + "/" + name + ".pg.sql") << Data::TSql::Translate(tsql).postgres << "\n";
    };

    try {
        auto book = Erp::OpenBook(BenchConnectString(), "bench");
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
        Quarn_DuzAde::RSale report;
        if (!report.Prepare(params)) throw std::runtime_error("no Book");

        std::vector<Figure> figures;
        const long goodsLines = static_cast<long>(
            book->Db()
                .QueryPostgres("SELECT count(*) FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
                               "WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PRSF','GPG','PRSD','SCN') "
                               "AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'")
                .rows.at(0)
                .at(0)
                .ToInteger());

        // 1. The SQL read of the sales list as the cube takes it: every row, straight into
        //    the list's recordset.
        std::shared_ptr<DataList> list;
        const auto readTimes = Timed(runs, [&] {
            writeSql("sales-list", *report.CreateSalesList(true));
            list.reset(); // as the window does: the rows read before go first
            list = report.ReadSalesRows();
        });
        auto rs = list->Recordset();
        const long cubeRows = static_cast<long>(rs->RecordCount());
        const double read = readTimes.front();
        figures.push_back({"SQL read of the sales list", read,
                           std::to_string(goodsLines) + " goods lines -> " + std::to_string(cubeRows) + " cube rows; " +
                               MinAndMedian(readTimes)});
        const double afterRead = PeakMemoryMB();
        if (!exportPath.empty()) ExportCsv(*rs, exportPath);

        // 2. The cube build: the rows into the engine, encoded, and the first grid.
        Cube::Engine engine;
        const double build = BestOf(3, [&] {
            engine.SetActive(false);
            engine.AttachRecordset(*rs);
            report.DefineCube(engine);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        // What the read and the cube builds hold; the bench's own peak may come later, from
        // its loads for timing, the CSV export and the drill-downs.
        const double afterFirstGrid = PeakMemoryMB();
        figures.push_back({"cube build (load rows, encode, first grid)", build,
                           std::to_string(engine.Grid().RowCount()) + " rows in the first grid"});
        // Of which the rows taken from the recordset into the engine's columns alone.
        const double load = BestOf(3, [&] { (void)Cube::CubeSource::FromRecordset(*rs); });
        figures.push_back({"  of which loading the rows from the recordset", load, ""});
        figures.push_back({"from the button to the first grid (read + build)", read + build, ""});

        // The reference: the same sums in one hand-written statement, timed in this run.
        Data::ResultSet reference;
        const auto handTimes = Timed(runs, [&] { reference = book->Db().QueryPostgres(kHandWrittenSales); });
        const double handWritten = handTimes.front();
        double referenceTotal = 0;
        for (const auto& row : reference.rows)
            if (row.at(0).IsNull() && row.at(1).IsNull()) referenceTotal = row.at(3).ToDouble();
        figures.push_back({"reference: one hand-written SQL statement", handWritten,
                           std::to_string(reference.rows.size()) + " group x year sums; " + MinAndMedian(handTimes)});

        // 3. A re-layout: department moved onto the rows, the year from the columns to
        //    the rows' second level and month across.
        bool flip = false;
        const double relayout = BestOf(5, [&] {
            flip = !flip;
            engine.Dims().Item("Department").MoveTo(flip ? Cube::Axis::Columns : Cube::Axis::Filter, 0);
            engine.Dims().Item("Year").MoveTo(flip ? Cube::Axis::Rows : Cube::Axis::Columns, 0);
            (void)engine.Grid().ColCount();
        });
        figures.push_back({"re-layout (department to the columns)", relayout,
                           std::to_string(engine.Grid().RowCount()) + " x " +
                               std::to_string(engine.Grid().ColHeaderCount()) + " headers"});

        // 4. One drill-down: the biggest goods group in the first year, its source rows in
        //    the cube and its documents read by SQL from the drill-down list.
        engine.Dims().Item("Department").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Year").MoveTo(Cube::Axis::Columns, 0);
        const auto& grid = engine.Grid();
        std::size_t bestRow = 0;
        double bestSum = -1;
        for (std::size_t row = 0; row + 1 < grid.RowCount(); ++row) {
            double v = grid.FactValue(row, 0, "Summa").value_or(0);
            if (v > bestSum) bestSum = v, bestRow = row;
        }
        const auto& rowDim = *grid.RowDims().at(0);
        const std::string group = rowDim.Member(grid.RowHeader(bestRow).Codes.at(0)).ToText();
        const auto& colDim = *grid.ColDims().at(0);
        const std::int64_t year = colDim.Member(grid.ColHeader(0).Codes.at(0)).ToInteger();
        // The drill-down list as the window reads it: the columns it shows, the cell's
        // members, period and fact condition as the filter.
        const auto drillDown = [&](const std::string& sqlName, const std::string& memberField,
                                   const std::string& member, Date begin, Date end) {
            auto documentsList = report.SalesRowsList(true);
            auto filtered = book->CreateList("");
            filtered->SetSource(documentsList, "oTable", 0);
            filtered->Fields().SelectFields({"IDC", "DocTypeCode", "Number", "DocumentDate", "Seller", "Buyer"});
            filtered->SetFilter(SqlTools::CombineConds(
                CombineMode::kAnd,
                {SqlTools::CondByName("oTable." + memberField, FieldType::kText, SqlOperator::kEqual, Value(member)),
                 SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, SqlOperator::kBetween, Value(begin),
                                      Value(end)),
                 "oTable.Summa <> 0"}));
            writeSql(sqlName, *filtered);
            filtered->Refresh();
            return static_cast<long>(filtered->Recordset()->RecordCount());
        };
        // The first drill-down writes the rows read into the session's table.
        double writeRows = 0;
        {
            const auto start = std::chrono::steady_clock::now();
            writeSql("sales-cube-rows", *report.SalesRowsList(true));
            writeRows = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
        figures.push_back({"first drill-down: the rows into the session's table", writeRows,
                           std::to_string(cubeRows) + " rows"});
        std::size_t cellRows = 0;
        long documents = 0;
        const Date yearBegin(static_cast<int>(year), 1, 1), yearEnd(static_cast<int>(year), 12, 31);
        const double drill = BestOf(3, [&] {
            cellRows = engine.SourceRows(grid.Cell(bestRow, grid.ColumnOf(0, "Summa"))).size();
            documents = drillDown("drill-down", "GroupT", group, yearBegin, yearEnd);
        });
        figures.push_back({"drill-down of the biggest cell (group x year)", drill,
                           std::to_string(cellRows) + " cube rows, " + std::to_string(documents) + " document lines"});
        // A cell as a manager opens it after expanding: the group's most sold good in March.
        const std::string good = book->Db()
                                     .Query("SELECT TOP 1 r.Good FROM " + report.SalesRowsTable() +
                                                " r WHERE r.GroupT = ? GROUP BY r.Good ORDER BY COUNT(*) DESC, r.Good",
                                            {Value(group)})
                                     .rows.at(0)
                                     .at(0)
                                     .ToText();
        long goodDocuments = 0;
        const double drillGood = BestOf(3, [&] {
            goodDocuments = drillDown("drill-down-good", "Good", good, Date(static_cast<int>(year), 3, 1),
                                      Date(static_cast<int>(year), 3, 31));
        });
        figures.push_back(
            {"drill-down of one good in one month", drillGood, std::to_string(goodDocuments) + " document lines"});

        std::printf("Sales cube on talvex_bench (%ld goods lines of sales-side documents, 2025-2026)\n", goodsLines);
        std::printf("%-52s %12s  %s\n", "step", "ms", "");
        for (const auto& f : figures)
            std::printf("%-52s %12.1f  %s\n", f.step.c_str(), f.milliseconds, f.note.c_str());
        std::printf("%-52s %12.1f  %s\n", "peak memory (ru_maxrss, MB)", PeakMemoryMB(),
                    ("after the read " + std::to_string(static_cast<long>(afterRead)) +
                     " MB, through the cube builds " + std::to_string(static_cast<long>(afterFirstGrid)) + " MB")
                        .c_str());
        std::printf("drill-group %s\n", group.c_str());
        std::printf("drill-year %lld\n", static_cast<long long>(year));
        std::printf("cube-group-year-total-summa %.4f\n",
                    grid.FactValue(grid.FindRow({}).value(), grid.FindColHeader({}).value(), "Summa").value_or(0));
        std::printf("reference-total-summa %.4f\n", referenceTotal);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "SalesCubeBench: %s\n", e.what());
        return 1;
    }
}
