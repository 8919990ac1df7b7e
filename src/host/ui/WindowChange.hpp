#pragma once

#include <string>

namespace Talvex::Ui {

// One change of a session's window model, as observers (the web client) are told of it.
// The observer reads the rest from the model itself, on the host thread, while being told.
struct WindowChange {
    enum class Kind {
        WindowOpened,
        WindowClosed,
        FormChanged,    // caption, tag
        ControlChanged, // value, caption, enabled, visible, items...
        GridChanged,    // columns, rows, footer, styles, current row, filter
        StatusChanged,
        WaitChanged,
        ProgressStarted,
        ProgressStep,
        ProgressEnded,
        MessageShown,
        MessageAnswered,
        ErrorShown,
        DocumentOpened,
        ReportPrinted, // detail: "<report code>: <title>"
    };
    Kind kind;
    std::string window;  // form name, when the change belongs to a window
    std::string control; // control name, when it belongs to a control
    std::string detail;  // a short text: the new status, the message, the error...
};

} // namespace Talvex::Ui
