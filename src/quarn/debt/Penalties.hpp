#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

namespace Quarn_DuzAde {

// Days a payment due on `due` is late when paid (or looked at) on `paidOn`: 0 when it is
// paid on time or early.
long OverdueDays(Talvex::Date due, Talvex::Date paidOn);

// The late-payment penalty of an amount for so many days at a rate in percent per day:
// days x amount x rate / 100, rounded half away from zero to cents as the invoice states it.
// No days, or a negative count, give no penalty.
[[nodiscard]] Talvex::Currency PenaltyRoundHalfAwayFromZero(Talvex::Currency amount, long days,
                                                            const Talvex::Decimal& percentPerDay);

} // namespace Quarn_DuzAde
