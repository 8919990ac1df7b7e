#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(SalesClasses, TheCatalogueClassesOfSalesReportsAreReachedByName)
{
    const auto built = Talvex::Testing::CheckSubsystemClasses("sales", "sales");
    EXPECT_EQ(built, (std::vector<std::string>{"CReportRestByVendor", "CSalesByMng", "CRSaleByPayType",
                                               "CReportBuyFromPerson", "CSalesBySuppl", "CRepDeptSaleByClients",
                                               "CRepSalesJournal"}));
}
