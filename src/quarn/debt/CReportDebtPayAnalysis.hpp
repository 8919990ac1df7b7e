#pragma once

#include "host/types/Date.hpp"
#include "quarn/debt/DebtPayAnalysisFill.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

struct DebtPayAnalysisQuery {
    Talvex::Date dateBeg;
    Talvex::Date dateEnd;
    Talvex::Date repDate;
    long direction = 2; // 1 payables, 2 receivables
    std::string client; // a client code, a person client as "~" + code; empty: all
};

// Debt payment analysis: how clients pay. For the terms falling due in a period, per client
// and month, what fell due, what was paid by the report date and on time, the average and
// the sum-weighted days late, and what is still open and overdue, with client and grand
// totals. Hands back the result for the host to print ("DataList").
class CReportDebtPayAnalysis : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch and compute: the side's terms and payments, analysed.
    static std::vector<DebtPayAnalysisRow> Analyse(const std::shared_ptr<Talvex::Book>& book,
                                                   const DebtPayAnalysisQuery& query);
    // Show: the rows as the list the host prints.
    static std::shared_ptr<Talvex::Data::Recordset> ResultRecordset(const std::vector<DebtPayAnalysisRow>& rows);
    // The report's parameters as they stand in OutParams.
    static DebtPayAnalysisQuery QueryOf(const Talvex::FieldList& params);
};

} // namespace Quarn_DuzAde
