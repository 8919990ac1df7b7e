#pragma once

#include "host/types/Currency.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Talvex::Erp {

class THDocumentObject;

// A line of a payment: the document it pays and how much of it, in the payment's currency.
struct PayLine {
    std::int64_t corDocId = 0;
    Currency summa; // 0 on a new line: as much as is open on the document and left of the payment
};

// The host's payment document "MP": our payment to a client (a vendor), its sum, and the
// documents it pays (THPaySpec lines). Saving writes header, payee and lines as one unit of
// work inside the caller's; a line never pays more than is open on its document, nor the
// lines together more than the payment's sum.
class THPaymentDocument {
public:
    static constexpr const char* kDocType = "MP";

    explicit THPaymentDocument(std::shared_ptr<Book> book);
    ~THPaymentDocument();

    // A new payment to the client, dated the Book's today, in the accounting currency.
    void New(const std::string& client, Currency summa);
    // ValueError when no "MP" document has the IDC.
    void Load(std::int64_t idc);

    const std::string& Client() const { return client_; }
    void SetClient(const std::string& client);
    Currency Summa() const;
    void SetSumma(Currency summa);
    // The lines as saved (amounts as linked), or as set since.
    const std::vector<PayLine>& Lines() const { return lines_; }
    void SetLines(std::vector<PayLine> lines);

    // Inserts or updates the payment with its payee and lines; returns its IDC.
    std::int64_t Save();
    // Removes the payment with its payee and lines; ValueError for a posted payment.
    void Delete();

    std::int64_t IDC() const;
    THDocumentObject& Document() { return *document_; }

private:
    void ReadLines();
    std::shared_ptr<Book> book_;
    std::unique_ptr<THDocumentObject> document_;
    std::string client_;
    std::vector<PayLine> lines_;
};

} // namespace Talvex::Erp
