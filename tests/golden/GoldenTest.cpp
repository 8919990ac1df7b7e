// Whole-report golden files: each tests/golden/<subsystem>/<name>.test holds the command a
// user runs (a class of the module with its answers), the exit status and the exact output,
// against the demo company of the fixed test seed. A mismatch prints a unified diff; with
// TALVEX_GOLDEN_REWRITE=1 the files are written anew from what the reports print now, for a
// change whose new output was reviewed.
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct GoldenCase {
    fs::path file;
    std::string header;  // the comment lines and the run line, kept as written
    std::string run;     // the arguments after "talvex run"
    std::string answers; // the answers file's text
    int exitCode = 0;
    std::string expected;
};

constexpr std::string_view kRun = "run: ";
constexpr std::string_view kExit = "exit: ";

GoldenCase Read(const fs::path& file)
{
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    GoldenCase c;
    c.file = file;
    enum class Part { Header, Answers, Expected } part = Part::Header;
    std::string line;
    while (std::getline(in, line)) {
        if (part == Part::Expected) {
            c.expected += line + "\n";
            continue;
        }
        if (line == "answers:") {
            part = Part::Answers;
        } else if (line == "expected:") {
            part = Part::Expected;
        } else if (part == Part::Answers) {
            c.answers += line + "\n";
        } else if (line.rfind(kRun, 0) == 0) {
            c.run = line.substr(kRun.size());
            c.header += line + "\n";
        } else if (line.rfind(kExit, 0) == 0) {
            c.exitCode = std::stoi(line.substr(kExit.size()));
        } else {
            c.header += line + "\n";
        }
    }
    // The file ends with a line break the output may lack: it is written back as it came.
    if (in.eof() && !c.expected.empty() && c.expected.back() == '\n') {
        std::ifstream raw(file, std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
        if (all.empty() || all.back() != '\n') c.expected.pop_back();
    }
    if (c.run.empty()) throw std::runtime_error(file.string() + ": no 'run:' line");
    return c;
}

void Write(const GoldenCase& c, int exitCode, const std::string& output)
{
    std::ofstream out(c.file, std::ios::binary | std::ios::trunc);
    out << c.header << kExit << exitCode << "\nanswers:\n" << c.answers << "expected:\n" << output;
}

std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char ch : s)
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

std::string Capture(const std::string& command, int& exitCode)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot start: " + command);
    std::string out;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        out.append(buf.data(), n);
    const int status = pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

fs::path TempFile(const std::string& stem, const std::string& text)
{
    fs::path path = fs::temp_directory_path() / (stem + "-" + std::to_string(getpid()) + ".txt");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
}

std::string UnifiedDiff(const std::string& expected, const std::string& actual)
{
    const fs::path a = TempFile("golden-expected", expected);
    const fs::path b = TempFile("golden-actual", actual);
    int ignored = 0;
    std::string diff = Capture(
        "diff -u --label expected --label actual " + ShellQuote(a.string()) + " " + ShellQuote(b.string()), ignored);
    fs::remove(a);
    fs::remove(b);
    return diff;
}

std::vector<fs::path> GoldenFiles()
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(TALVEX_GOLDEN_DIR))
        if (entry.is_regular_file() && entry.path().extension() == ".test") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class Golden : public ::testing::TestWithParam<fs::path> {};

TEST_P(Golden, ReportPrintsItsGrid)
{
    const GoldenCase c = Read(GetParam());
    const fs::path answers = TempFile("golden-answers", c.answers);
    int exitCode = 0;
    // Standard error is left out: the server's notices are no part of a report.
    const std::string output =
        Capture(std::string(TALVEX_BINARY) + " run --db " + ShellQuote(Talvex::Testing::DemoDatabaseConnectString()) +
                    " " + c.run + " --answers " + ShellQuote(answers.string()) + " 2>/dev/null",
                exitCode);
    fs::remove(answers);
    if (const char* rewrite = std::getenv("TALVEX_GOLDEN_REWRITE"); rewrite && std::string(rewrite) == "1") {
        Write(c, exitCode, output);
        return;
    }
    EXPECT_EQ(exitCode, c.exitCode) << c.file;
    EXPECT_TRUE(output == c.expected) << c.file << "\n" << UnifiedDiff(c.expected, output);
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info)
{
    std::string name = fs::relative(info.param, TALVEX_GOLDEN_DIR).replace_extension().string();
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Reports, Golden, ::testing::ValuesIn(GoldenFiles()), CaseName);

} // namespace
