#pragma once

#include "quarn/cube/CubeParamForm.hpp"

namespace Quarn_DuzAde {

// The parameters of the stock rest cube: the period (whole months are shown), a goods node
// or good, and whether quantities are shown in the goods' common unit. Browse writes
// "DateBeg", "DateEnd", "GoodCode", "IsGroup" and "AmountAsWeight".
class fCubeRestAnalysis : public CubeParamForm {
public:
    fCubeRestAnalysis();

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
