#include "host/objects/ClientFilter.hpp"

#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

namespace Talvex {

std::string ClientFilter(const std::string& partyAlias, const std::string& clientCode)
{
    if (partyAlias.empty()) throw ValueError("ClientFilter: the party alias is empty");
    if (clientCode.empty()) return "";
    // QuoteCodes writes each code as an escaped literal, so a code cannot change the statement.
    const std::string codes = SqlTools::QuoteCodes(clientCode, FieldType::kCode);
    std::string subtrees;
    std::size_t start = 0;
    // The literals QuoteCodes wrote are N'...' with inner quotes doubled: cut between them.
    while (start < codes.size()) {
        std::size_t i = start + 2; // past N'
        while (i < codes.size()) {
            if (codes[i] == '\'') {
                if (i + 1 < codes.size() && codes[i + 1] == '\'') {
                    i += 2;
                    continue;
                }
                break;
            }
            ++i;
        }
        std::string literal = codes.substr(start, i + 1 - start);
        if (!subtrees.empty()) subtrees += " UNION ALL ";
        subtrees += "SELECT clFlt.Code FROM REFClientT(" + literal + ") clFlt";
        start = i + 2; // past the closing quote and the comma
    }
    return partyAlias + ".PartyCode IN (" + subtrees + ")";
}

} // namespace Talvex
