#include "quarn/cube/fCubeParamSaleInfPrice.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {
constexpr long kFloorTypeText = 15194;
} // namespace

fCubeParamSaleInfPrice::fCubeParamSaleInfPrice() : CubeParamForm("fCubeParamSaleInfPrice")
{
    AddPeriod();
    Add(ControlKind::ComboBox, "cbPriceType", ModuleFormRes().GetString(kFloorTypeText))
        .BindLookup({"REFPriceType", "Code", "Name"});
    AddButtons();
}

bool fCubeParamSaleInfPrice::Browse(Talvex::Ui::Form* /*owner*/, FieldList& repParams, const std::string& title)
{
    return CubeParamForm::Browse(repParams, title);
}

void fCubeParamSaleInfPrice::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    if (params.ExistsField("PriceTypeCode")) Ctl("cbPriceType").SetValue(params.Item("PriceTypeCode").GetValue());
}

void fCubeParamSaleInfPrice::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const std::string code = CtlText("cbPriceType");
    if (code.empty()) throw Talvex::ValueError("cbPriceType: choose the price type of the lowest price");
    if (auto book = CubeParamInput::BookOf(params))
        CubeParamInput::CheckCodesExist(*book, "REFPriceType", {code}, "cbPriceType", "price type");
    WritePeriod(params);
    params.Add("PriceTypeCode", Talvex::FieldType::kCode, Value(code));
}

} // namespace Quarn_DuzAde
