#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>

namespace Talvex::Ui {

class FieldMap;
struct GridColumn;

// The arguments of one event raised to a form. Each event fills the members it carries;
// ByRef arguments (Cancel, a column's caption) are written by the handler and read back
// by whoever raised the event.
struct EventArgs {
    std::string source; // control name, "Form", or the engine's member name ("mBaseDlg")
    std::string event;  // "Click", "DblClick", "Change", "BeforeShow", "OnAddColumn", ...

    long row = -1;                    // DblClick: the row (0-based, as stored)
    std::string column;               // DblClick: the cell's column name
    std::string key;                  // OnRunMDICommand: the menu item's key
    Value value;                      // Change: the new value
    std::string filter;               // OnRefresh: the filter the handler gives the host list
    bool isInsert = false;            // dialog events
    bool cancel = false;              // set by the handler to stop what the event announces
    FieldMap* fields = nullptr;       // dialog events: the record's fields
    GridColumn* gridColumn = nullptr; // OnAddColumn: the column being added
    std::shared_ptr<Object> atomObj;  // BeforeShow, AfterShow: the edited object
};

} // namespace Talvex::Ui
