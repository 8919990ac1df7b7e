#include "web/GridChart.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

namespace Talvex::Web {

const char* const kOtherCategory = "Other";

namespace {

bool IsSeriesColumn(const Ui::GridColumn& column)
{
    if (column.role == Ui::ColumnRole::Fact) return true;
    if (column.role == Ui::ColumnRole::RowHeader) return false;
    return column.EffectiveAlignment() == Ui::Alignment::Right;
}

bool IsMemberColumn(const Ui::GridColumn& column)
{
    return column.headerKind == Ui::HeaderKind::None || column.headerKind == Ui::HeaderKind::Member;
}

// A cell as an exact number; an empty cell, a text or a date is no figure.
std::optional<Decimal> Figure(const Value& value)
{
    const auto& raw = value.Raw();
    if (const auto* whole = std::get_if<std::int64_t>(&raw)) return Decimal::FromInteger(*whole);
    if (const auto* money = std::get_if<Currency>(&raw)) return Decimal::FromCurrency(*money);
    if (const auto* exact = std::get_if<Decimal>(&raw)) return *exact;
    if (const auto* real = std::get_if<double>(&raw)) {
        if (!std::isfinite(*real)) return std::nullopt;
        return Decimal::FromDouble(*real);
    }
    return std::nullopt;
}

std::string SeriesName(const Ui::GridColumn& column)
{
    if (column.headerPath.empty()) return column.caption.empty() ? column.name : column.caption;
    std::vector<std::string> parts;
    const std::size_t skip = column.headerPath.size() > ChartLimits::kMaxNameDepth
                                 ? column.headerPath.size() - ChartLimits::kMaxNameDepth
                                 : 0;
    for (std::size_t k = skip; k < column.headerPath.size(); ++k)
        if (!column.headerPath[k].empty()) parts.push_back(column.headerPath[k]);
    if (!column.factName.empty()) parts.push_back(column.factName);
    std::string name;
    for (const auto& part : parts)
        name += (name.empty() ? "" : " / ") + part;
    return name;
}

Decimal Magnitude(const Decimal& value)
{
    return value.IsNegative() ? -value : value;
}

} // namespace

void CheckChartLimits(const ChartLimits& limits)
{
    if (limits.categories < ChartLimits::kMinCategories || limits.categories > ChartLimits::kMaxCategories)
        throw ValueError("chart: 'categories' must be between " + std::to_string(ChartLimits::kMinCategories) +
                         " and " + std::to_string(ChartLimits::kMaxCategories));
    if (limits.series < 1 || limits.series > ChartLimits::kMaxSeries)
        throw ValueError("chart: 'series' must be between 1 and " + std::to_string(ChartLimits::kMaxSeries));
}

GridChart ChartOfGrid(const Ui::Grid& grid, const ChartLimits& limits)
{
    CheckChartLimits(limits);
    const auto& columns = grid.Columns();

    std::vector<std::size_t> numbers;
    std::vector<std::size_t> labels;
    std::vector<std::size_t> headers;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (!columns[c].visible) continue;
        if (IsSeriesColumn(columns[c])) numbers.push_back(c);
        else labels.push_back(c);
        if (columns[c].role == Ui::ColumnRole::RowHeader) headers.push_back(c);
    }
    // A cube's total columns repeat their members: charted only when no member shows.
    std::vector<std::size_t> seriesColumns;
    for (std::size_t c : numbers)
        if (IsMemberColumn(columns[c])) seriesColumns.push_back(c);
    if (seriesColumns.empty()) seriesColumns = numbers;
    if (!headers.empty()) labels = headers;

    // Which rows count: a cube's members and plain rows; a plain grid's bold rows are its
    // subtotals unless every row is bold.
    const std::vector<std::size_t> visible = grid.VisibleRows();
    auto bold = [&](std::size_t row) {
        const std::string& id = grid.RowStyleId(row);
        if (id.empty()) return false;
        const Ui::RowStyle* style = grid.Style(id);
        return style != nullptr && style->bold;
    };
    const bool anyPlain = std::any_of(visible.begin(), visible.end(), [&](std::size_t row) { return !bold(row); });
    auto counts = [&](std::size_t row) {
        const Ui::HeaderKind kind = grid.RowInfo(row).kind;
        if (kind == Ui::HeaderKind::Subtotal || kind == Ui::HeaderKind::GrandTotal) return false;
        return !(anyPlain && bold(row));
    };

    // One pass: every column's total, and the largest rows (by the sum of their figures'
    // sizes) in a heap whose top is the smallest kept; ties keep the earlier row.
    const std::size_t keep = limits.categories - 1; // room for "Other"
    std::vector<Decimal> totals(seriesColumns.size());
    std::vector<Decimal> sizes(seriesColumns.size());
    using Ranked = std::pair<Decimal, std::size_t>; // size, position among visible rows
    // The heap's order: its top is the smallest size, the later row among equal ones.
    auto heapOrder = [](const Ranked& a, const Ranked& b) {
        if (a.first != b.first) return a.first > b.first;
        return a.second < b.second;
    };
    std::priority_queue<Ranked, std::vector<Ranked>, decltype(heapOrder)> largest(heapOrder);
    std::vector<std::size_t> charted; // positions among the visible rows, in order
    GridChart chart;
    for (std::size_t position = 0; position < visible.size(); ++position) {
        const std::size_t row = visible[position];
        if (!counts(row)) continue;
        ++chart.rows;
        Decimal size;
        for (std::size_t s = 0; s < seriesColumns.size(); ++s) {
            const std::optional<Decimal> figure = Figure(grid.Cell(row, seriesColumns[s]));
            if (!figure) continue;
            totals[s] = totals[s] + *figure;
            sizes[s] = sizes[s] + Magnitude(*figure);
            size = size + Magnitude(*figure);
        }
        largest.push({size, position});
        if (largest.size() > keep + 1) largest.pop(); // one more than kept: whether all fit
    }
    // Popped smallest first: when not all rows fit, the smallest of them joins "Other".
    std::vector<Ranked> kept;
    for (; !largest.empty(); largest.pop())
        kept.push_back(largest.top());
    if (chart.rows > limits.categories) kept.erase(kept.begin());
    for (const auto& ranked : kept)
        charted.push_back(ranked.second);
    std::sort(charted.begin(), charted.end());
    chart.otherRows = chart.rows - charted.size();

    // The series: the largest columns in the grid's order, the rest summed as "Other".
    std::vector<std::size_t> shownSeries(seriesColumns.size());
    for (std::size_t s = 0; s < shownSeries.size(); ++s)
        shownSeries[s] = s;
    std::vector<std::size_t> folded;
    if (shownSeries.size() > limits.series) {
        std::stable_sort(shownSeries.begin(), shownSeries.end(),
                         [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
        folded.assign(shownSeries.begin() + static_cast<long>(limits.series - 1), shownSeries.end());
        shownSeries.resize(limits.series - 1);
        std::sort(shownSeries.begin(), shownSeries.end());
        chart.otherSeries = folded.size();
    }

    for (std::size_t position : charted) {
        const std::size_t row = visible[position];
        std::string label;
        for (std::size_t c : labels)
            if (std::string text = grid.CellText(row, c); !text.empty()) label = std::move(text);
        chart.categories.push_back(label.empty() ? std::to_string(row + 1) : label);
    }
    if (chart.otherRows) chart.categories.push_back(kOtherCategory);

    auto seriesOf = [&](const std::vector<std::size_t>& members) {
        GridChart::Series series;
        for (std::size_t s : members)
            series.total = series.total + totals[s];
        Decimal shown;
        for (std::size_t position : charted) {
            std::optional<Decimal> sum;
            for (std::size_t s : members)
                if (auto figure = Figure(grid.Cell(visible[position], seriesColumns[s])))
                    sum = sum ? *sum + *figure : *figure;
            if (sum) shown = shown + *sum;
            series.values.push_back(sum);
        }
        if (chart.otherRows) series.values.push_back(series.total - shown);
        return series;
    };
    for (std::size_t s : shownSeries) {
        GridChart::Series series = seriesOf({s});
        const Ui::GridColumn& column = columns[seriesColumns[s]];
        series.name = SeriesName(column);
        series.column = column.name;
        series.format = column.format;
        chart.series.push_back(std::move(series));
    }
    if (!folded.empty()) {
        GridChart::Series other = seriesOf(folded);
        other.name = kOtherCategory;
        other.format = columns[seriesColumns[folded.front()]].format;
        chart.series.push_back(std::move(other));
    }
    return chart;
}

} // namespace Talvex::Web
