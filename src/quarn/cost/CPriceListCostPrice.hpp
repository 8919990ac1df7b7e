#pragma once

#include "host/objects/IPriceCalc.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Value.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class DataList;
}

namespace Quarn_DuzAde {

// One price the calculator stores: the goods and unit of the price list bought on a day, and
// its unit cost of that day's purchase times the coefficient, unrounded.
struct CostPriceRow {
    Talvex::Date documentDate;
    std::string goodCode;
    std::string unitCode;
    Talvex::Decimal price;
};

// Fills a price type from purchase cost: for each goods item and unit of a price list bought
// (posted purchase invoices "PISF") in the period, the unit cost of that day's purchase times
// a coefficient, rounded to the price type's decimals (half to even), stored in the goods
// prices from the purchase date on. Prices are made only in the accounting currency; a price
// already stored and equal is not written again.
class CPriceListCostPrice : public Talvex::Object, public Talvex::IPriceCalc {
public:
    void Calc(std::shared_ptr<Talvex::Book>& Book, Talvex::Date& BegDate, Talvex::Date& EndDate, double& Koeff,
              Talvex::Currency& Rate, std::string& PriceListCode, std::string& PriceTypeCode, std::string& CurrencyCode,
              Talvex::Date& Dt) override;

    // The cost list (fetch), unread: DocumentDate, GoodCode, UnitCode and each purchase row's Price.
    static std::shared_ptr<Talvex::DataList> CreateCostList(std::shared_ptr<Talvex::Book> book, Talvex::Date begDate,
                                                            Talvex::Date endDate, double koeff,
                                                            const std::string& priceListCode);
    // The decimals prices of the type are rounded to: the type's RoundToSign, else 4.
    static int PriceDecimals(const std::shared_ptr<Talvex::Book>& book, const std::string& priceTypeCode);

    // How many prices the last Calc inserted and changed.
    int PricesAdded() const { return added_; }
    int PricesChanged() const { return changed_; }

private:
    int added_ = 0;
    int changed_ = 0;
};

// The price stored for a cost row: rounded to the decimals, half to the even neighbour.
[[nodiscard]] Talvex::Currency RoundedCostPrice(const Talvex::Decimal& price, int decimals);

} // namespace Quarn_DuzAde
