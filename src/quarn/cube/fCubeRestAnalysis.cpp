#include "quarn/cube/fCubeRestAnalysis.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {
constexpr long kCommonUnitText = 15793;
} // namespace

fCubeRestAnalysis::fCubeRestAnalysis() : CubeParamForm("fCubeRestAnalysis")
{
    AddPeriod();
    AddGoods();
    Add(ControlKind::CheckBox, "chAmountAsWeight", ModuleFormRes().GetString(kCommonUnitText));
    AddButtons();
}

void fCubeRestAnalysis::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    LoadGoods(params);
    Ctl("chAmountAsWeight").SetValue(Value(CubeParamInput::Flag(params, "AmountAsWeight") ? 1 : 0));
}

void fCubeRestAnalysis::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const GoodsChoice goods = ReadGoods(params);
    WritePeriod(params);
    WriteGoods(params, goods);
    params.Add("AmountAsWeight", FieldType::kFlag, Value(CtlFlag("chAmountAsWeight")));
}

} // namespace Quarn_DuzAde
