#include "host/objects/RateJoin.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

namespace Talvex {

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

    // The rate itself is read where an amount is converted (ConvertExpr): a sub-select of
    // the latest rate, evaluated only for rows in a foreign currency, which PostgreSQL answers
    // by one backward step on the rates' unique index. A join on the latest DateApply made it
    // compute that date for every row, in the accounting currency too.
    dateExpression_ = date;
}

std::string RateJoin::ConvertExpr(const std::string& currencyColumn, const std::string& amountExpression,
                                  const std::string& /*reserved*/) const
{
    if (!book_) throw ValueError("RateJoin: Init was not called");
    std::string currency =
        EqualsIgnoreCase(currencyColumn, currencyColumn_) ? currencyExpression_ : "oTable." + currencyColumn;
    std::string accountCurrency = SqlTools::Literal(7, Value(book_->AccountCurrency()));
    // The rate of the currency joined in JoinRates (its default rate type is the one known);
    // a currency without a rate on the date gives no rate (NULL), as an outer join would.
    const std::string rate = "(SELECT TOP 1 " + crossAlias_ + ".Rate FROM REFCurrencyRate " + crossAlias_ + " WHERE " +
                             crossAlias_ + ".CurrencyCode = " + currencyExpression_ + " AND " + crossAlias_ +
                             ".RateTypeCode = " + rateAlias_ + ".DefaultRateType AND " + crossAlias_ +
                             ".DateApply <= " + dateExpression_ + " ORDER BY " + crossAlias_ + ".DateApply DESC)";
    return "(CASE WHEN " + currency + " = " + accountCurrency + " THEN " + amountExpression + " ELSE ROUND((" +
           amountExpression + ") * " + rate + ", 2) END)";
}

} // namespace Talvex
