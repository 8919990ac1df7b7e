#include "TalvexProcess.hpp"

#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Talvex::Testing {

namespace {

Outcome Run(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        out.append(buf.data(), n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ""};
}

} // namespace

std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Outcome RunTalvex(const std::string& arguments)
{
    return Run(std::string(TALVEX_BINARY) + " " + arguments + " 2>&1");
}

Outcome RunTalvexApart(const std::string& arguments)
{
    static int runs = 0;
    const std::string errFile =
        ::testing::TempDir() + "talvex-err-" + std::to_string(::getpid()) + "-" + std::to_string(++runs) + ".txt";
    Outcome outcome = Run(std::string(TALVEX_BINARY) + " " + arguments + " 2>" + ShellQuote(errFile));
    std::ifstream in(errFile);
    std::ostringstream err;
    err << in.rdbuf();
    outcome.err = err.str();
    std::remove(errFile.c_str());
    return outcome;
}

std::string Db()
{
    return "--db " + ShellQuote(DemoDatabaseConnectString());
}

std::size_t Lines(const std::string& s)
{
    std::size_t n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

SetOffWritesLock::SetOffWritesLock()
    : fd_(::open((::testing::TempDir() + "talvex-cli-set-off.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666))
{
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) ADD_FAILURE() << "cannot lock the set-off documents";
}

SetOffWritesLock::~SetOffWritesLock()
{
    if (fd_ >= 0) ::close(fd_); // closing lets the lock go
}

} // namespace Talvex::Testing
