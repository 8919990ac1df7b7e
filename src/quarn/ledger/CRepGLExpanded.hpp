#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/ledger/GLExpandedFill.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The expanded account statement for a period: for each chosen account (and every account
// under a chosen group) its opening balances, turnovers and closing balances, followed by its
// turnover with each correspondent account. Read through the database command service, whose
// read-only cursor takes no locks, with a long time-out for a long period.
class CRepGLExpanded : public Talvex::Object, public ReportExecBase {
public:
    // A long statement over years of postings may run for minutes.
    static constexpr long kCommandTimeout = 600;

    struct Parameters {
        Talvex::Date begPeriod;
        Talvex::Date endPeriod;
        std::string accSetCode;
        std::vector<std::string> accounts; // one group, or posting accounts
    };

    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch and compute without a form; nothing when a read failed (reported).
    std::optional<std::vector<GLExpandedRow>> Fill(const std::shared_ptr<Talvex::Book>& book,
                                                   const Parameters& parameters) const;
    static std::shared_ptr<Talvex::Data::Recordset> ResultList(const std::vector<GLExpandedRow>& rows);

    // The statement's self-check on a sample: the whole chart of the Book's first account set
    // (its top accounts with everything under them) from the start of the Book's year to its
    // today. True when every check holds; otherwise the findings are shown to the user and
    // the result is false. Takes the Book of the host's current context.
    bool Test();
    // The same checks on a statement of the given parameters; the findings, none when it holds.
    std::vector<std::string> Test(const std::shared_ptr<Talvex::Book>& book, const Parameters& parameters) const;
    // The checks themselves, on rows of a statement. Every total row: opening + debit - credit
    // turnover = closing. Every posting account: its correspondent rows add up to its
    // turnovers. When the statement covers a whole chart (wholeChart): its posting accounts'
    // debit turnovers equal their credit turnovers, so do the correspondent rows, and the
    // opening and closing balances net to zero.
    static std::vector<std::string> SelfCheck(const std::vector<GLExpandedRow>& rows, bool wholeChart);
};

} // namespace Quarn_DuzAde
