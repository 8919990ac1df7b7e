#pragma once

#include <string>

namespace Talvex {

// The client filter of party lists: given a party list's alias ("Party") and a client code,
// the condition on "<alias>.PartyCode" that takes the client itself and, when the code is a
// group, every client under it at any depth (the tree view REFClientT). Several codes may be
// given separated by commas (quoted or not); each brings its own subtree.
std::string ClientFilter(const std::string& partyAlias, const std::string& clientCode);

} // namespace Talvex
