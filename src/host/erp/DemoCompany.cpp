// Temporary until the generator lands.
#include "host/erp/DemoCompany.hpp"
#include "host/erp/DemoLedger.hpp"
namespace Talvex::Erp {
void GenerateDemoCompany(Data::Connection& db, const DemoOptions& o, const ProgressFn& p) { GenerateLedgerAndAdmin(db, o, p); }
}
