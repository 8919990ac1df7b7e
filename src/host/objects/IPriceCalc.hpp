#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <memory>
#include <string>

namespace Talvex {

class Book;

// The host's interface of an outside price calculator: the price-list maintenance hands it a
// price type to fill for a price list's goods and a period, with a coefficient, a rate and the
// date the prices are to apply from. Every argument is passed by reference, as the host does.
class IPriceCalc {
public:
    virtual ~IPriceCalc() = default;
    virtual void Calc(std::shared_ptr<Book>& book, Date& begDate, Date& endDate, double& koeff, Currency& rate,
                      std::string& priceListCode, std::string& priceTypeCode, std::string& currencyCode, Date& dt) = 0;
};

} // namespace Talvex
