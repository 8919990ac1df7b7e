#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"
#include "host/ui/ParamForm.hpp"

#include <memory>
#include <string>

namespace Talvex {

class Book;
class FieldList;

// What the price-list maintenance hands an outside calculator: the period whose data the
// prices come from, the coefficient, the rate, the price list whose goods are priced, the
// price type and currency the prices are stored under, and the day they are to apply from.
struct PriceCalcRequest {
    Date begDate;
    Date endDate;
    Decimal koeff;
    Currency rate;
    std::string priceListCode;
    std::string priceTypeCode;
    std::string currencyCode;
    Date dt;
};

// The price-list maintenance's form for filling a price type with an outside calculator.
// Blank choices are offered as the month of the Book's today, coefficient and rate 1, the
// accounting currency and today; OK is refused at the control that holds a bad value: a
// missing or reversed period, a coefficient or rate not above zero, a price list, price type
// or currency the company does not know (codes are looked up as values, never as SQL).
class frmPriceCalc : public Ui::ParamForm {
public:
    explicit frmPriceCalc(std::shared_ptr<Book> book);

    // Shows the form over the parameters given by name ("BegDate", "EndDate", "Koeff", "Rate",
    // "PriceListCode", "PriceTypeCode", "CurrencyCode", "Dt"; the rest get the defaults above);
    // on OK the request holds the user's choice. False when the user cancelled.
    bool Run(const FieldList& given, PriceCalcRequest& request);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    // Why the form's values cannot be used, with the control at fault; empty when they can.
    std::pair<std::string, std::string> Refusal() const;
    bool Known(const char* table, const std::string& code) const;

    std::shared_ptr<Book> book_;
};

} // namespace Talvex
