#pragma once

#include "host/types/Value.hpp"
#include "quarn/sales/BuyFromPersonXml.hpp"

#include <string>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Writes the list of purchases from persons as the XML file of the tax form FR0471.
class CRepBuyFromPersonXML : public Talvex::Object {
public:
    // The error raised when there is no file name or nothing to declare (0x80040001).
    static constexpr long kFillError = -2147221503L;

    // Writes the list in "DataList" to "FileName" through the session (the browser downloads
    // it). Raises ModuleError kFillError when the file name is empty or the list holds no
    // row; nothing is written then.
    void Fill(Talvex::FieldList& parm);

    // The company's header fields from the Book's own-company settings, today from its clock.
    static Fr0471Header HeaderOf(const Talvex::Book& book);
};

} // namespace Quarn_DuzAde
