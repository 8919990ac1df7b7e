#pragma once

#include "quarn/cube/CubeParamForm.hpp"

#include <string>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The parameters of the cubes against competitors: the period of the sales and whether the
// competitors' analogues count as well as their same goods. The profit cube shows the same
// form under its own name ("fCubeProfitByComp"). Browse writes "DateBeg", "DateEnd" and
// "IsAnalogue".
class fCubeSaleComp : public CubeParamForm {
public:
    explicit fCubeSaleComp(const char* formName = "fCubeSaleComp");

    // Browse, over the cube window's frame.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
