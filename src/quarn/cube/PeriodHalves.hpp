#pragma once

#include "host/types/Date.hpp"

#include <functional>
#include <memory>

namespace Talvex {
class DataList;
}

namespace Quarn_DuzAde {

// A list of a period read with the server working on the period's two halves at once (a
// statement runs on one core; a cube's read is mostly the server's): `make` makes the list of
// the period from `begin` to `end`, called for the whole period and then for each half. The
// list of the whole period is returned, holding the rows of both halves, the first half's
// first. A period of one day is read as it is.
std::shared_ptr<Talvex::DataList>
ReadByHalves(Talvex::Date begin, Talvex::Date end,
             const std::function<std::shared_ptr<Talvex::DataList>(Talvex::Date, Talvex::Date)>& make);

} // namespace Quarn_DuzAde
