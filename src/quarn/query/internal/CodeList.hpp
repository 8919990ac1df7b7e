#pragma once

#include <string>
#include <vector>

namespace Quarn_DuzAde {

// Codes as one comma-separated text ("PISF,TPPI,GPG"), the form the in-list conditions read.
inline std::string JoinCodes(const std::vector<std::string>& codes)
{
    std::string text;
    for (const auto& code : codes)
        text += (text.empty() ? "" : ",") + code;
    return text;
}

} // namespace Quarn_DuzAde
