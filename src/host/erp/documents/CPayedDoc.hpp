#pragma once

#include "host/types/Currency.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp {

class THDocumentObject;

// Links a set-off document to the open documents of one client through payment lines
// (THPaySpec). The caller may name the documents and amounts to settle (AddDocToPay), as a
// set-off planned from its own list does; otherwise the oldest debt is settled first. Either
// way no document is settled beyond what is open on it, nor the set-off beyond its sum.
class CPayedDoc {
public:
    void Init(THDocumentObject& document)
    {
        document_ = &document;
        toPay_.clear();
    }

    // A document the next SetGoodDoc settles: summa in the set-off document's currency,
    // summaCur in the settled document's.
    void AddDocToPay(std::int64_t docId, Currency summa, Currency summaCur);

    // isSetOff: the document settles the client's debt of its side (IsKredit 0 receivables,
    // 1 payables). Returns the sum linked by this call, in the set-off document's currency;
    // a second call links only what the first left over.
    Currency SetGoodDoc(bool isSetOff, const std::string& client);

    // Links the document to one target document: amount in the document's own currency, 0
    // for as much as is open on the target and left of the document's sum. Returns the
    // amount linked. ValueError when the target has nothing open, or when the amount is more
    // than is open on it or left of the document.
    Currency LinkTo(std::int64_t targetIdc, Currency amount);

private:
    struct ToPay {
        std::int64_t docId;
        Currency summa;
        Currency summaCur;
    };
    Currency LinkGiven(Data::Connection& db, std::int64_t setOffId, Currency remaining);

    THDocumentObject* document_ = nullptr;
    std::vector<ToPay> toPay_;
};

} // namespace Talvex::Erp
