// Temporary until the ledger stage lands.
#include "host/erp/DemoLedger.hpp"
namespace Talvex::Erp {
void GenerateLedgerAndAdmin(Data::Connection&, const DemoOptions&, const ProgressFn&) {}
}
