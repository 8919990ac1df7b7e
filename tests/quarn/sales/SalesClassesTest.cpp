#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(SalesClasses, TheCatalogueClassesOfSalesReportsAreReachedByName)
{
    Talvex::Testing::CheckSubsystemClasses("sales", "sales");
}
