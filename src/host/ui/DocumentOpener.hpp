#pragma once

#include <cstdint>
#include <string>

namespace Talvex::Ui {

class Session;

// Opens a document of the ERP in the host's document window. The session records each
// opening and tells its observers, who show the document (the web) or keep the record
// (the scripted user).
class DocumentOpener {
public:
    explicit DocumentOpener(Session& session) : session_(session) {}
    DocumentOpener(); // on the current session

    // Throws ValueError for a document type that is empty or an id that is not positive.
    void Open(const std::string& docType, std::int64_t idc);

private:
    Session& session_;
};

} // namespace Talvex::Ui
