#pragma once

#include "quarn/cube/CubeParamForm.hpp"

#include <string>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The parameters of the sales below the lowest price: the period and the price type whose
// prices are the floor. Browse writes "DateBeg", "DateEnd" and "PriceTypeCode".
class fCubeParamSaleInfPrice : public CubeParamForm {
public:
    fCubeParamSaleInfPrice();

    // Browse, over the cube window's frame.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
