#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The global dialog factory: the module's form for a document type whose editing dialog
// the module supplies, or nothing for any other type.
class CreateVornUserDialogs : public Talvex::Object {
public:
    std::shared_ptr<Talvex::Ui::Form> CreateDialogs(const std::string& objName, const Talvex::Value& vntParm) const;
};

} // namespace Quarn_DuzAde
