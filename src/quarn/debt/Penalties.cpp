#include "quarn/debt/Penalties.hpp"

namespace Quarn_DuzAde {

using Talvex::Decimal;

long OverdueDays(Talvex::Date due, Talvex::Date paidOn)
{
    const long days = static_cast<long>(due.DaysUntil(paidOn));
    return days < 0 ? 0 : days;
}

Talvex::Currency PenaltyRoundHalfAwayFromZero(Talvex::Currency amount, long days, const Decimal& percentPerDay)
{
    if (days <= 0) return {};
    const Decimal penalty =
        Decimal::FromInteger(days) * Decimal::FromCurrency(amount) * percentPerDay / Decimal::FromInteger(100);
    return penalty.RoundHalfAwayFromZero(2).ToCurrency();
}

} // namespace Quarn_DuzAde
