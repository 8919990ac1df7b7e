#pragma once

#include "cli/ResultPrinter.hpp"

#include <iosfwd>
#include <string>
#include <vector>

namespace Talvex::Cli {

struct RunOptions {
    std::string className;           // "Quarn_DuzAde.CDuzAde" or "CDuzAde"
    std::vector<std::string> params; // "Name=Value" (kind read from its text) or "Name:Kind=Value"
    std::string answersFile;         // empty: every form is accepted with its defaults
    OutputFormat format = OutputFormat::Table;
    std::string outFile; // empty: standard output
    std::string userName = "admin";
    std::string printDir = "."; // where reports printed by their code are written as HTML
};

// Creates the class by name through the catalogue, gives it the Book and the parameters,
// runs it through its report contract or Main (a class that is only a cube report is opened
// in a cube window) under a scripted user, and prints the "DataList" it returns, or else
// the grid of the cube window left open or of the last list dialog it showed. The messages
// it showed and the errors reported go to standard error. The result is the exit code: 0
// when the run did its job; 1 after a refused input, an error, an answers step that could not
// or did not run, or with nothing to print (and then nothing is printed). Throws ValueError
// or UiError for a parameter or an answers file it cannot read, before anything runs.
int RunClass(const std::string& connectString, const RunOptions& options, std::ostream& out, std::ostream& err);

// The public classes of the module with their entry points.
void PrintCatalogue(OutputFormat format, std::ostream& out);

} // namespace Talvex::Cli
