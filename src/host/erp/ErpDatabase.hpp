#pragma once

#include "host/types/Date.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Talvex {
class Book;
}
namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp {

// What the demo company generator is asked for.
struct DemoOptions {
    int scale = 0;                 // 0: a few thousand documents; 1: about 100,000 documents
    std::uint64_t seed = 20240101; // the same seed gives the same company
};

// What an installed database holds, from its install record.
struct InstallInfo {
    std::string schemaVersion; // fingerprint of the schema scripts and the generator
    int scale = 0;
    std::uint64_t seed = 0;
    std::string installedAt;
};

using ProgressFn = std::function<void(std::string_view step)>;

// Fingerprint of what a fresh install would create: changes whenever a schema script or
// the generator's version changes, so stale test databases are rebuilt.
std::string CurrentSchemaVersion();

// The install record of the database, or nothing when it holds no ERP schema.
std::optional<InstallInfo> ReadInstallInfo(Data::Connection& db);

// Opens the Book of the company in the database; throws DatabaseError when the database
// holds no ERP company, before anything reads its tables.
std::shared_ptr<Book> OpenBook(const std::string& connectString, const std::string& userName);

// Whether the database orders text as the company's language does (its ICU locale is
// Data::kCompanyTextLocale): lists sort so only in such a database.
bool OrdersTextAsCompany(Data::Connection& db);

// Creates the compatibility functions, the ERP schema and its data sources, then loads
// the demo company, all in one transaction: a failure leaves the database empty.
// The database must hold no ERP schema yet (see DropErpSchema) and must order text as the
// company does (OrdersTextAsCompany).
void InstallErpDatabase(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress = {});

// (Re)creates only the T-SQL compatibility functions (schema "tsql"), in one transaction.
void InstallCompatibilityFunctions(Data::Connection& db);

// The spelling the schema scripts give a table, column or parameter name, found from its
// lower-case form as the server keeps it ("doctypecode" -> "DocTypeCode"); the name itself
// when the scripts do not spell it.
std::string CanonicalName(std::string_view lowerName);

// Removes everything InstallErpDatabase created.
void DropErpSchema(Data::Connection& db);

} // namespace Talvex::Erp
