#include "quarn/cube/frmRepPurchase.hpp"

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
constexpr long kSupplierText = 15601;
constexpr long kServicesText = 15608;
} // namespace

frmRepPurchase::frmRepPurchase() : CubeParamForm("frmRepPurchase")
{
    AddPeriod();
    AddSuppliers(kSupplierText);
    AddGoods();
    Add(ControlKind::CheckBox, "chCountServiceSum", ModuleFormRes().GetString(kServicesText));
    AddButtons();
}

void frmRepPurchase::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    LoadGoods(params);
    LoadSuppliers(params);
    Ctl("chCountServiceSum").SetValue(Value(CubeParamInput::Flag(params, "IsCalcServiceSum") ? 1 : 0));
}

void frmRepPurchase::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const GoodsChoice goods = ReadGoods(params);
    const std::vector<std::string> suppliers = ReadSuppliers(params);
    WritePeriod(params);
    WriteGoods(params, goods);
    params.Add("IsCalcServiceSum", FieldType::kFlag, Value(CtlFlag("chCountServiceSum")));
    WriteSuppliers(params, suppliers);
}

} // namespace Quarn_DuzAde
