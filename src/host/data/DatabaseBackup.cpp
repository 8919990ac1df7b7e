#include "host/data/DatabaseBackup.hpp"

#include "host/data/Connection.hpp"
#include "host/data/QuoteText.hpp"
#include "host/data/internal/ServerPrograms.hpp"
#include "host/types/Errors.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace Talvex::Data {
namespace fs = std::filesystem;
using Internal::RunShellCommand;
using Internal::ShellQuote;
namespace {

std::string Program(const std::string& name)
{
    return ShellQuote((Internal::PostgresBinDir() / name).string());
}

// psql and pg_restore print the error first and its context after it.
std::string FirstError(const std::string& output)
{
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.find("ERROR:") != std::string::npos || line.find("error:") != std::string::npos) return line;
    return Internal::LastLine(output);
}

// A temporary file removed when it goes out of scope.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& pattern)
    {
        std::string path = (fs::temp_directory_path() / pattern).string();
        int fd = mkstemps(path.data(), 4);
        if (fd < 0) throw DatabaseError("Cannot create a temporary file in " + fs::temp_directory_path().string());
        close(fd);
        path_ = path;
    }
    ~ScratchFile()
    {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

void CheckReadableBackup(const fs::path& file)
{
    const std::string name = file.string();
    std::error_code ec;
    if (!fs::exists(file, ec)) throw DatabaseError(name + ": no such file");
    if (!fs::is_regular_file(file, ec)) throw DatabaseError(name + ": not a regular file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw DatabaseError(name + ": cannot be read");
    char magic[5] = {};
    in.read(magic, sizeof magic);
    if (in.gcount() != sizeof magic || std::string(magic, sizeof magic) != "PGDMP")
        throw DatabaseError(name + ": not a backup (a PostgreSQL custom-format dump, as 'talvex backup' writes)");
}

// Drops every schema of the database and gives it back an empty public schema.
std::string ReplaceContentsScript(const std::string& connectString)
{
    Connection db = Connection::Open(connectString);
    auto schemas = db.QueryPostgres("SELECT nspname FROM pg_namespace WHERE nspname NOT LIKE 'pg\\_%' "
                                    "AND nspname <> 'information_schema' ORDER BY nspname");
    std::string script;
    for (const auto& row : schemas.rows)
        script += "DROP SCHEMA " + QuoteByDoubling(row[0].ToText(), '"') + " CASCADE; ";
    return script + "CREATE SCHEMA public; GRANT ALL ON SCHEMA public TO PUBLIC;";
}

} // namespace

void BackupDatabase(const std::string& connectString, const fs::path& file)
{
    const std::string name = file.string();
    std::error_code ec;
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (!fs::is_directory(folder, ec))
        throw DatabaseError(name + ": the folder " + folder.string() + " does not exist");
    if (fs::is_directory(file, ec)) throw DatabaseError(name + ": is a folder");
    fs::path partial = file;
    partial += ".partial";
    auto r = RunShellCommand(Program("pg_dump") + " --format=custom --file=" + ShellQuote(partial.string()) +
                             " --dbname=" + ShellQuote(connectString));
    if (r.exitCode != 0) {
        fs::remove(partial, ec);
        throw DatabaseError("Backing up to " + name + " failed: " + FirstError(r.output));
    }
    fs::rename(partial, file, ec);
    if (ec) {
        fs::remove(partial, ec);
        throw DatabaseError("Backing up to " + name + " failed: " + ec.message());
    }
}

std::vector<std::string> BackupTables(const fs::path& file)
{
    CheckReadableBackup(file);
    auto r = RunShellCommand(Program("pg_restore") + " --list " + ShellQuote(file.string()));
    if (r.exitCode != 0) throw DatabaseError(file.string() + ": " + FirstError(r.output));
    // Lines read "215; 1259 16390 TABLE public talvex_install postgres".
    std::vector<std::string> tables;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == ';') continue;
        std::istringstream words(line);
        std::string id, catalog, oid, kind, schema, table;
        words >> id >> catalog >> oid >> kind >> schema >> table;
        if (kind == "TABLE" && !table.empty()) tables.push_back(schema + "." + table);
    }
    return tables;
}

void RestoreDatabase(const std::string& connectString, const fs::path& file, bool replaceContents)
{
    const std::string name = file.string();
    CheckReadableBackup(file);
    // The backup becomes a script first: psql then runs it, and the clearing before it, in one
    // transaction, which pg_restore cannot do with a statement of ours in front.
    ScratchFile script("talvex-restore-XXXXXX.sql");
    auto written = RunShellCommand(Program("pg_restore") + " --no-owner --no-privileges --file=" +
                                   ShellQuote(script.Path().string()) + " " + ShellQuote(name));
    if (written.exitCode != 0) throw DatabaseError(name + ": " + FirstError(written.output));

    std::string command = Program("psql") +
                          " --no-psqlrc --quiet --set=ON_ERROR_STOP=1 --single-transaction --output=/dev/null" +
                          " --dbname=" + ShellQuote(connectString);
    if (replaceContents) command += " --command=" + ShellQuote(ReplaceContentsScript(connectString));
    command += " --file=" + ShellQuote(script.Path().string());
    auto restored = RunShellCommand(command);
    if (restored.exitCode != 0)
        throw DatabaseError("Restoring " + name +
                            " failed, the database was left as it was: " + FirstError(restored.output));
}

} // namespace Talvex::Data
