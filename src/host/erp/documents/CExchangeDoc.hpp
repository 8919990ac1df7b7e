#pragma once

#include "host/erp/documents/ExchangeDifference.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
} // namespace Talvex

namespace Talvex::Erp {

class THDocumentObject;

// The exchange-difference documents of the sibling library Quarn_PayableDoc: for a client,
// the realised exchange differences of its foreign-currency documents settled in a period,
// booked as one "BUSM" document (the gains less the losses, in the account currency) whose
// lines (THExchangeDiffSpec) name each settlement it books. A settlement is booked once: a
// second run of the same period finds nothing new to book and writes nothing.
class CExchangeDoc {
public:
    static constexpr const char* kDocType = "BUSM";
    // The session lock (Data::SessionLock) every writer of exchange-difference documents takes
    // for a unit of work: writers at once take turns, and the second reads what the first
    // booked.
    static constexpr const char* kWritingLock = "Quarn_PayableDoc.CExchangeDoc";

    explicit CExchangeDoc(std::shared_ptr<Book> book);
    ~CExchangeDoc();
    CExchangeDoc(const CExchangeDoc&) = delete;
    CExchangeDoc& operator=(const CExchangeDoc&) = delete;

    // Writes the client's document dated documentDate for the settlements made from dateBeg to
    // dateEnd, as one unit of work inside the caller's: header, party and lines together.
    // isKredit: the client stands on our payables side on balance (it is then the document's
    // seller "PAR", otherwise its buyer "PIR"). currencyCode must be the account currency.
    // Returns false, writing nothing, when no settlement of the period is left to book;
    // ValueError naming the field or the document for what cannot be booked.
    bool Create(const std::string& client, bool isKredit, const std::string& currencyCode, Date documentDate,
                Date dateBeg, Date dateEnd);

    // The document written, or loaded by THDoc().DocById.
    THDocumentObject& Doc() { return *document_; }

    // The settlements of the client's foreign-currency documents made in the period and not
    // yet booked, in the order of their payment's date.
    std::vector<ExchangeSettlement> Settlements(const std::string& client, Date dateBeg, Date dateEnd);

    // The unposted exchange-difference document of the client dated documentDate that books
    // settlements of the period, the newest when there are several: {IDC, Code}.
    std::optional<std::pair<std::int64_t, std::string>> FindDocument(const std::string& client, Date documentDate,
                                                                     Date dateBeg, Date dateEnd);

    // The document service the component works with.
    class DocService {
    public:
        explicit DocService(CExchangeDoc& owner) : owner_(owner) {}
        // Loads the document into Doc(); false when no exchange-difference document has the IDC.
        bool DocById(std::int64_t idc);
        // Deletes the loaded document with its party and lines; false for a posted one, which
        // stays.
        bool DeleteDoc();

    private:
        CExchangeDoc& owner_;
    };
    DocService& THDoc() { return service_; }

private:
    std::shared_ptr<Book> book_;
    std::unique_ptr<THDocumentObject> document_;
    DocService service_{*this};
};

} // namespace Talvex::Erp
