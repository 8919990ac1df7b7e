#pragma once

#include "host/types/Date.hpp"

#include <string>
#include <string_view>

namespace Talvex {

class Book;

// The host's date functions that speak the company's language.

// A date written out in full as letters and contracts give it: "2026 m. gruodžio 7 d." in
// Lithuanian ("lt"), "7 December 2026" in English ("en"). ValueError for another language.
std::string LongDateText(Date date, std::string_view language);

// The same in the language of the Book's company: its "Language" setting, Lithuanian when
// the company names none.
std::string LongDateText(const Book& book, Date date);

} // namespace Talvex
