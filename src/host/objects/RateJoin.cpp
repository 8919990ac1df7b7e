#include "host/objects/RateJoin.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

namespace Talvex {

namespace {

constexpr std::string_view kRateOfDay = R"sql(
SELECT TOP 1 Rate.Rate
FROM REFCurrencyRate Rate
INNER JOIN REFCurrency Cur ON Cur.Code = Rate.CurrencyCode AND Cur.DefaultRateType = Rate.RateTypeCode
WHERE Rate.CurrencyCode = ? AND Rate.DateApply <= ?
ORDER BY Rate.DateApply DESC
)sql";

} // namespace

void RateJoin::Init(std::shared_ptr<Book> book, const std::string& crossAlias, const std::string& rateAlias)
{
    if (!book) throw ValueError("RateJoin.Init: no Book");
    book_ = std::move(book);
    crossAlias_ = crossAlias;
    rateAlias_ = rateAlias;
}

std::string RateJoin::ColumnExpression(const DataList& list, const std::string& column) const
{
    if (list.Fields().ExistsField(column)) {
        const Field& f = list.Fields().Item(column);
        if (f.IsComputed()) return "(" + f.Expression() + ")";
    }
    return "oTable." + column;
}

void RateJoin::JoinRates(DataList& list, const std::string& dateColumn, const std::string& currencyColumn,
                         const std::string& /*reserved*/)
{
    if (!book_) throw ValueError("RateJoin: Init was not called");
    std::string date = ColumnExpression(list, dateColumn);
    std::string currency = ColumnExpression(list, currencyColumn);
    currencyColumn_ = currencyColumn;
    currencyExpression_ = currency;

    auto currencies = book_->CreateList("REFCurrency");
    currencies->Fields().SelectFields({});
    list.Join(currencies, rateAlias_, rateAlias_ + ".Code = " + currency, 1);

    // The day's rate by equality: the planner hashes the few thousand rate days once, where
    // a look-up of the latest DateApply would run for every row.
    auto rates = book_->CreateList("REFCurrencyRateDay");
    rates->Fields().SelectFields({});
    list.Join(rates, crossAlias_,
              crossAlias_ + ".CurrencyCode = " + currency + " AND " + crossAlias_ + ".RateTypeCode = " + rateAlias_ +
                  ".DefaultRateType AND " + crossAlias_ + ".RateDate = " + date,
              1);
    dateExpression_ = date;
}

std::string RateJoin::CurrencyExpression(const std::string& currencyColumn) const
{
    return EqualsIgnoreCase(currencyColumn, currencyColumn_) ? currencyExpression_ : "oTable." + currencyColumn;
}

std::string RateJoin::RateExpr(const std::string& currencyColumn) const
{
    if (!book_) throw ValueError("RateJoin: Init was not called");
    const std::string currency = CurrencyExpression(currencyColumn);
    // A day past the rate days kept ahead (see REFCurrencyRateDay) is looked up in the rates
    // themselves; COALESCE runs that look-up only for such rows.
    const std::string latestRate = "(SELECT TOP 1 LastRate.Rate FROM REFCurrencyRate LastRate WHERE "
                                   "LastRate.CurrencyCode = " +
                                   currency + " AND LastRate.RateTypeCode = " + rateAlias_ +
                                   ".DefaultRateType AND LastRate.DateApply <= " + dateExpression_ +
                                   " ORDER BY LastRate.DateApply DESC)";
    return "COALESCE(" + crossAlias_ + ".Rate, " + latestRate + ")";
}

std::string RateJoin::ConvertExpr(const std::string& currencyColumn, const std::string& amountExpression,
                                  const std::string& /*reserved*/) const
{
    if (!book_) throw ValueError("RateJoin: Init was not called");
    const std::string currency = CurrencyExpression(currencyColumn);
    std::string accountCurrency = SqlTools::Literal(FieldType::kCode, Value(book_->AccountCurrency()));
    // CASE keeps the rate's look-up away from the rows in the accounting currency.
    return "(CASE WHEN " + currency + " = " + accountCurrency + " THEN " + amountExpression + " ELSE ROUND((" +
           amountExpression + ") * " + RateExpr(currencyColumn) + ", 2) END)";
}

Value RateJoin::CrRate(const std::string& currencyCode, Date day) const
{
    if (!book_) throw ValueError("RateJoin: Init was not called");
    if (EqualsIgnoreCase(currencyCode, book_->AccountCurrency())) return Value(Currency::FromInteger(1));
    auto rs = book_->Db().Query(kRateOfDay, {Value(currencyCode), Value(day)});
    if (rs.rows.empty()) return Value(Null{});
    return rs.rows[0].at(0);
}

} // namespace Talvex
