#pragma once

#include "host/types/Value.hpp"
#include "host/ui/RowSource.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Talvex::Ui {

class Session;

// A field of a report's header: a parameter's value under a caption.
struct ReportHeaderField {
    std::string parameter;
    std::string caption;
    std::string format; // DisplayFormat of the value
};

struct ReportColumn {
    std::string name; // the column of the body list
    std::string caption;
    std::string format;
    bool total = false; // summed under the body
};

// How a report printed by its code looks: a title, header fields from the parameters, a
// body from one of the data lists, and optionally a sub-report printed after the body from
// the next list.
struct ReportLayout {
    std::string code;
    std::string title;
    std::vector<ReportHeaderField> header;
    std::vector<ReportColumn> body;
    std::string subReport; // the code of the sub-report; empty: none
};

using ReportParameters = std::vector<std::pair<std::string, Value>>;

// The layouts of the host's printer, by report code; process-wide like the host's own report
// catalogue, filled by the subsystems that print.
class ReportLayouts {
public:
    static ReportLayouts& Host();

    // Replaces a layout of the same code; throws ValueError for a layout without code or body.
    void Register(ReportLayout layout);
    bool Has(const std::string& code) const;
    // Throws UiError naming the code when none is registered.
    ReportLayout Find(const std::string& code) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, ReportLayout> layouts_;
};

// Prints a report by its code with its parameters and data lists: the page is made as HTML
// and recorded in the session, whose front ends show it (the browser's print view) or write
// it (a file from the command line).
class PrintService {
public:
    explicit PrintService(Session& session, const ReportLayouts& layouts = ReportLayouts::Host())
        : session_(session), layouts_(layouts)
    {
    }

    // Throws UiError for an unknown code, ValueError for a header parameter not given, a
    // missing list or a body column the list lacks; nothing is recorded then.
    std::string Print(const std::string& reportCode, const ReportParameters& parameters,
                      const std::vector<std::shared_ptr<const RowSource>>& lists);

    // The page alone, as Print makes it.
    static std::string Render(const ReportLayouts& layouts, const std::string& reportCode,
                              const ReportParameters& parameters,
                              const std::vector<std::shared_ptr<const RowSource>>& lists);

private:
    Session& session_;
    const ReportLayouts& layouts_;
};

// Text made safe inside HTML.
std::string EscapeHtml(const std::string& text);

} // namespace Talvex::Ui
