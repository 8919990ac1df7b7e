#pragma once

#include "host/types/Value.hpp"

#include <cstddef>

namespace Talvex::Cube::Internal {

// Hash of a member key, consistent with Value's equality.
struct ValueHash {
    std::size_t operator()(const Value& v) const;
};

// Order of member keys: empty and null first, then numbers by value, dates, texts, objects.
int CompareKeys(const Value& a, const Value& b);

// The text a member shows when the report gives no mapping: dates as yyyy-mm-dd.
std::string KeyText(const Value& v);

} // namespace Talvex::Cube::Internal
