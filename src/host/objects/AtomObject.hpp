#pragma once

#include "host/types/Value.hpp"

#include <string>

namespace Talvex {

// A host object a dialog edits (a document, a reference record): it names its kind.
class AtomObject : public Object {
public:
    // "THDocument", or the document type the object stands for ("CPAY").
    virtual std::string ObjectName() const = 0;
};

} // namespace Talvex
