#pragma once

#include "host/types/Date.hpp"
#include "quarn/debt/PaymentDocByPRSFFill.hpp"
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

struct PaymentDocByPRSFQuery {
    Talvex::Date dateBeg;
    Talvex::Date dateEnd;
    Talvex::Date repDate;
    std::string client; // a client code, a person client as "~" + code; empty: all
};

// Payment documents by sale invoice: the posted sale invoices ("PRSF") of a period, each
// with the payment documents linked to it (type, number, date, sum linked) as of a report
// date and its unpaid rest, with a total per currency. Hands back the result for the host
// to print ("DataList").
class CPaymentDocByPRSF : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch: the invoices of the period with their payment lines, one row per line (one for
    // an invoice without any), unread, in the report's order.
    static std::shared_ptr<Talvex::DataList> InvoiceList(const std::shared_ptr<Talvex::Book>& book,
                                                         const PaymentDocByPRSFQuery& query);
    static void ReadRows(Talvex::Data::Recordset& rs, std::vector<PrsfInvoice>& invoices,
                         std::vector<PrsfPaymentLink>& links);
    // Fetch and compute.
    static std::vector<PaymentDocByPRSFRow> Compute(const std::shared_ptr<Talvex::Book>& book,
                                                    const PaymentDocByPRSFQuery& query);
    // Show.
    static std::shared_ptr<Talvex::Data::Recordset> ResultRecordset(const std::vector<PaymentDocByPRSFRow>& rows);
    static PaymentDocByPRSFQuery QueryOf(const Talvex::FieldList& params);
};

} // namespace Quarn_DuzAde
