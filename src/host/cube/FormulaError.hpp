#pragma once

#include "host/types/Errors.hpp"

namespace Talvex::Cube {

// A calculated fact or a formula condition that cannot be read or refers to an unknown fact.
// The message always quotes the formula, so the user sees which definition is wrong.
class FormulaError : public ValueError {
public:
    using ValueError::ValueError;
};

} // namespace Talvex::Cube
