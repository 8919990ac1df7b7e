#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

namespace Quarn_DuzAde {

// The arithmetic of late payment that the debt reports share: how many days a payment or a
// report date lies past a due date, and the penalty an amount accrues over those days.

// Whole calendar days from the due date to the day of payment (or of the report); 0 when
// paid on the due day or earlier. A leap day counts as any other day.
long OverdueDays(Talvex::Date due, Talvex::Date paidOn);

// days × amount × percentPerDay / 100, worked out exactly and then kept in the money type,
// rounding half to even to four decimals as the ERP's money type does when it stores a
// product. A negative amount (a credit) accrues a negative penalty; no days, no penalty.
[[nodiscard]] Talvex::Currency PenaltyRoundHalfToEven(Talvex::Currency amount, long days,
                                                      const Talvex::Decimal& percentPerDay);

} // namespace Quarn_DuzAde
