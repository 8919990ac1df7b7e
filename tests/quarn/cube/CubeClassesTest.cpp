#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(CubeClasses, TheCatalogueClassesOfCubeReportsAreReachedByName)
{
    const auto built = Talvex::Testing::CheckSubsystemClasses("cubes", "cube");
    EXPECT_EQ(built, (std::vector<std::string>{"RSaleHotel", "RSaleBySupplier", "RDebtOfClients", "RPendingCashFlow",
                                               "RSale", "RPurchase", "RProfLossAcc", "RSaleNew", "RSaleTrend",
                                               "RSaleInfimumPrice", "RCompetitorPrice",
                                               "RCashFlow", "RRestAnalysis", "RSaleCompetitor", "RProfitByCompetitor",
                                               "RBackOrder", "RPurchaseBigPrice", "RDebtOfEntpr"}));
}
