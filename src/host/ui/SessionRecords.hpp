#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Talvex::Ui {

// What a session has shown, kept for the front ends and for tests to assert.

// What a message box tells the user: news (done, nothing found, a question), or that what
// he entered is refused (a period that ends before it begins). A run without a person behind
// it has failed when its input was refused.
enum class MessageKind { Information, Refusal };

struct MessageRecord {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons; // captions, in order
    std::string answer;               // caption of the button chosen; empty while open
    MessageKind kind = MessageKind::Information;
};

struct ErrorRecord {
    std::string source; // "frmDebtOfClients.btFillList Click", "ProgressRunner", ...
    std::string message;
};

struct ProgressRecord {
    std::string caption;
    long countStep = 0;
    long stepsDone = 0;
    bool cancelled = false; // the user cancelled between two steps
    bool stopped = false;   // a step asked to stop
    bool failed = false;    // a step threw; the error is in the error list
};

struct DocumentRecord {
    std::string docType;
    std::int64_t idc = 0;
};

// What was sent to the host's printer: a grid (its title and printed lines: header, rows,
// footer) or a report printed by its code (the code and the page as HTML).
struct PrintRecord {
    std::string title;
    std::vector<std::string> lines;
    std::string reportCode; // empty for a grid
    std::string html;       // a report's page
};

// The progress window while a run goes.
struct ProgressState {
    std::string caption;
    long step = 0; // the step running or last run, 1-based; 0 before the first
    long count = 0;
    std::string Text() const { return "step " + std::to_string(step) + " of " + std::to_string(count); }
};

} // namespace Talvex::Ui
