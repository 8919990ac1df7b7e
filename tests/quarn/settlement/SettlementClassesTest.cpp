#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(SettlementClasses, TheCatalogueClassesOfSettlementAreReachedByName)
{
    const auto built = Talvex::Testing::CheckSubsystemClasses("settlement", "settlement");
    EXPECT_EQ(built, (std::vector<std::string>{"CSetOffDebt", "CSetGExchange", "CSetLimitByDebt", "CClientsOverLimit",
                                               "CArrangementPayTerm", "CMovePayFromParent", "CCashPaymentPlan"}));
}
