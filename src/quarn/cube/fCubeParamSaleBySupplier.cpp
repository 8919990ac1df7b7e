#include "quarn/cube/fCubeParamSaleBySupplier.hpp"

#include "host/objects/FieldList.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;

namespace {
constexpr long kSupplierText = 15601;
} // namespace

fCubeParamSaleBySupplier::fCubeParamSaleBySupplier() : CubeParamForm("fCubeParamSaleBySupplier")
{
    AddPeriod();
    AddSuppliers(kSupplierText);
    AddGoods();
    AddButtons();
}

void fCubeParamSaleBySupplier::LoadFromParams(const FieldList& params)
{
    LoadPeriod(params);
    LoadGoods(params);
    LoadSuppliers(params);
}

void fCubeParamSaleBySupplier::WriteToParams(FieldList& params) const
{
    CheckPeriod();
    const GoodsChoice goods = ReadGoods(params);
    const std::vector<std::string> suppliers = ReadSuppliers(params);
    WritePeriod(params);
    WriteGoods(params, goods);
    WriteSuppliers(params, suppliers);
}

} // namespace Quarn_DuzAde
