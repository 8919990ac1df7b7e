#include "cli/BackupCommand.hpp"

#include "host/data/Connection.hpp"
#include "host/data/DatabaseBackup.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace Talvex::Cli {
namespace {

std::string Describe(const Erp::InstallInfo& info)
{
    return "scale " + std::to_string(info.scale) + ", seed " + std::to_string(info.seed) + ", installed " +
           info.installedAt;
}

std::string DatabaseName(Data::Connection& db)
{
    return db.QueryPostgres("SELECT current_database()").rows.at(0).at(0).ToText();
}

std::string DocumentCount(Data::Connection& db)
{
    return db.Query("SELECT COUNT(*) AS n FROM THDocument").rows.at(0).at(0).ToText();
}

// What a restore would replace: the company there, tables of something else, or nothing.
std::string WhatWouldBeReplaced(Data::Connection& db)
{
    if (auto info = Erp::ReadInstallInfo(db)) return "a company (" + Describe(*info) + ")";
    auto tables = db.QueryPostgres("SELECT count(*) FROM pg_tables WHERE schemaname NOT IN "
                                   "('pg_catalog', 'information_schema')");
    const auto count = tables.rows.at(0).at(0).ToInteger();
    if (count > 0) return std::to_string(count) + " tables of another application";
    return {};
}

} // namespace

void BackupCompany(const std::string& connectString, const std::string& file, std::ostream& out)
{
    Data::Connection db = Data::Connection::Open(connectString);
    auto info = Erp::ReadInstallInfo(db);
    if (!info) throw DatabaseError("Nothing to back up to " + file + ": the database holds no ERP company");
    const std::string documents = DocumentCount(db);
    Data::BackupDatabase(connectString, file);
    out << "Backed up the company of database " << DatabaseName(db) << " (" << Describe(*info) << ", " << documents
        << " documents) to " << file << " (" << std::filesystem::file_size(file) << " bytes).\n";
}

void RestoreCompany(const std::string& connectString, const std::string& file, bool force, std::ostream& out)
{
    const auto tables = Data::BackupTables(file);
    if (std::find(tables.begin(), tables.end(), "public.talvex_install") == tables.end())
        throw DatabaseError(file + ": the backup holds no ERP company");

    Data::Connection db = Data::Connection::Open(connectString);
    const std::string database = DatabaseName(db);
    const std::string replaced = WhatWouldBeReplaced(db);
    if (!replaced.empty() && !force)
        throw DatabaseError("Nothing was restored: database " + database + " already holds " + replaced +
                            "; use --force to replace it with the company in " + file);

    Data::RestoreDatabase(connectString, file, !replaced.empty());
    auto info = Erp::ReadInstallInfo(db);
    if (!info) throw DatabaseError("Restoring " + file + " left no company in database " + database);
    out << "Restored the company in " << file << " (" << Describe(*info) << ", " << DocumentCount(db)
        << " documents) into database " << database;
    if (!replaced.empty()) out << ", replacing " << replaced;
    out << ".\n";
}

} // namespace Talvex::Cli
