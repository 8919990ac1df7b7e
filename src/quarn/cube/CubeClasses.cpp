// The public classes of the cube reports.
#include "quarn/cube/RBackOrder.hpp"
#include "quarn/cube/RCashFlow.hpp"
#include "quarn/cube/RCompetitorPrice.hpp"
#include "quarn/cube/RDebtOfClients.hpp"
#include "quarn/cube/RPendingCashFlow.hpp"
#include "quarn/cube/RProfLossAcc.hpp"
#include "quarn/cube/RPurchase.hpp"
#include "quarn/cube/RPurchaseBigPrice.hpp"
#include "quarn/cube/RRestAnalysis.hpp"
#include "quarn/cube/RSale.hpp"
#include "quarn/cube/RSaleBySupplier.hpp"
#include "quarn/cube/RSaleCompetitor.hpp"
#include "quarn/cube/RSaleInfimumPrice.hpp"
#include "quarn/cube/RSaleNew.hpp"
#include "quarn/cube/RSaleTrend.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCubeClasses(ClassRegistry& registry)
{
    registry.Add<RSale>("cube", "RSale");
    registry.Add<RDebtOfClients>("cube", "RDebtOfClients");
    registry.Add<RDebtOfEntpr>("cube", "RDebtOfEntpr");
    registry.Add<RPurchase>("cube", "RPurchase");
    registry.Add<RSaleBySupplier>("cube", "RSaleBySupplier");
    registry.Add<RSaleNew>("cube", "RSaleNew");
    registry.Add<RSaleTrend>("cube", "RSaleTrend");
    registry.Add<RBackOrder>("cube", "RBackOrder");
    registry.Add<RSaleInfimumPrice>("cube", "RSaleInfimumPrice");
    registry.Add<RCompetitorPrice>("cube", "RCompetitorPrice");
    registry.Add<RSaleCompetitor>("cube", "RSaleCompetitor");
    registry.Add<RProfitByCompetitor>("cube", "RProfitByCompetitor");
    registry.Add<RSaleHotel>("cube", "RSaleHotel");
    registry.Add<RCashFlow>("cube", "RCashFlow");
    registry.Add<RPurchaseBigPrice>("cube", "RPurchaseBigPrice");
    registry.Add<RRestAnalysis>("cube", "RRestAnalysis");
    registry.Add<RPendingCashFlow>("cube", "RPendingCashFlow");
    registry.Add<RProfLossAcc>("cube", "RProfLossAcc");
}

} // namespace Quarn_DuzAde
