#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {

class Book;

// A person attached to a client (its managers first).
struct ClientPersonRow {
    std::string personCode;
    std::string personName;
    std::string roleCode;
    bool isMain = false;
};

// One open term of a document the client is a party of.
struct ClientDebtTerm {
    std::int64_t documentId = 0;
    std::string roleCode; // the client's role on the document: "PIR" buys, "PAR" sells, "MOK" pays
    std::string currencyCode;
    Currency debt;
    Date needPayDate;
};

// The client's open debt in one currency and one direction.
struct ClientDebtLine {
    std::string direction; // "Receivable", "Payable", "Unallocated payments", or another role's code
    std::string currencyCode;
    std::int64_t documents = 0;
    Currency debt;
    Currency overdue; // of it, due before today

    bool operator==(const ClientDebtLine&) const = default;
};

struct ClientCardData {
    std::vector<std::pair<std::string, Value>> fields; // column of REFClient, value
    std::vector<ClientPersonRow> persons;
    std::vector<ClientDebtLine> debt;
};

// Sums a client's open terms by direction and currency, overdue apart; the lines in the
// order direction, currency.
std::vector<ClientDebtLine> SummariseClientDebt(const std::vector<ClientDebtTerm>& terms, Date today);

// Reads the card of a client through the Book; throws ValueError naming the code when the
// client does not exist.
ClientCardData ReadClientCard(Book& book, const std::string& clientCode);

// The card of a client: its code, name and addresses, the persons attached to it and its
// open debt summary, read-only; it prints as the report "ClientCard".
class ClientCard : public Ui::Form {
public:
    static constexpr const char* kFormName = "frmClientCard";
    static constexpr const char* kReportCode = "ClientCard";

    ClientCard(std::shared_ptr<Book> book, const std::string& clientCode);
    const ClientCardData& Data() const { return data_; }

private:
    void Print();

    std::shared_ptr<Book> book_;
    ClientCardData data_;
};

// The card of a row of another reference (a department, a person, a good): its fields,
// read-only, under the reference's captions.
class ReferenceCard : public Ui::Form {
public:
    static constexpr const char* kFormName = "frmRefCard";

    // Throws ValueError for a reference without a card or a code it does not hold.
    ReferenceCard(Book& book, const std::string& reference, const std::string& code);
};

// Registers the card layouts with the host's printer and makes the session open cards
// through the Book of the app's context.
void InstallReferenceCards(Ui::Session& session, std::function<std::shared_ptr<Book>()> book);

} // namespace Talvex
