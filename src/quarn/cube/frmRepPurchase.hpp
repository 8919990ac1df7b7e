#pragma once

#include "quarn/cube/CubeParamForm.hpp"

namespace Quarn_DuzAde {

// The parameters of the purchases cube: the period, the suppliers, a goods node or good,
// and whether service rows count. Browse writes "DateBeg", "DateEnd", "GoodCode", "IsGroup",
// "SelClientList", "SelClientType" and "IsCalcServiceSum".
class frmRepPurchase : public CubeParamForm {
public:
    frmRepPurchase();

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
