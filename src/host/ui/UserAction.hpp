#pragma once

#include "host/types/Value.hpp"

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace Talvex::Ui {

// What a front end can do to the window model. A window is named by its form name (the
// topmost open window of that name); an empty name means the topmost window.

struct SetValueAction {
    std::string window;
    std::string control;
    Value value; // text as typed, or a typed value; the control checks it
};

struct ClickAction {
    std::string window;
    std::string control;
};

// Rows are indices into the grid's rows as stored (0-based), not positions on screen.
struct DblClickRowAction {
    std::string window;
    std::string grid;
    long row = 0;
    std::string column; // the cell's column; empty keeps the current column
};

// A click on a cell: moves the current cell (the drill-down buttons read it).
struct SetCurrentCellAction {
    std::string window;
    std::string grid;
    long row = 0;
    std::string column; // empty keeps the current column
};

struct SelectRowsAction {
    std::string window;
    std::string grid;
    std::vector<long> rows; // the first becomes the current row
};

// Typed into a cell of an editable column: the column's rule checks it.
struct EditCellAction {
    std::string window;
    std::string grid;
    long row = 0;
    std::string column;
    Value value; // text as typed
};

// A new empty row at the end of a grid that takes rows.
struct AddRowAction {
    std::string window;
    std::string grid;
};

struct DeleteRowAction {
    std::string window;
    std::string grid;
    long row = 0;
};

// Opens the card of the reference row a cell names (a client's card from its code).
struct OpenCardAction {
    std::string window;
    std::string grid;
    long row = 0;
    std::string column;
};

struct ChooseMenuAction {
    std::string window;
    std::string control; // the local list whose menu is used
    std::string key;
};

struct CloseWindowAction {
    std::string window;
};

// The answer to the topmost message box: a button's caption ("Gerai") or its result name
// ("OK", "Cancel", "Yes", "No").
struct AnswerMessageAction {
    std::string answer;
};

// Seen by the progress runner between two steps; dropped when no run is going.
struct CancelProgressAction {};

// Work another thread wants done on the host thread.
struct RunOnHostAction {
    std::function<void()> work;
};

using UserAction = std::variant<SetValueAction, ClickAction, DblClickRowAction, SetCurrentCellAction, SelectRowsAction,
                                EditCellAction, AddRowAction, DeleteRowAction, OpenCardAction, ChooseMenuAction,
                                CloseWindowAction, AnswerMessageAction, CancelProgressAction, RunOnHostAction>;

} // namespace Talvex::Ui
