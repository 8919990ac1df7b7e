#include "quarn/cube/PeriodHalves.hpp"

#include "host/objects/DataList.hpp"

#include <string>
#include <utility>
#include <vector>

namespace Quarn_DuzAde {

std::shared_ptr<Talvex::DataList>
ReadByHalves(Talvex::Date begin, Talvex::Date end,
             const std::function<std::shared_ptr<Talvex::DataList>(Talvex::Date, Talvex::Date)>& make)
{
    auto whole = make(begin, end);
    if (!(begin < end)) {
        whole->Refresh();
        return whole;
    }
    const Talvex::Date middle = begin.AddDays(begin.DaysUntil(end) / 2);
    std::vector<std::string> halves;
    for (const auto& [from, to] : {std::pair{begin, middle}, std::pair{middle.AddDays(1), end}})
        halves.push_back(make(from, to)->SqlText());
    whole->RefreshInParts(halves);
    return whole;
}

} // namespace Quarn_DuzAde
