#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Talvex::Erp {

// A party of a document in one role: the buyer (PIR) or seller (PAR) of a set-off document.
struct PartyRow {
    std::int64_t docId = 0;
    std::string docTypeCode;
    std::string rolePartyCode;
    int partyType = 1; // 1: a REFClient code, 2: a REFPerson code
    std::string partyCode;
};

// Writes a document's party rows (THPartyAttribute), checking that the party exists.
class THPartyAttributeObject {
public:
    explicit THPartyAttributeObject(std::shared_ptr<Book> book);

    // ValueError naming the party when it is not in its reference.
    void Write(const PartyRow& row);

private:
    std::shared_ptr<Book> book_;
};

} // namespace Talvex::Erp
