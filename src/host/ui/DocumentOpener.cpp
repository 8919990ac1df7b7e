#include "host/ui/DocumentOpener.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/Session.hpp"

namespace Talvex::Ui {

DocumentOpener::DocumentOpener() : session_(Session::Current()) {}

void DocumentOpener::Open(const std::string& docType, std::int64_t idc)
{
    if (docType.empty()) throw ValueError("DocumentOpener: no document type");
    if (idc <= 0) throw ValueError("DocumentOpener: " + docType + " has no document id " + std::to_string(idc));
    session_.RecordDocument(DocumentRecord{docType, idc});
}

} // namespace Talvex::Ui
