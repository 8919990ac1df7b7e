#include "support/SubsystemClasses.hpp"

#include <gtest/gtest.h>

TEST(SalesClasses, TheCatalogueClassesOfSalesReportsAreReachedByName)
{
    const auto built = Talvex::Testing::CheckSubsystemClasses("sales", "sales");
    EXPECT_EQ(built, (std::vector<std::string>{"CReportRestByVendor", "CSalesByMng", "CReportDebtByVendor",
                                               "CStockAnalyse", "CConsign", "CRSaleByPayType", "CReportBuyFromPerson",
                                               "CSalesBySuppl", "CRepDeptSaleByClients", "CRepSalesJournal",
                                               "CRepGoodTurnAnalysis"}));
}
