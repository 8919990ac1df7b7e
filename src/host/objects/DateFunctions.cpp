#include "host/objects/DateFunctions.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"

#include <array>

namespace Talvex {

namespace {

// Lithuanian writes the month of a date in the genitive: "gruodžio 7 d." is "the 7th day of
// December".
constexpr std::array<std::string_view, 12> kLithuanianMonthsGenitive = {"sausio",  "vasario",  "kovo",      "balandžio",
                                                                        "gegužės", "birželio", "liepos",    "rugpjūčio",
                                                                        "rugsėjo", "spalio",   "lapkričio", "gruodžio"};

constexpr std::array<std::string_view, 12> kEnglishMonths = {"January",   "February", "March",    "April",
                                                             "May",       "June",     "July",     "August",
                                                             "September", "October",  "November", "December"};

} // namespace

std::string LongDateText(Date date, std::string_view language)
{
    const std::size_t month = date.Month() - 1;
    if (language.empty() || EqualsIgnoreCase(language, "lt"))
        return std::to_string(date.Year()) + " m. " + std::string(kLithuanianMonthsGenitive.at(month)) + " " +
               std::to_string(date.Day()) + " d.";
    if (EqualsIgnoreCase(language, "en"))
        return std::to_string(date.Day()) + " " + std::string(kEnglishMonths.at(month)) + " " +
               std::to_string(date.Year());
    throw ValueError("LongDateText: no long date in the language '" + std::string(language) + "'");
}

std::string LongDateText(const Book& book, Date date)
{
    return LongDateText(date, book.Setting("Language").ToText());
}

} // namespace Talvex
