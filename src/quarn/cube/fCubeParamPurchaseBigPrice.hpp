#pragma once

#include "host/types/Currency.hpp"
#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
class Value;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the purchases-above-price cube: the period, a goods node or good, and
// the excess over the lowest unit cost that is still tolerated, in percent.
class fCubeParamPurchaseBigPrice : public Talvex::Ui::Form {
public:
    fCubeParamPurchaseBigPrice();

    // Loads the controls from params, shows the form modally and, on OK, writes "DateBeg",
    // "DateEnd", "GoodCode", "IsGroup" and "Procent" back. True when the user pressed OK.
    bool Browse(Talvex::FieldList& params, const std::string& title);

    // The tolerated excess a box holds: a number from 0 to 1000 with at most four decimals;
    // throws ValueError naming the control otherwise.
    static Talvex::Currency ReadPercent(const Talvex::Value& value, const char* control);

private:
    void WriteToParams(Talvex::FieldList& params) const;
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
