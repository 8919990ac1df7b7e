#pragma once

#include <memory>

namespace Talvex {

class Book;
class DataList;
class FieldList;
class IPriceCalc;
struct PriceCalcRequest;

// The host's price-list maintenance handing a price type to an outside calculator: the
// arguments come by name from the tool's parameters ("Book", "BegDate", "EndDate", "Koeff",
// "PriceListCode", "PriceTypeCode", "CurrencyCode"; "Rate" and "Dt" when given, else 1 and the
// Book's today). A missing or mistyped parameter is a ValueError naming it; nothing is called.
void RunPriceCalc(IPriceCalc& calculator, const FieldList& params);

// Whether the parameters name everything the calculator needs, so that the tool can hand
// them over without asking.
bool HasPriceCalcParams(const FieldList& params);

// The tool as a person uses it: the parameters given are handed over as they stand when they
// are complete, else shown in the tool's form (frmPriceCalc) for the person to finish; then
// the calculator fills the price type. Returns the prices of the type the period now holds
// for the price list's goods, read; nothing when the person cancelled or the period holds
// none (in a currency the calculator refused, it holds none).
std::shared_ptr<DataList> RunPriceCalcTool(IPriceCalc& calculator, const FieldList& params);

// The prices of the request's type and currency dated in its period, of the goods and units
// of its price list, in date and goods order, each to the decimals of its type (unread).
std::shared_ptr<DataList> CreateStoredPriceList(const std::shared_ptr<Book>& book, const PriceCalcRequest& request);

} // namespace Talvex
