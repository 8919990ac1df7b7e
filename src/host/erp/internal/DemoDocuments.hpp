#pragma once

#include "host/erp/ErpDatabase.hpp"
#include "host/erp/internal/DemoRandom.hpp"
#include "host/erp/internal/DemoWorld.hpp"

#include <cstddef>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp::Demo {

struct DemoDocumentCounts {
    std::size_t documents = 0;
    std::size_t goodsLines = 0;
};

// Writes the document types and two years of documents of the demo company, month by month:
// purchases and sales with their orders, returns, discounts and payment terms, payments
// linked to what they pay, production, restaurant, consignment, set-off and plan documents.
DemoDocumentCounts GenerateDocuments(Data::Connection& db, const DemoWorld& world, DemoRandom& random,
                                     const ProgressFn& progress);

} // namespace Talvex::Erp::Demo
