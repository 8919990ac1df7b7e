#include "host/ui/DisplayFormat.hpp"

#include "host/types/Errors.hpp"

#include <cstdio>

namespace Talvex::Ui {

namespace {

std::string FormatNumber(const Value& value, std::string_view format)
{
    // Shown through the exact decimal, so that an amount or a decimal of any scale is
    // rounded once, from its own digits, half away from zero as the ERP's Format does.
    Decimal number;
    try {
        number = value.ToDecimal();
    } catch (const ValueError&) {
        return value.ToInvariantText(); // beyond a decimal's range: shown as it is
    }
    const std::size_t point = format.find('.');
    const std::string_view integerPart = format.substr(0, point);
    int minDecimals = 0;
    int maxDecimals = 0;
    if (point != std::string_view::npos) {
        for (char c : format.substr(point + 1)) {
            if (c == '0')
                ++minDecimals, ++maxDecimals;
            else if (c == '#')
                ++maxDecimals;
        }
    }
    if (maxDecimals > Decimal::kMaxScale) maxDecimals = Decimal::kMaxScale;
    if (minDecimals > maxDecimals) minDecimals = maxDecimals;
    const bool grouped = integerPart.find(',') != std::string_view::npos;

    std::string text = number.ToFixed(maxDecimals);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.erase(0, 1);
    std::string whole = text.substr(0, text.find('.'));
    std::string fraction = text.find('.') == std::string::npos ? "" : text.substr(text.find('.') + 1);
    while (static_cast<int>(fraction.size()) > minDecimals && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (grouped) {
        std::string withGroups;
        int count = 0;
        for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
            if (count > 0 && count % 3 == 0) withGroups.insert(withGroups.begin(), ',');
            withGroups.insert(withGroups.begin(), *it);
            ++count;
        }
        whole = withGroups;
    }
    std::string result = whole;
    if (!fraction.empty()) result += "." + fraction;
    const bool isZero = result.find_first_not_of("0.,") == std::string::npos;
    if (negative && !isZero) result.insert(result.begin(), '-');
    return result;
}

std::string FormatDate(const Date& date, std::string_view format)
{
    std::string result;
    char buffer[8];
    std::size_t i = 0;
    auto run = [&](char letter) {
        std::size_t n = 0;
        while (i + n < format.size() && (format[i + n] == letter || format[i + n] == letter - 32))
            ++n;
        return n;
    };
    while (i < format.size()) {
        const char c = format[i];
        if (c == 'y' || c == 'Y') {
            const std::size_t n = run('y');
            if (n >= 4)
                std::snprintf(buffer, sizeof buffer, "%04d", date.Year());
            else
                std::snprintf(buffer, sizeof buffer, "%02d", date.Year() % 100);
            result += buffer;
            i += n;
        } else if (c == 'm' || c == 'M') {
            const std::size_t n = run('m');
            std::snprintf(buffer, sizeof buffer, n >= 2 ? "%02u" : "%u", date.Month());
            result += buffer;
            i += n;
        } else if (c == 'd' || c == 'D') {
            const std::size_t n = run('d');
            std::snprintf(buffer, sizeof buffer, n >= 2 ? "%02u" : "%u", date.Day());
            result += buffer;
            i += n;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

} // namespace

bool DisplayFormat::IsNumeric(std::string_view format)
{
    return !format.empty() && format.find_first_of("0#") != std::string_view::npos &&
           format.find_first_of("yYmMdD") == std::string_view::npos;
}

std::string DisplayFormat::Natural(const Value& value)
{
    if (std::holds_alternative<Currency>(value.Raw())) return "#,##0.00";
    if (const auto* d = std::get_if<Decimal>(&value.Raw()))
        return d->Scale() == 0 ? "#,##0" : "#,##0." + std::string(static_cast<std::size_t>(d->Scale()), '0');
    return {};
}

std::string DisplayFormat::Apply(const Value& value, std::string_view format)
{
    if (value.IsEmpty() || value.IsNull()) return "";
    if (value.IsObject()) return "(object)";
    if (value.IsDate()) {
        if (format.empty() || IsNumeric(format)) return value.ToDate().ToIso();
        return FormatDate(value.ToDate(), format);
    }
    if (value.IsNumber() && IsNumeric(format)) return FormatNumber(value, format);
    return value.ToInvariantText();
}

} // namespace Talvex::Ui
