#pragma once

#include "quarn/cube/CubeParamForm.hpp"

namespace Quarn_DuzAde {

// The parameters of the expected cash-flow cube: the day the terms are due from, the
// direction (both, what we owe, what is owed to us), a market group of clients, whether the
// cash payment plans count, branches under their centre and the week level.
class fCubeParamPayQ : public CubeParamForm {
public:
    // Browse writes "DateBeg", "Direction", "MarketGroup", "MarketGroupSelType",
    // "IncludeCPAY", "CenterBranch", "ContractType" and "IncludeDimWeek".
    fCubeParamPayQ();

private:
    void LoadFromParams(const Talvex::FieldList& params) override;
    void WriteToParams(Talvex::FieldList& params) const override;
};

} // namespace Quarn_DuzAde
