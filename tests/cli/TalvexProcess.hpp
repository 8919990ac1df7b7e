#pragma once

#include <string>

namespace Talvex::Testing {

// What a run of the built talvex command gave.
struct Outcome {
    int exitCode;
    std::string out; // standard output, with standard error after it for RunTalvex
    std::string err; // standard error, for RunTalvexApart
};

// Runs the command with the arguments (a shell command line) and standard error into out.
Outcome RunTalvex(const std::string& arguments);
// Runs it with standard output and standard error kept apart.
Outcome RunTalvexApart(const std::string& arguments);

std::string ShellQuote(const std::string& s);
// "--db '<the demo company the tests read>'".
std::string Db();
std::size_t Lines(const std::string& s);

// Held by a test while it counts or writes the demo company's set-off documents through the
// command, so that two such tests never run their counts across each other's writes.
class SetOffWritesLock {
public:
    SetOffWritesLock();
    ~SetOffWritesLock();
    SetOffWritesLock(const SetOffWritesLock&) = delete;
    SetOffWritesLock& operator=(const SetOffWritesLock&) = delete;

private:
    int fd_;
};

} // namespace Talvex::Testing
