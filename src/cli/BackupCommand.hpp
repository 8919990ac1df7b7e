#pragma once

#include <iosfwd>
#include <string>

namespace Talvex::Cli {

// talvex backup FILE: the company's whole database to a file (pg_dump's custom format).
// Throws DatabaseError naming the file when the database holds no company or the backup fails.
void BackupCompany(const std::string& connectString, const std::string& file, std::ostream& out);

// talvex restore FILE [--force]: the company in a backup into the database, in one
// transaction. A database that already holds a company (or tables of anything else) is
// replaced only with `force`; otherwise nothing changes and the error says why. Says on `out`
// what it restored and what it replaced.
void RestoreCompany(const std::string& connectString, const std::string& file, bool force, std::ostream& out);

} // namespace Talvex::Cli
