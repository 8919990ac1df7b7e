// The cube window's side of RSale: its parameters, the cube's definition and data, the
// member texts and the drill-down to the documents behind a cell.
#include "quarn/cube/RSale.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Dimension.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/cube/fCubeParamDatesSale.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

namespace {
constexpr long kSellerText = 15028;
constexpr long kBuyerText = 15123;
constexpr long kLoadWaitText = 22170;
constexpr long kNothingSoldText = 15693;
} // namespace

void RSale::OnOpenCube(Talvex::CCube& cube)
{
    try {
        if (!AskParams(cube)) return;
        ReadFlags();
        DefineCube(cube.cube());
        cube.VAxis().SetDrillDownLevel(0);
        cube.SetCaption(CubeCaption());
        std::shared_ptr<Talvex::DataList> list;
        {
            // Reading the sales rows is the long step of the cube's load: the same wait text.
            Talvex::Ui::CWaitInfo wait;
            wait.Show(OLAP::ResString(kLoadWaitText));
            list = ReadSalesRows();
        }
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        wrapper_->SetDirectDataList(list);
        wrapper_->SetRedBackForNegValue();
        OLAP::TellWhenEmpty(*list, kNothingSoldText, *params_);
    } catch (...) {
        ReportError();
    }
}

bool RSale::AskParams(Talvex::CCube& cube)
{
    fCubeParamDatesSale form;
    return form.Browse(&cube.Parent(), *params_, ModuleFormRes().GetString(FrameCaptionText()));
}

void RSale::OnLoad(Talvex::CCube& cube, std::vector<std::string>& /*userMenuItems*/)
{
    try {
        cube.Parent().SetCaption(ModuleFormRes().GetString(FrameCaptionText()));
    } catch (...) {
        ReportError();
    }
}

void RSale::OnDimMapping(Talvex::CCube& /*cube*/, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                         std::string& value)
{
    try {
        if (IsMappedDim(viewDim.Name())) value = DimMappingText(viewDim.Name(), key);
    } catch (...) {
        ReportError();
    }
}

void RSale::OnFactCellDblClick(Talvex::CCube& /*cube*/, const Talvex::Cube::GridCell& cell)
{
    try {
        if (!wrapper_) return;
        if (!drillList_) {
            auto documents = SalesRowsList(true);
            drillList_ = documents;
            wrapper_->SetSourceList(documents);
            wrapper_->CrShowFieldsByDoc();
            for (auto [name, caption] : {std::pair{"Seller", kSellerText}, {"Buyer", kBuyerText}}) {
                const Talvex::Field& own = documents->Fields().Item(name);
                Talvex::Field& shown = wrapper_->ShowFields().Add(name, own.TypeCode());
                shown.SetCaption(ModuleFormRes().GetString(caption));
            }
        }
        wrapper_->ListByCell(&cell);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
