// The public classes of the receivables and payables reports.
#include "quarn/debt/CDebtByAccPerson.hpp"
#include "quarn/debt/CDebtOfClients.hpp"
#include "quarn/debt/CDebtPayByDoc.hpp"
#include "quarn/debt/CDebtPayByDocDep.hpp"
#include "quarn/debt/CDebtPayByDocShort.hpp"
#include "quarn/debt/CDetailDocPayment.hpp"
#include "quarn/debt/CPaymentDocByPRSF.hpp"
#include "quarn/debt/CReportDebtPayAnalysis.hpp"
#include "quarn/debt/COutStandingAccounts.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterDebtClasses(ClassRegistry& registry)
{
    registry.Add<CDebtOfClients>("debt", "CDebtOfClients");
    registry.Add<CDebtPayByDoc>("debt", "CDebtPayByDoc");
    registry.Add<CDebtPayByDocShort>("debt", "CDebtPayByDocShort");
    registry.Add<CDebtPayByDocDep>("debt", "CDebtPayByDocDep");
    registry.Add<COutStandingAccounts>("debt", "COutStandingAccounts");
    registry.Add<CDebtByAccPerson>("debt", "CDebtByAccPerson");
    registry.Add<CReportDebtPayAnalysis>("debt", "CReportDebtPayAnalysis");
    registry.Add<CDetailDocPayment>("debt", "CDetailDocPayment");
    registry.Add<CPaymentDocByPRSF>("debt", "CPaymentDocByPRSF");
}

} // namespace Quarn_DuzAde
