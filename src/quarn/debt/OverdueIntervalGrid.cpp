#include "quarn/debt/OverdueIntervalGrid.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"

#include <algorithm>
#include <sstream>

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::ValueError;
using Talvex::Ui::CellRule;
using Talvex::Ui::CellType;

namespace {

bool IsBlank(const Value& v)
{
    return v.IsNull() || v.IsEmpty();
}

long OrderOf(const Talvex::Ui::Grid& grid, std::size_t row)
{
    const Value& order = grid.Cell(row, "DaysOrder");
    return IsBlank(order) ? static_cast<long>(row + 1) : static_cast<long>(order.ToInteger());
}

// What is wrong with the bound typed into a row: the other rows as they stand, the edited
// one with its new value, rows without a bound yet left out.
std::string DaysProblem(const Talvex::Ui::Grid& grid, const Value& value, std::size_t row)
{
    std::vector<OverdueInterval> intervals;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
        const Value days = r == row ? value : grid.Cell(r, "Days");
        if (IsBlank(days)) continue;
        intervals.push_back({static_cast<long>(days.ToInteger()), false, OrderOf(grid, r)});
    }
    try {
        (void)OverdueBands::FromIntervals(intervals, {}, {});
    } catch (const ValueError& e) {
        // The cell's refusal names the column itself.
        std::string problem = e.what();
        if (problem.rfind("Days: ", 0) == 0) problem = problem.substr(6);
        return problem;
    }
    return {};
}

} // namespace

void OverdueIntervalGrid::AddTo(Talvex::Ui::Form& form, const std::string& gridName, bool withPayBefore)
{
    auto& grid = form.AddGrid(gridName);
    grid.AddColumn("Days", "Days");
    if (withPayBefore) grid.AddColumn("IsPayBefore", "Paid before");
    grid.AddColumn("DaysOrder", "Order");
    CellRule days = CellRule::Of(CellType::Integer);
    days.required = true;
    days.check = [](const Value& value, const Talvex::Ui::Grid& g, std::size_t row) {
        return DaysProblem(g, value, row);
    };
    grid.SetEditable("Days", days);
    if (withPayBefore) {
        CellRule flag = CellRule::Of(CellType::Integer);
        flag.minimum = Talvex::Currency::FromInteger(0);
        flag.maximum = Talvex::Currency::FromInteger(1);
        grid.SetEditable("IsPayBefore", flag);
    }
    grid.SetRowsAddable(true);
    grid.SetRowsDeletable(true);
    // A new interval goes last, with a place after every other.
    form.On(gridName, "AddRow", [&form, gridName, withPayBefore](Talvex::Ui::EventArgs& args) {
        auto& g = form.GridCtl(gridName);
        long last = 0;
        for (std::size_t r = 0; r < g.RowCount(); ++r)
            if (static_cast<long>(r) != args.row) last = std::max(last, OrderOf(g, r));
        g.SetCell(static_cast<std::size_t>(args.row), "DaysOrder", Value(static_cast<std::int64_t>(last + 1)));
        if (withPayBefore) g.SetCell(static_cast<std::size_t>(args.row), "IsPayBefore", Value(0));
    });
}

std::vector<OverdueInterval> OverdueIntervalGrid::Read(const Talvex::Ui::Form& form, const std::string& gridName)
{
    const auto& grid = form.GridCtl(gridName);
    const bool withPayBefore = grid.FindColumn("IsPayBefore").has_value();
    std::vector<OverdueInterval> intervals;
    for (std::size_t r = 0; r < grid.RowCount(); ++r) {
        const Value& days = grid.Cell(r, "Days");
        if (IsBlank(days))
            throw ValueError(gridName + ": Days: row " + std::to_string(r + 1) + " has no number of days");
        bool before = false;
        if (withPayBefore) {
            const Value& flag = grid.Cell(r, "IsPayBefore");
            before = !IsBlank(flag) && flag.ToInteger() == 1;
        }
        intervals.push_back({static_cast<long>(days.ToInteger()), before, OrderOf(grid, r)});
    }
    try {
        (void)OverdueBands::FromIntervals(intervals, {}, {});
    } catch (const ValueError& e) {
        throw ValueError(gridName + ": " + e.what());
    }
    std::stable_sort(intervals.begin(), intervals.end(),
                     [](const OverdueInterval& a, const OverdueInterval& b) { return a.daysOrder < b.daysOrder; });
    return intervals;
}

void OverdueIntervalGrid::Show(Talvex::Ui::Form& form, const std::string& gridName,
                               const std::vector<OverdueInterval>& intervals)
{
    auto& grid = form.GridCtl(gridName);
    const bool withPayBefore = grid.FindColumn("IsPayBefore").has_value();
    grid.ClearRows();
    std::int64_t place = 0;
    for (const auto& interval : intervals) {
        std::vector<Value> cells{Value(static_cast<std::int64_t>(interval.days))};
        if (withPayBefore) cells.emplace_back(interval.isPayBefore ? 1 : 0);
        cells.emplace_back(++place);
        grid.AddRow(std::move(cells));
    }
}

std::string OverdueIntervalGrid::ToText(const std::vector<OverdueInterval>& intervals)
{
    std::string text;
    for (const auto& interval : intervals)
        text += (text.empty() ? "" : ";") + std::to_string(interval.days) + ":" + (interval.isPayBefore ? "1" : "0");
    return text;
}

std::vector<OverdueInterval> OverdueIntervalGrid::Parse(const std::string& text)
{
    std::vector<OverdueInterval> intervals;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        if (item.empty()) continue;
        const auto colon = item.find(':');
        OverdueInterval interval;
        interval.days = std::stol(item.substr(0, colon));
        interval.isPayBefore = colon != std::string::npos && item.substr(colon + 1) == "1";
        interval.daysOrder = static_cast<long>(intervals.size() + 1);
        intervals.push_back(interval);
    }
    return intervals;
}

} // namespace Quarn_DuzAde
