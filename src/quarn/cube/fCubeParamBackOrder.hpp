#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The back orders' parameters: the period whose orders are read; deliveries count up to its
// end.
class fCubeParamBackOrder : public Talvex::Ui::Form {
public:
    fCubeParamBackOrder();

    // Loads the dates from repParams, shows the form modally and, on OK, writes "DateBeg" and
    // "DateEnd" back. True when the user pressed OK.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
