#pragma once

#include "quarn/cube/CubeParamForm.hpp"

#include <string>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The parameters of the competitors' prices: the period of the prices' dates and the
// currency they are quoted in. Browse writes "BegPeriod", "EndPeriod" and "CurrencyCode".
class frmRCompetitorPrice : public CubeParamForm {
public:
    frmRCompetitorPrice();

    // Browse, over the cube window's frame.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
