#include "host/data/internal/ServerPrograms.hpp"

#include "host/types/Errors.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace Talvex::Data::Internal {
namespace fs = std::filesystem;

fs::path PostgresBinDir()
{
    if (const char* env = std::getenv("TALVEX_PG_BIN"); env && *env) return env;
    fs::path best;
    int bestVersion = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && fs::exists(entry.path() / "bin" / "pg_ctl")) {
            bestVersion = version;
            best = entry.path() / "bin";
        }
    }
    if (best.empty())
        throw DatabaseError("PostgreSQL server programs were not found under /usr/lib/postgresql "
                            "(run scripts/setup.sh, or give --db)");
    return best;
}

std::string ShellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult RunShellCommand(const std::string& command)
{
    std::string full = command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) throw DatabaseError("Cannot run: " + command);
    std::string output;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        output.append(buf.data(), n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string LastLine(const std::string& text)
{
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == ' '))
        t.pop_back();
    auto pos = t.rfind('\n');
    return pos == std::string::npos ? t : t.substr(pos + 1);
}

} // namespace Talvex::Data::Internal
