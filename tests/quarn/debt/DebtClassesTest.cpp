#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(DebtClasses, TheCatalogueClassesOfReceivablesAndPayablesAreReachedByName)
{
    const auto built = Talvex::Testing::CheckSubsystemClasses("receivables and payables", "debt");
    EXPECT_EQ(built, (std::vector<std::string>{"CReportDebtPayAnalysis", "CDebtOfClients", "CDebtPayByDoc",
                                               "CDebtPayByDocShort", "CDetailDocPayment", "COutStandingAccounts",
                                               "CPaymentDocByPRSF", "CDebtByAccPerson", "CDebtPayByDocDep"}));
}
