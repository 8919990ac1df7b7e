#pragma once

#include "quarn/cube/CubeParamForm.hpp"

#include <string>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The back orders' parameters: the period whose orders are read; deliveries count up to its
// end. Browse writes "DateBeg" and "DateEnd".
class fCubeParamBackOrder : public CubeParamForm {
public:
    fCubeParamBackOrder();

    // Browse, over the cube window's frame.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
