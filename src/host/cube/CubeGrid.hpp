#pragma once

#include "host/cube/AxisHeader.hpp"
#include "host/cube/GridCell.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

class Dimension;
class Engine;
class Fact;
class Formula;

// The computed face of the cube for one layout: row and column headers (member tuples with
// their subtotals and the grand total) and, per pair of headers, the folded base values
// from which every fact of that cell is read. Columns run header by header, each with all
// visible facts: column index = column header * fact count + fact.
//
// Headers come in member order with each subtotal after its members and the grand total
// last. Only member combinations that occur in the rows get a header, so empty rows and
// columns never appear. The grid is rebuilt by its engine when the layout changes;
// references into an older grid are then stale.
class CubeGrid {
public:
    std::size_t RowCount() const { return rowHeaders_.size(); }
    std::size_t ColCount() const { return colHeaders_.size() * facts_.size(); }
    std::size_t ColHeaderCount() const { return colHeaders_.size(); }
    std::size_t FactCount() const { return facts_.size(); }

    const std::vector<const Dimension*>& RowDims() const { return rowDims_; }
    const std::vector<const Dimension*>& ColDims() const { return colDims_; }
    const AxisHeader& RowHeader(std::size_t row) const { return rowHeaders_.at(row); }
    const AxisHeader& ColHeader(std::size_t colHeader) const { return colHeaders_.at(colHeader); }
    const Fact& ColumnFact(std::size_t col) const { return *facts_.at(col % facts_.size()); }

    // The header whose members are these keys, outer first (fewer keys: a subtotal).
    std::optional<std::size_t> FindRow(const std::vector<Value>& members) const;
    std::optional<std::size_t> FindColHeader(const std::vector<Value>& members) const;
    // The column of a fact under a column header.
    std::size_t ColumnOf(std::size_t colHeader, std::string_view factName) const;

    GridCell Cell(std::size_t row, std::size_t col) const;
    // A fact by name at a pair of headers; empty when blank. Throws ValueError on an unknown name.
    std::optional<double> FactValue(std::size_t rowHeader, std::size_t colHeader, std::string_view factName) const;
    // A formula evaluated at a pair of headers, as a calculated fact there would be: facts by
    // name, IsTotal(), neighbouring positions and the engine's user functions.
    std::optional<double> EvaluateAt(const Formula& formula, std::size_t rowHeader, std::size_t colHeader) const;
    // A subtotal or the grand total on either axis (a collapsed member is no total).
    bool IsTotalAt(std::size_t rowHeader, std::size_t colHeader) const;
    // The axis "$pos" moves along: the one holding a period level (the columns first), else
    // the columns when they show dimensions, else the rows.
    bool PositionsAlongColumns() const;
    std::size_t RowCountAt(std::size_t rowHeader, std::size_t colHeader) const
    {
        return counts_[rowHeader * colHeaders_.size() + colHeader];
    }
    const Engine& Owner() const { return *engine_; }

private:
    friend class Engine;
    class CellContext;
    std::optional<double> FactValueAt(std::size_t cell, std::string_view name, int depth) const;
    // The header offset places away among its siblings (same outer members, same level).
    std::optional<std::size_t> NeighbourOf(bool columns, std::size_t header, int offset) const;
    std::optional<double> FactOf(std::size_t cell, const Fact& fact, int depth) const;
    static std::optional<std::size_t> Find(const std::vector<AxisHeader>& headers,
                                           const std::vector<const Dimension*>& dims,
                                           const std::vector<Value>& members);

    const Engine* engine_ = nullptr;
    std::vector<const Dimension*> rowDims_;
    std::vector<const Dimension*> colDims_;
    std::vector<AxisHeader> rowHeaders_;
    std::vector<AxisHeader> colHeaders_;
    std::vector<const Fact*> facts_;
    std::size_t baseCount_ = 0;
    // Per cell (row header * column headers + column header), and per base fact.
    std::vector<std::uint64_t> counts_;
    std::vector<double> sums_;
    std::vector<double> mins_;
    std::vector<double> maxs_;
    // Per fact taken at the last member of some dimensions: its value per cell.
    std::vector<std::pair<const Fact*, std::vector<double>>> lasts_;
    // Previous and next sibling of each header (-1: none), built on first use, per axis.
    mutable std::vector<std::int64_t> prevSibling_[2];
    mutable std::vector<std::int64_t> nextSibling_[2];
    mutable bool siblingsKnown_[2] = {false, false};
};

} // namespace Talvex::Cube
