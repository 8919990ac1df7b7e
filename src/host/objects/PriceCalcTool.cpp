#include "host/objects/PriceCalcTool.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/types/Errors.hpp"

#include <string>

namespace Talvex {

namespace {

const Value& Required(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) throw ValueError(std::string(name) + ": the price calculator needs it");
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) throw ValueError(std::string(name) + ": the price calculator needs it");
    return v;
}

Date DateOf(const FieldList& params, const char* name)
{
    const Value& v = Required(params, name);
    if (v.IsDate()) return v.ToDate();
    Date d;
    if (Date::TryParse(v.ToText(), d)) return d;
    throw ValueError(std::string(name) + ": not a date: " + v.ToText());
}

} // namespace

void RunPriceCalc(IPriceCalc& calculator, const FieldList& params)
{
    auto book = std::dynamic_pointer_cast<Book>(Required(params, "Book").ToObject());
    if (!book) throw ValueError("Book: the parameter holds no Book");
    Date begDate = DateOf(params, "BegDate");
    Date endDate = DateOf(params, "EndDate");
    if (begDate > endDate) throw ValueError("EndDate: the period ends before it begins");
    double koeff = Required(params, "Koeff").ToDecimal().ToDouble();
    if (!(koeff > 0)) throw ValueError("Koeff: must be above zero");
    Currency rate = params.ExistsField("Rate") ? params.Item("Rate").GetValue().ToCurrency() : Currency::FromInteger(1);
    std::string priceListCode = Required(params, "PriceListCode").ToText();
    std::string priceTypeCode = Required(params, "PriceTypeCode").ToText();
    std::string currencyCode = Required(params, "CurrencyCode").ToText();
    Date dt = params.ExistsField("Dt") ? DateOf(params, "Dt") : book->Today();
    calculator.Calc(book, begDate, endDate, koeff, rate, priceListCode, priceTypeCode, currencyCode, dt);
}

} // namespace Talvex
