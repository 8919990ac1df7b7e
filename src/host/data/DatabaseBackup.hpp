#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace Talvex::Data {

// A whole database written to a file and read back with PostgreSQL's own pg_dump and
// pg_restore (custom format), which any PostgreSQL server of the same or a later version
// reads: the way to keep a company safe and to move it to another server. The programs are
// taken from where the local server's are. Every error names the file and the problem.

// Writes the database to `file`. The file appears only once the backup is complete, so a
// failed backup never leaves a half file in place of an older good one.
void BackupDatabase(const std::string& connectString, const std::filesystem::path& file);

// The tables a backup holds, as "schema.table". Throws when the file is not a readable backup.
std::vector<std::string> BackupTables(const std::filesystem::path& file);

// Restores the backup into the database in one transaction: when anything fails, the
// database is left as it was. With `replaceContents`, every schema the database holds is
// dropped first, in the same transaction; without it, the database should be empty.
// Owners and grants are not restored: the objects belong to the user who connects.
void RestoreDatabase(const std::string& connectString, const std::filesystem::path& file, bool replaceContents);

} // namespace Talvex::Data
