// The public classes of the sales, purchase and vendor reports.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/sales/CRSaleByPayType.hpp"
#include "quarn/sales/CRepGoodTurnAnalysis.hpp"
#include "quarn/sales/CRepSalesJournal.hpp"
#include "quarn/sales/CConsign.hpp"
#include "quarn/sales/CReportDebtByVendor.hpp"
#include "quarn/sales/CReportRestByVendor.hpp"
#include "quarn/sales/CRepDeptSaleByClients.hpp"
#include "quarn/sales/CReportBuyFromPerson.hpp"
#include "quarn/sales/CSalesByMng.hpp"
#include "quarn/sales/CSalesBySuppl.hpp"
#include "quarn/sales/CStockAnalyse.hpp"

namespace Quarn_DuzAde {

void RegisterSalesClasses(ClassRegistry& registry)
{
    registry.Add<CRepSalesJournal>("sales", "CRepSalesJournal");
    registry.Add<CSalesByMng>("sales", "CSalesByMng");
    registry.Add<CRSaleByPayType>("sales", "CRSaleByPayType");
    registry.Add<CSalesBySuppl>("sales", "CSalesBySuppl");
    registry.Add<CReportRestByVendor>("sales", "CReportRestByVendor");
    registry.Add<CReportDebtByVendor>("sales", "CReportDebtByVendor");
    registry.Add<CConsign>("sales", "CConsign");
    registry.Add<CStockAnalyse>("sales", "CStockAnalyse");
    registry.Add<CRepGoodTurnAnalysis>("sales", "CRepGoodTurnAnalysis");
    registry.Add<CReportBuyFromPerson>("sales", "CReportBuyFromPerson");
    registry.Add<CRepDeptSaleByClients>("sales", "CRepDeptSaleByClients");
}

} // namespace Quarn_DuzAde
