#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the sales below the lowest price: the period and the price type whose
// prices are the floor.
class fCubeParamSaleInfPrice : public Talvex::Ui::Form {
public:
    fCubeParamSaleInfPrice();

    // Loads "DateBeg", "DateEnd" and "PriceTypeCode", shows the form modally and, on OK,
    // writes them back. True when the user pressed OK.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
