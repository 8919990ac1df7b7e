#include "quarn/debt/Penalties.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Decimal;

long OverdueDays(Talvex::Date due, Talvex::Date paidOn)
{
    const long days = due.DaysUntil(paidOn);
    return days > 0 ? days : 0;
}

Currency PenaltyRoundHalfToEven(Currency amount, long days, const Decimal& percentPerDay)
{
    if (days <= 0 || amount.IsZero() || percentPerDay.IsZero()) return Currency();
    const Decimal exact =
        Decimal::FromInteger(days) * Decimal::FromCurrency(amount) * percentPerDay / Decimal::FromInteger(100);
    return exact.ToCurrency();
}

} // namespace Quarn_DuzAde
