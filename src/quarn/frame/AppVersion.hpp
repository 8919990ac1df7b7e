#pragma once

#include <string>
#include <string_view>

namespace Quarn_DuzAde {

// The module's title and version as the host lists it and as exported files name their
// maker ("Talvex Enterprice Quarn_DuzAde v.2.4.0"). Raise them with each release.
inline constexpr std::string_view kAppTitle = "Quarn_DuzAde";
inline constexpr int kAppMajor = 2;
inline constexpr int kAppMinor = 4;
inline constexpr int kAppRevision = 0;

// "2.4.0": major, minor and revision separated by full stops.
inline std::string AppVersionText()
{
    return std::to_string(kAppMajor) + "." + std::to_string(kAppMinor) + "." + std::to_string(kAppRevision);
}

} // namespace Quarn_DuzAde
