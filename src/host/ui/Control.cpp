#include "host/ui/Control.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Form.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Ui {

namespace {

// "mm.yyyy", "mm-yyyy", "mm/yyyy" or "mm yyyy" (month first) and "yyyy-mm", "yyyy.mm" or
// "yyyy/mm" (year first): the first day of that month.
bool TryParseMonth(const std::string& text, Date& month)
{
    auto digits = [&](std::size_t from, std::size_t count) {
        if (from + count > text.size()) return -1;
        int value = 0;
        for (std::size_t k = from; k < from + count; ++k) {
            if (text[k] < '0' || text[k] > '9') return -1;
            value = value * 10 + (text[k] - '0');
        }
        return value;
    };
    auto separator = [&](std::size_t at) {
        return at < text.size() && (text[at] == '.' || text[at] == '-' || text[at] == '/' || text[at] == ' ');
    };
    int year = -1;
    int number = -1;
    if (text.size() == 7 && separator(2)) {
        number = digits(0, 2);
        year = digits(3, 4);
    } else if (text.size() == 7 && separator(4)) {
        year = digits(0, 4);
        number = digits(5, 2);
    }
    if (year < 1 || number < 1 || number > 12) return false;
    month = Date(year, number, 1);
    return true;
}

} // namespace

bool IsMonthFormat(const std::string& format)
{
    return format.find("mm") != std::string::npos && format.find("yyyy") != std::string::npos &&
           format.find('d') == std::string::npos;
}

namespace {

std::string Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsBlank(const Value& v)
{
    return v.IsEmpty() || v.IsNull() || (v.IsText() && Trimmed(v.ToText()).empty());
}

} // namespace

std::string_view ControlKindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label: return "Label";
    case ControlKind::TextBox: return "TextBox";
    case ControlKind::NumberBox: return "NumberBox";
    case ControlKind::DateBox: return "DateBox";
    case ControlKind::ComboBox: return "ComboBox";
    case ControlKind::Selector: return "Selector";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::OptionButton: return "OptionButton";
    case ControlKind::Button: return "Button";
    case ControlKind::Grid: return "Grid";
    case ControlKind::TabControl: return "TabControl";
    case ControlKind::Frame: return "Frame";
    }
    return "Control";
}

Control::Control(Form& owner, ControlKind kind, std::string name, std::string caption)
    : owner_(owner), kind_(kind), name_(std::move(name)), caption_(std::move(caption))
{
    if (name_.empty()) throw ValueError("Control: a control needs a name");
    if (kind_ == ControlKind::CheckBox) value_ = Value(0);
    if (kind_ == ControlKind::OptionButton) value_ = Value(false);
    if (kind_ == ControlKind::TabControl) value_ = Value(0);
}

void Control::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    Changed("caption");
}

void Control::SetValue(const Value& value)
{
    value_ = Normalize(value);
    Changed("value");
}

std::string Control::DisplayText() const
{
    return DisplayFormat::Apply(value_, format_);
}

void Control::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    Changed("enabled");
}

void Control::SetVisible(bool visible)
{
    visible_ = visible;
    Changed("visible");
}

void Control::SetLocked(bool locked)
{
    locked_ = locked;
    Changed("locked");
}

void Control::SetToolTip(std::string toolTip)
{
    toolTip_ = std::move(toolTip);
    Changed("toolTip");
}

void Control::SetFormat(std::string format)
{
    format_ = std::move(format);
    Changed("format");
}

void Control::SetDecimals(int decimals)
{
    if (decimals < 0 || decimals > 4) throw ValueError(name_ + ": decimals must be 0 to 4");
    decimals_ = decimals;
}

void Control::SetItems(std::vector<ComboItem> items)
{
    items_ = std::move(items);
    Changed("items");
}

void Control::BindLookup(LookupBinding lookup)
{
    if (lookup.table.empty()) throw ValueError(name_ + ": a lookup needs a table");
    lookup_ = std::move(lookup);
    hasLookup_ = true;
    Changed("lookup");
}

void Control::BindSelector(SelectorBinding selector)
{
    selector_ = std::move(selector);
    Changed("selector");
}

void Control::SetTabs(std::vector<std::string> tabs)
{
    tabs_ = std::move(tabs);
    Changed("tabs");
}

void Control::PlaceOnTab(std::string tabControl, int page)
{
    if (page < 0)
        throw ValueError(owner_.Name() + "." + name_ + ": tab page " + std::to_string(page) + " is not a page");
    tabControl_ = std::move(tabControl);
    tabPage_ = page;
    Changed("tab");
}

bool Control::TakesInput() const
{
    switch (kind_) {
    case ControlKind::Label:
    case ControlKind::Button:
    case ControlKind::Grid:
    case ControlKind::Frame: return false;
    default: return true;
    }
}

Value Control::Normalize(const Value& input) const
{
    switch (kind_) {
    case ControlKind::Label:
    case ControlKind::TextBox:
        if (input.IsEmpty() || input.IsNull()) return Value(std::string());
        if (input.IsObject()) Refuse("an object is not text");
        return Value(input.ToText());
    case ControlKind::NumberBox: return NormalizeNumber(input);
    case ControlKind::DateBox: return NormalizeDate(input);
    case ControlKind::ComboBox: return NormalizeChoice(input);
    case ControlKind::Selector: return NormalizeSelection(input);
    case ControlKind::CheckBox:
    case ControlKind::OptionButton: return NormalizeFlag(input);
    case ControlKind::TabControl: {
        std::int64_t index = 0;
        try {
            index = input.ToInteger();
        } catch (const ValueError&) {
            Refuse("'" + input.ToInvariantText() + "' is not a tab number");
        }
        if (index < 0 || (!tabs_.empty() && index >= static_cast<std::int64_t>(tabs_.size())))
            Refuse("has no tab " + std::to_string(index));
        return Value(index);
    }
    case ControlKind::Button:
    case ControlKind::Grid:
    case ControlKind::Frame: break;
    }
    Refuse(std::string("a ") + std::string(ControlKindName(kind_)) + " holds no value");
}

std::optional<Currency> ParseTypedNumber(std::string_view typed)
{
    // People type "1 234,50" as often as "1234.50": spaces group, a lone comma is the
    // decimal point, a comma beside a point groups thousands.
    const bool hasPoint = typed.find('.') != std::string_view::npos;
    std::string cleaned;
    for (char c : typed) {
        if (c == ' ') continue;
        if (c == ',') {
            if (!hasPoint) cleaned += '.';
            continue;
        }
        cleaned += c;
    }
    Currency amount;
    if (!Currency::ParseExact(cleaned, amount)) return std::nullopt;
    return amount;
}

std::optional<Date> ParseTypedDate(std::string_view typed)
{
    std::string iso(typed);
    // yyyy.mm.dd and yyyy/mm/dd are the same date written with the locale's separator.
    if (iso.size() >= 10 && (iso[4] == '.' || iso[4] == '/') && iso[7] == iso[4]) {
        iso[4] = '-';
        iso[7] = '-';
    }
    Date date;
    if (!Date::TryParse(iso, date)) return std::nullopt;
    return date;
}

Value Control::NormalizeNumber(const Value& input) const
{
    if (IsBlank(input)) return Value();
    Currency amount;
    if (input.IsText()) {
        // People type "1 234,50" as often as "1234.50": spaces group, a lone comma is the
        // decimal point, a comma beside a point groups thousands.
        const std::string text = Trimmed(input.ToText());
        const std::optional<Currency> typed = ParseTypedNumber(text);
        if (!typed) Refuse("'" + text + "' is not a number");
        amount = *typed;
    } else if (input.IsNumber()) {
        try {
            amount = input.ToCurrency();
        } catch (const ValueError&) {
            Refuse("'" + input.ToInvariantText() + "' is out of range");
        }
    } else {
        Refuse("'" + input.ToInvariantText() + "' is not a number");
    }
    std::int64_t step = 1;
    for (int i = decimals_; i < 4; ++i)
        step *= 10;
    if (amount.Units() % step != 0)
        Refuse("'" + amount.ToString() + "' has more than " + std::to_string(decimals_) + " decimals");
    return Value(amount);
}

Value Control::NormalizeDate(const Value& input) const
{
    if (IsBlank(input)) return Value();
    if (input.IsDate()) return input;
    if (!input.IsText()) Refuse("'" + input.ToInvariantText() + "' is not a date");
    const std::string text = Trimmed(input.ToText());
    // A box that shows months ("mm.yyyy") takes a month as it shows it, or as "yyyy-mm": the
    // month's first day stands for it; a whole date is taken as it is.
    if (IsMonthFormat(format_)) {
        Date month;
        if (TryParseMonth(text, month)) return Value(month);
    }
    const std::optional<Date> date = ParseTypedDate(text);
    if (!date) {
        const bool dateShaped =
            text.size() == 10 && (text[4] == '-' || text[4] == '.' || text[4] == '/') && text[7] == text[4];
        if (dateShaped) Refuse("'" + text + "' is not a valid date");
        if (IsMonthFormat(format_)) Refuse("'" + text + "' is not a month (" + format_ + ")");
        Refuse("'" + text + "' is not a date (yyyy-mm-dd)");
    }
    return Value(*date);
}

Value Control::NormalizeChoice(const Value& input) const
{
    if (IsBlank(input)) return Value(std::string());
    std::string text = Trimmed(input.ToText());
    if (items_.empty()) return Value(text); // bound lookups are checked by their reference
    for (const auto& item : items_) {
        if (item.code == text) return Value(item.code);
    }
    for (const auto& item : items_) {
        if (item.name == text) return Value(item.code);
    }
    Refuse("'" + text + "' is not in the list");
}

Value Control::NormalizeSelection(const Value& input) const
{
    if (IsBlank(input)) return Value(std::string());
    std::string text = Trimmed(input.ToText());
    if (selector_.selectionType == SelectionType::Single && text.find(',') != std::string::npos)
        Refuse("takes one code, not '" + text + "'");
    return Value(text);
}

Value Control::NormalizeFlag(const Value& input) const
{
    bool set = false;
    if (input.IsText()) {
        std::string text = Lowered(Trimmed(input.ToText()));
        if (text == "1" || text == "true" || text == "yes" || text == "on")
            set = true;
        else if (text == "0" || text == "false" || text == "no" || text == "off" || text.empty())
            set = false;
        else
            Refuse("'" + input.ToText() + "' is neither set nor cleared");
    } else if (input.IsEmpty()) {
        set = false;
    } else {
        try {
            set = input.ToBool();
        } catch (const ValueError&) {
            Refuse("'" + input.ToInvariantText() + "' is neither set nor cleared");
        }
    }
    if (kind_ == ControlKind::CheckBox) return Value(set ? 1 : 0);
    return Value(set);
}

void Control::Refuse(const std::string& problem) const
{
    throw ValueError(name_ + ": " + problem);
}

void Control::SetRefusal(std::string refusal)
{
    if (refusal == refusal_) return;
    refusal_ = std::move(refusal);
    Changed("refusal");
}

void Control::Changed(std::string_view what)
{
    owner_.NotifyControlChanged(*this, what);
}

} // namespace Talvex::Ui
