#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <memory>
#include <string>

namespace Talvex {

class Book;
class DataList;

// The host's currency-rate service: joins to a list the rate of each row's currency on
// the row's date and converts amounts into the accounting currency. A rate holds from its
// DateApply until the next one; the currency's default rate type is used. The rate of a
// day is joined from REFCurrencyRate's day table, which the database keeps current.
class RateJoin {
public:
    void Init(std::shared_ptr<Book> book, const std::string& crossAlias, const std::string& rateAlias);
    // Joins the rate lists to the list (left outer, no columns added). The columns are
    // the list's own (computed ones by their expression).
    void JoinRates(DataList& list, const std::string& dateColumn, const std::string& currencyColumn,
                   const std::string& reserved = {});
    // The SQL of the amount in the accounting currency, rounded half away from zero to cents;
    // valid in the list given to JoinRates.
    std::string ConvertExpr(const std::string& currencyColumn, const std::string& amountExpression,
                            const std::string& reserved = {}) const;
    // The SQL of the rate itself (one unit of the row's currency in the accounting
    // currency, unrounded), for a caller that converts many amounts of one row exactly on
    // its side; null when the currency has no rate. Valid in the list given to JoinRates.
    std::string RateExpr(const std::string& currencyColumn) const;

    // The rate of a currency on a day as a value: one unit of the currency in the accounting
    // currency, by the latest rate of the currency's default rate type dated up to the day.
    // 1 for the accounting currency; null when the currency has no such rate.
    Value CrRate(const std::string& currencyCode, Date day) const;

private:
    std::string ColumnExpression(const DataList& list, const std::string& column) const;
    std::string CurrencyExpression(const std::string& currencyColumn) const;

    std::shared_ptr<Book> book_;
    std::string crossAlias_ = "Cros";
    std::string rateAlias_ = "Rate";
    std::string currencyColumn_;
    std::string currencyExpression_;
    std::string dateExpression_;
};

} // namespace Talvex
