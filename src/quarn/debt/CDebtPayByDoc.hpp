#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/debt/DebtPayByDocFill.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
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

// What the report is asked: the side, the report date and the narrowing filters.
struct DebtPayByDocQuery {
    Talvex::Date repDate;
    long direction = 2; // 1 payables, 2 receivables
    std::string client; // a client code, a person client as "~" + code, or a client group
    bool clientIsGroup = false;
    std::string department;
    std::string marketGroup;
    bool byDepartment = false;
    std::string stateCode;
    bool stateCodeSelected = false;
};

// Debt payment by document: for one side and a report date, the instalments of the
// documents still unpaid, what paid them and when, how many days they are or were late and
// the penalty accrued. It shows no window of its own: the list goes back to the host
// ("DataList", with "TotalSum.xxx" sorted by currency for the totals), which prints it.
// InParams flags choose the short form ("ShortRepKind"), the department mode
// ("FilterByDepartment") and the outstanding accounts ("OutStandingAccounts").
class CDebtPayByDoc : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch: the instalments of the side's documents (one row per stored term, or one for a
    // document without terms) and their payments up to the report date, both unread.
    static std::shared_ptr<Talvex::DataList> NeedPayList(const std::shared_ptr<Talvex::Book>& book,
                                                         const DebtPayByDocQuery& query);
    static std::shared_ptr<Talvex::DataList> PaymentList(const std::shared_ptr<Talvex::Book>& book,
                                                         const DebtPayByDocQuery& query);
    static std::vector<DebtPayNeedRow> ReadNeedRows(Talvex::Data::Recordset& rows);
    static std::vector<DebtPayPayment> ReadPayments(Talvex::Data::Recordset& rows);
    // Show: the fill's rows as the list the host prints.
    static std::shared_ptr<Talvex::Data::Recordset> ResultRecordset(const std::vector<DebtPayResultRow>& rows);
    // The full form from fetch to result.
    static std::shared_ptr<Talvex::Data::Recordset> FullForm(const std::shared_ptr<Talvex::Book>& book,
                                                             const DebtPayByDocQuery& query);
    // The short form (and the outstanding accounts): the open part of each document as of the
    // report date, signed (returns negative), with the payments not linked to any document.
    static std::shared_ptr<Talvex::DataList> ShortList(const std::shared_ptr<Talvex::Book>& book,
                                                       const DebtPayByDocQuery& query);

    // The report's parameters as they stand in OutParams (the form or the caller filled them).
    static DebtPayByDocQuery QueryOf(const Talvex::FieldList& params, bool byDepartment);

private:
    static void AddParameters(const Talvex::FieldList& inParams, Talvex::FieldList& outParams,
                              const std::shared_ptr<Talvex::Book>& book);
    static void AddRates(Talvex::FieldList& outParams, const std::shared_ptr<Talvex::Book>& book, Talvex::Date repDate);
};

} // namespace Quarn_DuzAde
