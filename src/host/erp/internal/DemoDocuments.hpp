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

// What each subsystem sets on its documents once they are all written, where the choice needs
// the finished picture (a payment's date, the rows of an invoice) and so runs as SQL over it.
// Each takes its rows by their ids, so that the choices follow the seed without drawing from
// the document stream.

// Invoices paid on the spot, rates of an earlier day, cost-changed rows, orders not yet fully
// delivered.
void FinishSales(Data::Connection& db);
// Services (code "C1") invoiced on purchase invoices with the goods.
void FinishPurchases(Data::Connection& db);
// Materials whose cost changed after they were issued to an order.
void FinishProduction(Data::Connection& db);
// Fixed-asset objects handed over without a low-value asset card, and issues of every
// department.
void FinishAssets(Data::Connection& db);

} // namespace Talvex::Erp::Demo
