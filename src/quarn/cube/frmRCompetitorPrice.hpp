#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the competitors' prices: the period of the prices' dates and the
// currency they are quoted in.
class frmRCompetitorPrice : public Talvex::Ui::Form {
public:
    frmRCompetitorPrice();

    // Loads "BegPeriod", "EndPeriod" and "CurrencyCode", shows the form modally and, on OK,
    // writes them back. True when the user pressed OK.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
