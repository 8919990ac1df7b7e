#pragma once

#include "host/types/Value.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

class Form;

enum class ControlKind {
    Label,
    TextBox,
    NumberBox,
    DateBox,
    ComboBox,
    Selector,
    CheckBox,
    OptionButton,
    Button,
    Grid,
    TabControl,
    Frame,
};

std::string_view ControlKindName(ControlKind kind);

struct ComboItem {
    std::string code;
    std::string name;
};

// A combo filled from a reference table (departments, persons): the host loads its items.
struct LookupBinding {
    std::string table;
    std::string codeColumn = "Code";
    std::string nameColumn = "Name";
};

enum class SelectionType { Single, Multiple };

// A reference selector (clients, goods): the user picks codes of the reference.
struct SelectorBinding {
    std::string reference;
    SelectionType selectionType = SelectionType::Single;
};

// A number as people type it ("1 234,50", "1234.50"), exact; nullopt when it is none.
std::optional<Currency> ParseTypedNumber(std::string_view typed);
// A date typed as yyyy-mm-dd, or with '.' or '/' between its parts; nullopt when it is none.
std::optional<Date> ParseTypedDate(std::string_view typed);

// Whether a date format shows months only ("mm.yyyy"): such a box holds the month's first
// day and takes a month typed as it shows it, or as "yyyy-mm".
bool IsMonthFormat(const std::string& format);

// One control declared on a form. Its value is a Value of the kind's type: text for text
// boxes, combos and selectors, Currency for number boxes, Date for date boxes, 0 or 1 for
// check boxes, a boolean for option buttons, the tab index for a tab control.
//
// Values set by code are converted to the kind's type and raise no event; values typed by
// the user arrive through Form::UserInput, are checked the same way, and raise Change (or
// Click for check and option buttons) only when accepted.
class Control {
public:
    Control(Form& owner, ControlKind kind, std::string name, std::string caption);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Form& Owner() const { return owner_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const Value& GetValue() const { return value_; }
    // Throws ValueError naming the control when the value does not fit its kind.
    void SetValue(const Value& value);
    // The value as the control shows it, through its display format.
    std::string DisplayText() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // A locked control shows its value but takes no input (read-only header fields).
    bool Locked() const { return locked_; }
    void SetLocked(bool locked);
    // Why the form refused what the control holds, shown at the control; empty when nothing.
    const std::string& Refusal() const { return refusal_; }
    void SetRefusal(std::string refusal);
    const std::string& ToolTip() const { return toolTip_; }
    void SetToolTip(std::string toolTip);
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int tabIndex) { tabIndex_ = tabIndex; }

    // Display format of date and number boxes ("mm.yyyy", "#,##0.00").
    const std::string& Format() const { return format_; }
    void SetFormat(std::string format);
    // Decimals a number box accepts (2 unless set).
    int Decimals() const { return decimals_; }
    void SetDecimals(int decimals);

    // Combo box: its items, or the reference it is bound to.
    const std::vector<ComboItem>& Items() const { return items_; }
    void SetItems(std::vector<ComboItem> items);
    const LookupBinding* Lookup() const { return hasLookup_ ? &lookup_ : nullptr; }
    void BindLookup(LookupBinding lookup);
    // Selector: the reference and how many codes may be chosen.
    const SelectorBinding& Selector() const { return selector_; }
    void BindSelector(SelectorBinding selector);
    // Option button: the group whose buttons exclude each other.
    const std::string& Group() const { return group_; }
    void SetGroup(std::string group) { group_ = std::move(group); }
    // Tab control: the captions of its tabs.
    const std::vector<std::string>& Tabs() const { return tabs_; }
    void SetTabs(std::vector<std::string> tabs);
    // The page of a tab control the control stands on (from 0); front ends show it only while
    // that page is chosen. Empty name: the control stands on the form itself.
    const std::string& TabControlName() const { return tabControl_; }
    int TabPage() const { return tabPage_; }
    void PlaceOnTab(std::string tabControl, int page);
    // Dialogs: the record field the control shows and edits.
    const std::string& BoundField() const { return boundField_; }
    void BindField(std::string field) { boundField_ = std::move(field); }
    // Buttons: pressed by Enter (default) or Escape (cancel) when no handler of their own says otherwise.
    bool IsDefault() const { return isDefault_; }
    void SetDefault(bool isDefault) { isDefault_ = isDefault; }
    bool IsCancel() const { return isCancel_; }
    void SetCancel(bool isCancel) { isCancel_ = isCancel; }

    // Checks a value against the kind and returns it in the kind's type; throws ValueError
    // naming the control and the problem, leaving the control as it was.
    Value Normalize(const Value& input) const;
    // Whether the user may type into or choose a value of this kind of control.
    bool TakesInput() const;

protected:
    void Changed(std::string_view what);

private:
    [[noreturn]] void Refuse(const std::string& problem) const;
    Value NormalizeNumber(const Value& input) const;
    Value NormalizeDate(const Value& input) const;
    Value NormalizeChoice(const Value& input) const;
    Value NormalizeSelection(const Value& input) const;
    Value NormalizeFlag(const Value& input) const;

    Form& owner_;
    ControlKind kind_;
    std::string name_;
    std::string caption_;
    Value value_;
    bool enabled_ = true;
    bool visible_ = true;
    bool locked_ = false;
    std::string toolTip_;
    std::string refusal_;
    int tabIndex_ = 0;
    std::string format_;
    int decimals_ = 2;
    std::vector<ComboItem> items_;
    bool hasLookup_ = false;
    LookupBinding lookup_;
    SelectorBinding selector_;
    std::string group_;
    std::vector<std::string> tabs_;
    std::string tabControl_;
    int tabPage_ = 0;
    std::string boundField_;
    bool isDefault_ = false;
    bool isCancel_ = false;
};

} // namespace Talvex::Ui
