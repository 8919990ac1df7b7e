#include "quarn/cube/fCubeSaleComp.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {
constexpr long kAnalogueText = 15180;
} // namespace

fCubeSaleComp::fCubeSaleComp(const char* formName) : CubeParamForm(formName)
{
    AddPeriod();
    Add(ControlKind::CheckBox, "chIsAnalogue", ModuleFormRes().GetString(kAnalogueText));
    AddButtons();
}

bool fCubeSaleComp::Browse(Talvex::Ui::Form* /*owner*/, FieldList& repParams, const std::string& title)
{
    return CubeParamForm::Browse(repParams, title);
}

void fCubeSaleComp::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    Ctl("chIsAnalogue").SetValue(Value(CubeParamInput::Flag(params, "IsAnalogue") ? 1 : 0));
}

void fCubeSaleComp::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    WritePeriod(params);
    params.Add("IsAnalogue", Talvex::FieldType::kFlag, Value(CtlFlag("chIsAnalogue")));
}

} // namespace Quarn_DuzAde
