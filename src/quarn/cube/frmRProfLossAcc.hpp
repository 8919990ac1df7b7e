#pragma once

#include "quarn/cube/CubeParamForm.hpp"

namespace Quarn_DuzAde {

// The parameters of the profit-and-loss cube: the period and the chart of accounts. Browse
// writes "DateBeg", "DateEnd" and "AccSetCode".
class frmRProfLossAcc : public CubeParamForm {
public:
    frmRProfLossAcc();

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
