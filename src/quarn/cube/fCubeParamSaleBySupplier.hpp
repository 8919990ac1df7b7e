#pragma once

#include "quarn/cube/CubeParamForm.hpp"

namespace Quarn_DuzAde {

// The parameters of sales by supplier: the period, the suppliers, a goods node or good.
// Browse writes "DateBeg", "DateEnd", "GoodCode", "IsGroup", "SelClientList" and
// "SelClientType".
class fCubeParamSaleBySupplier : public CubeParamForm {
public:
    fCubeParamSaleBySupplier();

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
