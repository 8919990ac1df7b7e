#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(LedgerClasses, TheCatalogueClassesOfTheLedgerAreReachedByName)
{
    Talvex::Testing::CheckSubsystemClasses("ledger", "ledger");
}
