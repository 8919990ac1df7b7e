#include "quarn/cube/frmRProfLossAcc.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
namespace In = CubeParamInput;

namespace {
constexpr long kChartText = 15808;
} // namespace

frmRProfLossAcc::frmRProfLossAcc() : CubeParamForm("frmRProfLossAcc")
{
    AddPeriod();
    Add(ControlKind::ComboBox, "cbAccSet", ModuleFormRes().GetString(kChartText))
        .BindLookup({"GLAccSet", "Code", "Name"});
    AddButtons();
}

void frmRProfLossAcc::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    Ctl("cbAccSet").SetValue(Value(In::Text(params, "AccSetCode")));
}

void frmRProfLossAcc::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const std::string accSet = CtlText("cbAccSet");
    if (accSet.empty()) throw Talvex::ValueError("cbAccSet: choose the chart of accounts");
    if (auto book = In::BookOf(params)) In::CheckCodesExist(*book, "GLAccSet", {accSet}, "cbAccSet", "chart of accounts");
    WritePeriod(params);
    params.Add("AccSetCode", FieldType::kCode, Value(accSet));
}

} // namespace Quarn_DuzAde
