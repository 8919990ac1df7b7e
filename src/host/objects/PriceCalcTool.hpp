#pragma once

#include <memory>

namespace Talvex {

class FieldList;
class IPriceCalc;

// The host's price-list maintenance handing a price type to an outside calculator: the
// arguments come by name from the tool's parameters ("Book", "BegDate", "EndDate", "Koeff",
// "PriceListCode", "PriceTypeCode", "CurrencyCode"; "Rate" and "Dt" when given, else 1 and the
// Book's today). A missing or mistyped parameter is a ValueError naming it; nothing is called.
void RunPriceCalc(IPriceCalc& calculator, const FieldList& params);

} // namespace Talvex
