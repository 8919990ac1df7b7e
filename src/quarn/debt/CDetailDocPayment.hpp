#pragma once

#include "host/types/Date.hpp"
#include "quarn/debt/DocPaymentDetailFill.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <cstdint>
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

// The document the detail is about.
struct DocPaymentHeader {
    std::int64_t idc = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date documentDate;
    std::string currencyCode;
    Talvex::Currency summa;
    std::string clientCode;
    std::string clientName;
};

// Detailed document payment: one document's terms and every payment laid on each, with its
// date, sum and days late or early, and the rest open per term, as of a report date. The
// document comes by its number, from the list on the form, or by "DocID" in InParams from a
// caller that has it at hand. Hands back the result for the host to print ("DataList").
class CDetailDocPayment : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The document with the number; throws ValueError naming the control when there is none
    // or several documents carry it.
    static std::int64_t FindDocument(Talvex::Book& book, const std::string& number, const char* control);

    // Fetch: the document, its stored terms and the payment lines linked to it.
    static DocPaymentHeader ReadHeader(const std::shared_ptr<Talvex::Book>& book, std::int64_t docId);
    static std::vector<PayTerm> ReadTerms(const std::shared_ptr<Talvex::Book>& book, const DocPaymentHeader& doc);
    static std::vector<DocPaymentLine> ReadPayments(const std::shared_ptr<Talvex::Book>& book, std::int64_t docId);

    // Fetch and compute.
    static std::vector<DocPaymentDetailRow> Detail(const std::shared_ptr<Talvex::Book>& book, std::int64_t docId,
                                                   Talvex::Date repDate, DocPaymentHeader& header);
    // Show.
    static std::shared_ptr<Talvex::Data::Recordset> ResultRecordset(const DocPaymentHeader& header,
                                                                    const std::vector<DocPaymentDetailRow>& rows);
};

} // namespace Quarn_DuzAde
