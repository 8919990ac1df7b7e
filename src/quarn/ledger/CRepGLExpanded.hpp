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
};

} // namespace Quarn_DuzAde
