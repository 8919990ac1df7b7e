#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// The cash-flow kinds gathered as the treasurer reads them: money that moves through the bank
// or a card, cash over the counter, and settlements without money.
constexpr std::string_view kFlowKindTree = R"sql(
INSERT INTO GLAnalytTree (AnalytTypeCode, Code, Name, Parent) VALUES
    ('CF', 'NC', 'Negrynieji pinigai', NULL),
    ('CF', 'GR', 'Grynieji pinigai', NULL),
    ('CF', 'KT', 'Atsiskaitymai be pinigų', NULL),
    ('CF', 'BANK', 'Bank transfer', 'NC'),
    ('CF', 'CARD', 'Card', 'NC'),
    ('CF', 'CASH', 'Cash', 'GR'),
    ('CF', 'BART', 'Barter', 'KT');
)sql";

} // namespace

void CreateFlowKindTree(Data::Connection& db)
{
    db.ExecutePostgresScript(kFlowKindTree);
}

} // namespace Talvex::Erp::Ledger
