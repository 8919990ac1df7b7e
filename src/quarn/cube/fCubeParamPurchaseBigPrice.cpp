#include "quarn/cube/fCubeParamPurchaseBigPrice.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {
constexpr long kToleranceText = 15763;
} // namespace

fCubeParamPurchaseBigPrice::fCubeParamPurchaseBigPrice() : CubeParamForm("fCubeParamPurchaseBigPrice")
{
    AddPeriod();
    AddGoods();
    Add(ControlKind::NumberBox, "edProcent", ModuleFormRes().GetString(kToleranceText));
    AddButtons();
}

void fCubeParamPurchaseBigPrice::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    LoadGoods(params);
    Ctl("edProcent").SetValue(params.ExistsField("Procent") ? params.Item("Procent").GetValue() : Value(0));
}

Currency fCubeParamPurchaseBigPrice::ReadPercent(const Value& value, const char* control)
{
    const std::string text = value.IsNull() || value.IsEmpty() ? std::string("0") : value.ToInvariantText();
    Currency percent;
    if (!Currency::ParseExact(text, percent))
        throw Talvex::ValueError(std::string(control) + ": '" + text +
                                 "' is not a percentage (a number such as 10 or 2.5)");
    if (percent < Currency() || percent > Currency::FromInteger(1000))
        throw Talvex::ValueError(std::string(control) + ": the tolerated excess must be from 0 to 1000 percent, not " +
                                 percent.ToString());
    return percent;
}

void fCubeParamPurchaseBigPrice::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const Currency percent = ReadPercent(Ctl("edProcent").GetValue(), "edProcent");
    const GoodsChoice goods = ReadGoods(params);
    WritePeriod(params);
    WriteGoods(params, goods);
    params.Add("Procent", FieldType::kAmount, Value(percent));
}

} // namespace Quarn_DuzAde
