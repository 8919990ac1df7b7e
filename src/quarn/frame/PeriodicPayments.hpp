#pragma once

#include "host/types/Date.hpp"

#include <set>
#include <vector>

namespace Quarn_DuzAde {

// How often a periodic series of planned payments falls due.
enum class PaymentInterval { Month, Week, Decade, Quarter };

// The fixed public holidays: 1 January, 16 February, 11 March, 1 May, 6 July, 15 August,
// 1 November, 25 and 26 December.
[[nodiscard]] bool IsPublicHoliday(Talvex::Date day);

// The working day a payment due on `day` is planned for: a holiday or a weekend moves it
// back, repeatedly, until it lands on a day that is neither. Public holidays move it back
// one day (26 December two, past Christmas Day at once), Saturday one, Sunday two; a day
// the company's calendar takes off (companyDaysOff) moves it back one day.
[[nodiscard]] Talvex::Date WorkingDayOnOrBefore(Talvex::Date day, const std::set<Talvex::Date>& companyDaysOff = {});

// The due dates of a series that starts on `first`: first + i intervals for i = 0, 1, ...
// while they stay in first's year. Months and quarters count from the first date itself,
// so a series from 31 January gives the last day of each shorter month.
[[nodiscard]] std::vector<Talvex::Date> PeriodicDueDates(Talvex::Date first, PaymentInterval interval);

// The series with every date moved to its working day.
[[nodiscard]] std::vector<Talvex::Date> PeriodicPaymentDates(Talvex::Date first, PaymentInterval interval,
                                                             const std::set<Talvex::Date>& companyDaysOff = {});

} // namespace Quarn_DuzAde
