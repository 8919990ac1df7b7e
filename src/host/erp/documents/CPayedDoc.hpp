#pragma once

#include "host/types/Currency.hpp"

#include <cstdint>
#include <string>

namespace Talvex::Erp {

class THDocumentObject;

// Links a set-off document to the open documents of one client through payment lines
// (THPaySpec): the oldest debt is settled first, no document beyond what is open on it,
// until the set-off document's sum is used up.
class CPayedDoc {
public:
    void Init(THDocumentObject& document) { document_ = &document; }

    // isSetOff: the document settles the client's debt of its side (IsKredit 0 receivables,
    // 1 payables). Returns the sum linked by this call, in the set-off document's currency;
    // a second call links only what the first left over.
    Currency SetGoodDoc(bool isSetOff, const std::string& client);

private:
    THDocumentObject* document_ = nullptr;
};

} // namespace Talvex::Erp
