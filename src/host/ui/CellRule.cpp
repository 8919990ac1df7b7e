#include "host/ui/CellRule.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/Control.hpp"

#include <cctype>

namespace Talvex::Ui {

namespace {

std::string Trimmed(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

bool IsBlank(const Value& input)
{
    return input.IsEmpty() || input.IsNull() || (input.IsText() && Trimmed(input.ToText()).empty());
}

std::int64_t DecimalStep(int decimals)
{
    std::int64_t step = 1;
    for (int i = decimals; i < 4; ++i)
        step *= 10;
    return step;
}

} // namespace

Value CellRule::Accept(const std::string& column, const Value& input, const Grid& grid, std::size_t row) const
{
    const auto refuse = [&column](const std::string& problem) { return ValueError(column + ": " + problem); };
    if (IsBlank(input)) {
        if (required) throw refuse("a value is required");
        return Value();
    }
    Value accepted;
    const std::string text = input.IsText() ? Trimmed(input.ToText()) : input.ToInvariantText();
    switch (type) {
    case CellType::Text:
        if (maxLength > 0 && text.size() > maxLength)
            throw refuse("'" + text + "' is longer than " + std::to_string(maxLength) + " characters");
        accepted = Value(text);
        break;
    case CellType::Number:
    case CellType::Integer: {
        const std::optional<Currency> amount = input.IsText() ? ParseTypedNumber(text) : std::optional<Currency>();
        if (!amount && !input.IsNumber()) throw refuse("'" + text + "' is not a number");
        Currency value;
        try {
            value = amount ? *amount : input.ToCurrency();
        } catch (const ValueError&) {
            throw refuse("'" + text + "' is out of range");
        }
        const int places = type == CellType::Integer ? 0 : decimals;
        if (value.Units() % DecimalStep(places) != 0)
            throw refuse(type == CellType::Integer
                             ? "'" + text + "' is not a whole number"
                             : "'" + text + "' has more than " + std::to_string(places) + " decimals");
        if (minimum && value < *minimum) throw refuse("'" + text + "' is less than " + minimum->ToString());
        if (maximum && *maximum < value) throw refuse("'" + text + "' is more than " + maximum->ToString());
        accepted = type == CellType::Integer ? Value(value.Units() / Currency::kScale) : Value(value);
        break;
    }
    case CellType::Date: {
        const std::optional<Date> date = input.IsDate() ? input.ToDate() : ParseTypedDate(text);
        if (!date) throw refuse("'" + text + "' is not a date (yyyy-mm-dd)");
        if (earliest && *date < *earliest) throw refuse("'" + text + "' is before " + earliest->ToIso());
        if (latest && *latest < *date) throw refuse("'" + text + "' is after " + latest->ToIso());
        accepted = Value(*date);
        break;
    }
    }
    if (check) {
        if (std::string problem = check(accepted, grid, row); !problem.empty()) throw refuse(problem);
    }
    return accepted;
}

} // namespace Talvex::Ui
