#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// Sales centres per sales department, cost centres for purchasing (direct costs), production
// and finance with the restaurant (general costs), in two groups.
constexpr std::string_view kCostCentres = R"sql(
INSERT INTO REFMFCostCenter (Code, Name, Parent, IsGroup, DepCode, CostKind) VALUES
    ('SALES', 'Sales', NULL, 1, NULL, NULL),
    ('COSTS', 'Costs', NULL, 1, NULL, NULL),
    ('S-VLN', 'Sales Vilnius', 'SALES', 0, 'PARD-V', NULL),
    ('S-KNS', 'Sales Kaunas', 'SALES', 0, 'PARD-K', NULL),
    ('S-EXP', 'Export sales', 'SALES', 0, 'PARD-E', NULL),
    ('C-PUR', 'Purchasing and delivery', 'COSTS', 0, 'PIRK', 'DI'),
    ('C-PRD', 'Production', 'COSTS', 0, 'GAM', 'PI'),
    ('C-ADM', 'Administration', 'COSTS', 0, 'FIN', 'VS'),
    ('C-RST', 'Restaurant', 'COSTS', 0, 'REST', 'VS');
)sql";

} // namespace

void CreateCostCentres(Data::Connection& db)
{
    db.ExecutePostgresScript(kCostCentres);
}

} // namespace Talvex::Erp::Ledger
