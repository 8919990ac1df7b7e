#pragma once

#include "host/types/Value.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Quarn_DuzAde {

inline constexpr std::string_view kLibraryName = "Quarn_DuzAde";

// One public class of the library as the host creates it by name ("Quarn_DuzAde.RSale").
struct CatalogueEntry {
    std::string name;      // class name without the library prefix
    std::string entry;     // "IReportExec", "Main", "IReportExec, ICubeForm2", ...
    std::string members;   // further public operations
    std::string role;      // what it is for, in a few words
    std::string subsystem; // "receivables and payables", "settlement", "cubes", ...
    bool built = false;    // false: creating it gives an object that reports it is not available yet
};

// Every public class, in the order of the library, with whether a subsystem built it.
const std::vector<CatalogueEntry>& Catalogue();
// The library's list of public classes as written, before any subsystem registered.
const std::vector<CatalogueEntry>& CatalogueTable();

// Creates a public class by its full name ("Quarn_DuzAde.CDuzAde") or its class name.
// Throws Talvex::ValueError for a name the library does not have.
std::shared_ptr<Talvex::Object> CreateObject(std::string_view progId);

} // namespace Quarn_DuzAde
