#pragma once

#include "host/types/Value.hpp"

#include <string>
#include <vector>

namespace Talvex::Ui {

class Grid;
class Session;

// What a grid shows: its visible columns (names and captions), its visible rows in screen
// order with the values of those columns, and their footers.
struct VisibleGrid {
    std::vector<std::string> names;
    std::vector<std::string> captions; // the caption, or the name when it has none
    std::vector<std::vector<Value>> rows;
    std::vector<Value> footers;
    bool hasFooter = false;
};

// The host's print of a grid: the visible columns and rows as the grid formats them, and
// the footer line when the grid has one. Each print is recorded in the session.
class GridPrinter {
public:
    explicit GridPrinter(Session& session) : session_(session) {}

    static VisibleGrid Visible(const Grid& grid);
    // Tab-separated lines: captions, one line per visible row, then the footers.
    static std::vector<std::string> Lines(const Grid& grid);
    void Print(const Grid& grid, std::string title);

private:
    Session& session_;
};

} // namespace Talvex::Ui
