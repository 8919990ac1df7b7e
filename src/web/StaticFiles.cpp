#include "web/StaticFiles.hpp"

#include <algorithm>
#include <optional>

namespace Talvex::Web {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes once. A separator or NUL that arrives encoded is refused rather than decoded:
// it can only be meant to slip past the check of the segments below.
std::optional<std::string> DecodePath(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            if (c == '/' || c == '\\' || c == '\0') return std::nullopt;
            i += 2;
        } else if (c == '\\' || c == '\0') {
            return std::nullopt;
        }
        out += c;
    }
    return out;
}

bool IsUnder(const std::filesystem::path& root, const std::filesystem::path& path)
{
    auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return r == root.end();
}

} // namespace

std::filesystem::path CanonicalWebRoot(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::path root = std::filesystem::weakly_canonical(std::filesystem::absolute(dir), ec);
    if (ec) root = std::filesystem::absolute(dir).lexically_normal();
    // "/srv/web/" iterates with an empty last part, which no file below it has.
    if (root.has_parent_path() && root.filename().empty()) root = root.parent_path();
    return root;
}

StaticFileLookup LookUpStaticFile(const std::filesystem::path& canonicalRoot, std::string_view targetPath,
                                  std::uintmax_t maxBytes)
{
    using Outcome = StaticFileLookup::Outcome;
    StaticFileLookup found;
    const std::optional<std::string> decoded = DecodePath(targetPath);
    if (!decoded || decoded->empty() || decoded->front() != '/') return {Outcome::Malformed, {}, 0};
    std::filesystem::path relative;
    if (*decoded == "/") {
        relative = "index.html";
    } else {
        std::string_view rest = std::string_view(*decoded).substr(1);
        while (true) {
            const auto slash = rest.find('/');
            const std::string_view segment = rest.substr(0, slash);
            // An empty segment is a doubled slash (or a trailing one): "//etc/passwd" joined
            // to the root would name /etc/passwd itself.
            if (segment.empty() || segment == "." || segment == "..") return {Outcome::Malformed, {}, 0};
            relative /= std::filesystem::path(std::string(segment));
            if (slash == std::string_view::npos) break;
            rest.remove_prefix(slash + 1);
        }
    }
    std::error_code ec;
    // Links are followed, then the result must still lie under the root: a link inside the
    // front end to /etc is the same escape as "..".
    const std::filesystem::path file = std::filesystem::weakly_canonical(canonicalRoot / relative, ec);
    if (ec || !IsUnder(canonicalRoot, file)) return found;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    // A device or a pipe never ends (/dev/zero) or never starts (a FIFO): only regular files.
    if (ec || !std::filesystem::is_regular_file(status)) return found;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) return found;
    if (size > maxBytes) return {Outcome::TooLarge, file, size};
    return {Outcome::Found, file, size};
}

} // namespace Talvex::Web
