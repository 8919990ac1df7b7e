#pragma once

#include "host/erp/ErpDatabase.hpp"

namespace Talvex::Erp {

// Version of the generator; part of the schema fingerprint. Raise it whenever the
// generated data changes.
inline constexpr int kDemoCompanyVersion = 10;

// Fills an empty ERP schema with the demo company: deterministic from the seed, sized by
// the scale, written with COPY. Runs inside the caller's transaction.
void GenerateDemoCompany(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress);

} // namespace Talvex::Erp
