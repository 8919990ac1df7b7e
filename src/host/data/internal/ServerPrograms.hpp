#pragma once

#include <filesystem>
#include <string>

namespace Talvex::Data::Internal {

// The folder of PostgreSQL's programs (pg_ctl, initdb, pg_dump, pg_restore, psql):
// $TALVEX_PG_BIN, else the newest Debian install under /usr/lib/postgresql/<version>/bin.
// Throws DatabaseError when there is none.
std::filesystem::path PostgresBinDir();

// A word for /bin/sh, quoted so that no character in it means anything to the shell.
std::string ShellQuote(const std::string& word);

struct CommandResult {
    int exitCode;       // -1 when the command did not end by itself
    std::string output; // standard output and standard error together
};

CommandResult RunShellCommand(const std::string& command);

// The last non-empty line of a program's output: where PostgreSQL's programs say what failed.
std::string LastLine(const std::string& text);

} // namespace Talvex::Data::Internal
