#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One instalment of an invoice as the sources give it: the document's columns, when the
// instalment falls due and for how much. A document without stored terms comes as one row
// due on its document date for its whole sum (NeedPayID 0).
struct DebtPayNeedRow {
    std::int64_t idc = 0;
    Talvex::Date documentDate;
    std::string number;
    std::string docTypeCode;
    std::string currencyCode;
    bool isPayClosed = false;
    std::string stateCode;
    std::int64_t parentId = 0;
    Talvex::Currency summa;
    std::string contractType;
    std::string departmentCode;
    std::string department;
    Talvex::Date needPayDate;
    Talvex::Currency needPaySum;
    std::int64_t needPayId = 0;
    Talvex::Decimal penalty; // percent per day
    std::string clientCode;
    std::string clientName;
};

// One payment line towards a document (IDC of the document it counts for), dated by its
// payment document; unposted payments count, and are told apart.
struct DebtPayPayment {
    std::int64_t idc = 0;
    Talvex::Date payDocumentDate;
    Talvex::Currency paySumma;
    bool isPosted = true;
};

// An instalment still (partly) open on the report date, with its ageing and penalty and
// the totals of its group (department in the department mode, client, currency).
struct DebtPayResultRow {
    DebtPayNeedRow need;
    Talvex::Currency debt;    // what is left of the instalment
    Talvex::Currency outDebt; // of it, what is overdue on the report date
    long outDay = 0;          // the document's most days late so far
    Talvex::Currency penaltySum;
    Talvex::Currency notPostPaySumma; // the group's payments not yet posted
    Talvex::Currency clientDebt;      // the group's debt, overdue part where a term was late
    Talvex::Currency clientInDebt;    // the group's debt fallen due by the report date
};

struct DebtPayByDocParams {
    Talvex::Date repDate;
    bool byDepartment = false;
};

// Pays each document's instalments from its payments, first in first out, ages what stays
// open against the report date and sums the groups. Pure: rows in, rows out, in the order
// the need-pay rows came (one document's rows by due date).
//
// How the rule is read where it leaves a choice:
// - the days late and the penalty run per document: an instalment paid late in full leaves
//   the list, its days still raise OutDay of the document's later rows, and its penalty is
//   shown on the next row of the document that stays (so each penalty is shown once);
// - a payment line of zero or less (a refund) pays nothing; an instalment of zero or less (a
//   credit note) takes no payment and leaves the list;
// - an instalment's unposted part is what unposted payments paid of it; the group total of
//   those parts is written to every row of the group, as are ClientDebt (every instalment's
//   overdue part where the document was ever late, else its debt) and ClientInDebt (the debt
//   of the instalments due by the report date).
std::vector<DebtPayResultRow> DebtPayByDocFill(std::vector<DebtPayNeedRow> needRows,
                                               std::vector<DebtPayPayment> payments, const DebtPayByDocParams& params);

} // namespace Quarn_DuzAde
