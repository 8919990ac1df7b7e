// The public classes of the settlement operations.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/settlement/CArrangementPayTerm.hpp"
#include "quarn/settlement/CCashPaymentPlan.hpp"
#include "quarn/settlement/CMovePayFromParent.hpp"
#include "quarn/settlement/CClientsOverLimit.hpp"
#include "quarn/settlement/CSetGExchange.hpp"
#include "quarn/settlement/CSetLimitByDebt.hpp"
#include "quarn/settlement/CSetOffDebt.hpp"

namespace Quarn_DuzAde {

void RegisterSettlementClasses(ClassRegistry& registry)
{
    registry.Add<CSetOffDebt>("settlement", "CSetOffDebt");
    registry.Add<CCashPaymentPlan>("settlement", "CCashPaymentPlan");
    registry.Add<CArrangementPayTerm>("settlement", "CArrangementPayTerm");
    registry.Add<CMovePayFromParent>("settlement", "CMovePayFromParent");
    registry.Add<CSetGExchange>("settlement", "CSetGExchange");
    registry.Add<CSetLimitByDebt>("settlement", "CSetLimitByDebt");
    registry.Add<CClientsOverLimit>("settlement", "CClientsOverLimit");
}

} // namespace Quarn_DuzAde
