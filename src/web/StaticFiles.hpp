#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace Talvex::Web {

// Where a browser's request for a file of the front end leads. The web root is the only
// folder the server shows without a sign-in, so a path that could mean anything else is
// refused before the file system is asked.
struct StaticFileLookup {
    enum class Outcome {
        Found,     // a regular file under the root, no larger than the limit
        Malformed, // encoded separators, NUL, '.' or '..' segments, doubled slashes
        NotFound,  // missing, not a regular file, or leading out of the root
        TooLarge,
    };
    Outcome outcome = Outcome::NotFound;
    std::filesystem::path file; // canonical, when found
    std::uintmax_t size = 0;
};

// The web root as the lookups compare against it: absolute, links resolved.
std::filesystem::path CanonicalWebRoot(const std::string& dir);

// targetPath is the request's target up to '?', still percent-encoded; "/" means
// /index.html.
StaticFileLookup LookUpStaticFile(const std::filesystem::path& canonicalRoot, std::string_view targetPath,
                                  std::uintmax_t maxBytes);

} // namespace Talvex::Web
