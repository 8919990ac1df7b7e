#include "quarn/cube/fCubeParamBackOrder.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;

fCubeParamBackOrder::fCubeParamBackOrder() : CubeParamForm("fCubeParamBackOrder")
{
    AddPeriod();
    AddButtons();
}

bool fCubeParamBackOrder::Browse(Talvex::Ui::Form* /*owner*/, FieldList& repParams, const std::string& title)
{
    return CubeParamForm::Browse(repParams, title);
}

void fCubeParamBackOrder::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
}

void fCubeParamBackOrder::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    WritePeriod(params);
}

} // namespace Quarn_DuzAde
