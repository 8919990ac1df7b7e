#pragma once

#include "host/types/Currency.hpp"
#include "quarn/cube/CubeParamForm.hpp"

namespace Talvex {
class Value;
}

namespace Quarn_DuzAde {

// The parameters of the purchases-above-price cube: the period, a goods node or good, and
// the excess over the lowest unit cost that is still tolerated, in percent. Browse writes
// "DateBeg", "DateEnd", "GoodCode", "IsGroup" and "Procent".
class fCubeParamPurchaseBigPrice : public CubeParamForm {
public:
    fCubeParamPurchaseBigPrice();

    // The tolerated excess a box holds: a number from 0 to 1000 with at most four decimals;
    // throws ValueError naming the control otherwise.
    static Talvex::Currency ReadPercent(const Talvex::Value& value, const char* control);

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
