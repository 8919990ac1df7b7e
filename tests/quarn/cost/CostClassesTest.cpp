#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(CostClasses, TheCatalogueClassesOfCostAccountingAreReachedByName)
{
    Talvex::Testing::CheckSubsystemClasses("cost", "cost");
}
