#pragma once

#include "host/cube/Axis.hpp"
#include "host/cube/BaseFacts.hpp"
#include "host/cube/CellFilterItem.hpp"
#include "host/cube/Conditions.hpp"
#include "host/cube/CubeGrid.hpp"
#include "host/cube/CubeSource.hpp"
#include "host/cube/Dims.hpp"
#include "host/cube/Facts.hpp"
#include "host/cube/Styles.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Cube {

// The OLAP engine behind a cube window. It is defined while inactive (source, dimensions,
// facts); becoming active reads the source once, turning every dimension into one member
// code per row and every base fact into a column of doubles. From then on each layout
// (dimensions on rows, columns and in the filter area, drill-down levels, selections,
// member order) is folded from those codes without touching the source again.
//
// PreGrouping folds rows that agree on every dimension into one before any layout is
// computed: fewer rows to fold per layout, the same totals. The drill-down to source rows
// still reads the per-row codes.
class Engine {
public:
    Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void SetSource(CubeSource source);
    // Loads every field of the recordset's rows (see CubeSource::FromRecordset).
    void AttachRecordset(Data::Recordset& recordset);
    const CubeSource& Source() const { return source_; }

    bool Active() const { return active_; }
    // True reads the source (throws ValueError or FormulaError naming what is wrong in the
    // definition, leaving the engine inactive); false returns to defining.
    void SetActive(bool active);
    bool PreGrouping = false;

    Cube::Dims& Dims() { return dims_; }
    const Cube::Dims& Dims() const { return dims_; }
    Cube::Facts& Facts() { return facts_; }
    const Cube::Facts& Facts() const { return facts_; }
    Cube::BaseFacts& BaseFacts() { return baseFacts_; }
    const Cube::BaseFacts& BaseFacts() const { return baseFacts_; }
    Cube::Styles& Styles() { return styles_; }
    const Cube::Styles& Styles() const { return styles_; }
    // The functions calculated facts and conditions may call ("Delta(Val1, Val2)=...").
    Cube::Functions& UserFunctions() { return functions_; }
    const Cube::Functions& UserFunctions() const { return functions_; }
    // The cube-wide conditions; a fact with OwnConditions uses its own list instead.
    Cube::Conditions& Conditions() { return conditions_; }
    const Cube::Conditions& Conditions() const { return conditions_; }

    // How many of an axis's dimensions are expanded: 0 shows the first dimension's members
    // only, 1 also the second's under each of them, and so on; -1 (the default) expands all.
    void SetDrillDownLevel(Axis axis, int level);
    int DrillDownLevel(Axis axis) const { return drillDown_[static_cast<int>(axis)]; }
    // Expands or collapses one member of an axis against its drill-down level; the member is
    // named by its keys on the axis's dimensions, outer first (a header's members), and
    // must stand above the innermost dimension. Setting the level or moving a dimension of
    // the axis forgets these choices. Throws ValueError naming a key that is no member.
    void SetMemberExpanded(Axis axis, const std::vector<Value>& members, bool expanded);
    bool IsMemberExpanded(Axis axis, const std::vector<Value>& members) const;
    void ClearMemberExpansion(Axis axis);

    // The display text of a member of a dimension with MapType 2.
    using DimMapping = std::function<std::string(const Dimension& dim, const Value& key)>;
    void SetOnDimMapping(DimMapping mapping);

    // The grid of the current layout, recomputed when the layout changed. Throws ValueError
    // while the engine is not active.
    const CubeGrid& Grid() const;

    // The source rows behind a cell, in source order, and the conditions that select them.
    std::vector<std::size_t> SourceRows(const GridCell& cell) const;
    std::vector<CellFilterItem> CellFilter(const GridCell& cell) const;
    // The style the cell's conditions pick: the first condition that holds; null for none.
    const Style* CellStyle(const GridCell& cell) const;

    // Marks the grid out of date; dimensions call it when they move or change selection.
    void Invalidate() { gridValid_ = false; }

private:
    struct Units; // the rows (or pre-grouped rows) a layout is folded from

    void Build();
    void CheckFacts() const;
    void EncodeDimensions();
    void ReadBaseFacts();
    void PreGroup();
    void RankMembers(Dimension& dim) const;
    struct LeafGroups; // the units folded by their members on the shown dimensions
    void ComputeGrid() const;
    std::vector<const Dimension*> ShownDimensions(Axis axis) const;
    bool FoldsExtremes() const;
    void FoldUnits(LeafGroups& groups) const;
    std::vector<AxisHeader> HeadersOf(Axis axis, const LeafGroups& groups, std::size_t firstKeyed,
                                      const std::vector<const Dimension*>& shown,
                                      std::vector<std::uint32_t>& headerOf) const;
    static void AddGroupsToCells(CubeGrid& grid, const LeafGroups& groups,
                                 const std::vector<std::uint32_t>& rowHeaderOf,
                                 const std::vector<std::uint32_t>& colHeaderOf);
    // The facts taken at the last member of some dimensions, cell by cell.
    void FoldLastValues(CubeGrid& grid, const LeafGroups& groups, const std::vector<std::uint32_t>& rowHeaderOf,
                        const std::vector<std::uint32_t>& colHeaderOf) const;
    // Drops the headers under collapsed members and marks the expanded ones.
    void MarkExpansion(Axis axis, std::vector<AxisHeader>& headers, std::vector<std::uint32_t>& headerOf,
                       const std::vector<const Dimension*>& shown) const;
    std::vector<std::vector<char>> SelectionMasks() const;

    CubeSource source_;
    Cube::Dims dims_;
    Cube::Facts facts_;
    Cube::BaseFacts baseFacts_;
    Cube::Styles styles_;
    Cube::Conditions conditions_;
    Cube::Functions functions_;
    DimMapping mapping_;
    int drillDown_[2] = {-1, -1};
    // Members whose expansion differs from their axis's drill-down level, by axis.
    std::vector<std::vector<Value>> toggled_[2];
    bool active_ = false;

    std::vector<std::vector<double>> measures_; // per base fact, per source row
    std::shared_ptr<Units> units_;
    mutable CubeGrid grid_;
    mutable bool gridValid_ = false;
};

} // namespace Talvex::Cube
