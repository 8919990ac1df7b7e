#include "host/ui/Form.hpp"

#include "host/ui/BaseDialog.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Ui {

Form::Form(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption))
{
    if (name_.empty()) throw UiError("Form: a form needs a name");
}

Form::~Form()
{
    if (session_ != nullptr && visible_) session_->RemoveWindow(*this);
}

void Form::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    if (session_ != nullptr && visible_) session_->Notify({WindowChange::Kind::FormChanged, name_, "", "caption"});
}

void Form::SetTag(Value tag)
{
    tag_ = std::move(tag);
}

template <class T> T& Form::AddControl(std::unique_ptr<T> control)
{
    if (Find(control->Name()) != nullptr)
        throw UiError(name_ + ": the control '" + control->Name() + "' is declared twice");
    T& added = *control;
    controls_.push_back(std::move(control));
    return added;
}

Control& Form::Add(ControlKind kind, std::string name, std::string caption)
{
    if (kind == ControlKind::Grid) {
        Grid& grid = AddGrid(std::move(name));
        grid.SetCaption(std::move(caption));
        return grid;
    }
    return AddControl(std::make_unique<Control>(*this, kind, std::move(name), std::move(caption)));
}

Grid& Form::AddGrid(std::string name)
{
    return AddControl(std::make_unique<Grid>(*this, std::move(name)));
}

LocalList& Form::AddLocalList(std::string name)
{
    return AddControl(std::make_unique<LocalList>(*this, std::move(name)));
}

Control* Form::Find(std::string_view name) const
{
    for (const auto& control : controls_) {
        if (control->Name() == name) return control.get();
    }
    return nullptr;
}

Control& Form::Ctl(std::string_view name) const
{
    if (Control* control = Find(name)) return *control;
    throw UiError(name_ + ": no control '" + std::string(name) + "'");
}

Grid& Form::GridCtl(std::string_view name) const
{
    if (auto* grid = dynamic_cast<Grid*>(&Ctl(name))) return *grid;
    throw UiError(name_ + "." + std::string(name) + ": not a grid");
}

LocalList& Form::ListCtl(std::string_view name) const
{
    if (auto* list = dynamic_cast<LocalList*>(&Ctl(name))) return *list;
    throw UiError(name_ + "." + std::string(name) + ": not a local list");
}

namespace {

// The events the form raises for its controls (Form::UserInput, UserClick, the grid actions).
bool IsControlEvent(std::string_view event)
{
    return event == "Click" || event == "DblClick" || event == "Change" || event == "RowColChange" ||
           event == "CellChange" || event == "AddRow" || event == "DeleteRow" || event == "AfterDeleteRow";
}

} // namespace

void Form::On(std::string source, std::string event, Handler handler)
{
    // A handler under a misspelt control name would never run; it fails where it is written.
    // Engines raise their own events under member names that are no controls ("mBaseDlg",
    // a local list's OnRefresh), so only the events of controls ask for a declared control.
    if (source != "Form" && IsControlEvent(event) && Find(source) == nullptr)
        throw UiError(name_ + ": a " + event + " handler for '" + source + "', which is no control of the form");
    handlers_[{std::move(source), std::move(event)}] = std::move(handler);
}

bool Form::HasHandler(std::string_view source, std::string_view event) const
{
    return handlers_.count({std::string(source), std::string(event)}) != 0;
}

bool Form::Raise(const std::string& source, const std::string& event, EventArgs& args)
{
    auto it = handlers_.find({source, event});
    if (it == handlers_.end()) return false;
    args.source = source;
    args.event = event;
    // A copy: the handler may register or replace handlers while it runs.
    Handler handler = it->second;
    handler(args);
    return true;
}

bool Form::Fire(const std::string& source, const std::string& event, EventArgs& args)
{
    Session* session = session_ != nullptr ? session_ : Session::TryCurrent();
    try {
        return Raise(source, event, args);
    } catch (const NoAnswerError&) {
        throw;
    } catch (const std::exception& error) {
        if (session == nullptr) throw;
        session->ReportError(name_ + "." + source + " " + event, error.what());
    } catch (...) {
        if (session == nullptr) throw;
        session->ReportError(name_ + "." + source + " " + event, "an error of unknown kind");
    }
    return false;
}

bool Form::Fire(const std::string& source, const std::string& event)
{
    EventArgs args;
    return Fire(source, event, args);
}

Session& Form::ResolveSession()
{
    if (session_ == nullptr) session_ = &Session::Current();
    return *session_;
}

void Form::EnsureLoaded()
{
    if (loaded_) return;
    loaded_ = true;
    Fire("Form", "Load");
}

void Form::Show(bool modal)
{
    if (modal) {
        ShowModal({});
        return;
    }
    Session& session = ResolveSession();
    EnsureLoaded();
    if (visible_) return;
    visible_ = true;
    modal_ = false;
    ++showings_;
    session.ShowModeless(*this);
}

void Form::ShowModal(const std::function<void()>& onShown)
{
    Session& session = ResolveSession();
    EnsureLoaded();
    if (visible_) throw UiError(name_ + ": a form already shown cannot be shown modally");
    visible_ = true;
    modal_ = true;
    ++showings_;
    try {
        session.RunModal(*this, onShown);
    } catch (...) {
        modal_ = false;
        Hide();
        throw;
    }
    modal_ = false;
}

void Form::Hide()
{
    if (!visible_) return;
    visible_ = false;
    if (session_ != nullptr) session_->RemoveWindow(*this);
}

bool Form::Unload()
{
    if (!loaded_ && !visible_) return true;
    EventArgs args;
    Fire("Form", "Unload", args);
    if (args.cancel) return false;
    loaded_ = false;
    Hide();
    return true;
}

Control& Form::UsableControl(std::string_view name, std::string_view action) const
{
    Control& control = Ctl(name);
    if (!control.Visible()) throw UiError(name_ + "." + control.Name() + ": hidden, cannot " + std::string(action));
    if (!control.Enabled()) throw UiError(name_ + "." + control.Name() + ": disabled, cannot " + std::string(action));
    return control;
}

void Form::UserInput(std::string_view name, const Value& value)
{
    Control& control = UsableControl(name, "take input");
    if (!control.TakesInput())
        throw UiError(name_ + "." + control.Name() + ": a " + std::string(ControlKindName(control.Kind())) +
                      " takes no input");
    if (control.Locked()) throw UiError(name_ + "." + control.Name() + ": read-only");
    Value accepted = control.Normalize(value);
    if (control.Kind() == ControlKind::OptionButton && accepted.ToBool() && !control.Group().empty()) {
        for (const auto& other : controls_) {
            if (other.get() != &control && other->Kind() == ControlKind::OptionButton &&
                other->Group() == control.Group())
                other->SetValue(Value(false));
        }
    }
    control.SetValue(accepted);
    if (dialog_ != nullptr && !control.BoundField().empty()) dialog_->MarkChanged();
    EventArgs args;
    args.value = accepted;
    const bool clicks = control.Kind() == ControlKind::CheckBox || control.Kind() == ControlKind::OptionButton;
    Fire(control.Name(), clicks ? "Click" : "Change", args);
}

void Form::UserClick(std::string_view name)
{
    Control& control = UsableControl(name, "be clicked");
    if (control.Kind() == ControlKind::CheckBox) {
        UserInput(name, Value(control.GetValue().ToInteger() == 0 ? 1 : 0));
        return;
    }
    if (control.Kind() == ControlKind::OptionButton) {
        UserInput(name, Value(true));
        return;
    }
    if (HasHandler(control.Name(), "Click")) {
        Fire(control.Name(), "Click");
        return;
    }
    if (control.Kind() == ControlKind::Button) PressWithoutHandler(control);
}

void Form::PressWithoutHandler(Control& button)
{
    // The host's own meaning of a dialog's buttons when the form gives them none.
    if (button.IsCancel()) {
        Hide();
    } else if (button.IsDefault()) {
        if (dialog_ == nullptr || dialog_->Save()) Hide();
    }
}

void Form::UserDblClickRow(std::string_view gridName, long row, std::string_view column)
{
    UsableControl(gridName, "be double-clicked");
    Grid& grid = GridCtl(gridName);
    grid.SetCurrentCell(row, column);
    EventArgs args;
    args.row = row;
    args.column = grid.CurrentColumnName();
    Fire(grid.Name(), "DblClick", args);
}

void Form::UserSetCurrentCell(std::string_view gridName, long row, std::string_view column)
{
    UsableControl(gridName, "take the current cell");
    Grid& grid = GridCtl(gridName);
    grid.SetCurrentCell(row, column);
    EventArgs args;
    args.row = row;
    args.column = grid.CurrentColumnName();
    Fire(grid.Name(), "RowColChange", args);
}

void Form::UserSelectRows(std::string_view gridName, const std::vector<long>& rows)
{
    UsableControl(gridName, "select rows");
    GridCtl(gridName).SetSelectedRows(rows);
}

void Form::UserChooseMenu(std::string_view listName, std::string_view key)
{
    UsableControl(listName, "open its menu");
    ListCtl(listName).ChooseMenuItem(key);
}

void Form::UserEditCell(std::string_view gridName, long row, std::string_view column, const Value& input)
{
    UsableControl(gridName, "take input");
    Grid& grid = GridCtl(gridName);
    if (grid.Locked()) throw UiError(name_ + "." + grid.Name() + ": read-only");
    const auto stored = static_cast<std::size_t>(std::max(0L, row));
    grid.SetCurrentCell(row, column);
    Value accepted;
    try {
        accepted = grid.AcceptCell(stored, column, input);
    } catch (const ValueError& refusal) {
        grid.SetRefusal(stored, column, CellRefusal{input.ToText(), refusal.what()});
        throw ValueError(name_ + "." + grid.Name() + ": " + refusal.what());
    }
    grid.ClearRefusal(stored, column);
    grid.SetCell(stored, column, accepted);
    EventArgs args;
    args.row = row;
    args.column = std::string(column);
    args.value = accepted;
    Fire(grid.Name(), "CellChange", args);
}

void Form::UserAddRow(std::string_view gridName)
{
    UsableControl(gridName, "take a row");
    Grid& grid = GridCtl(gridName);
    if (!grid.RowsAddable() || grid.Locked()) throw UiError(name_ + "." + grid.Name() + ": takes no new rows");
    const std::size_t row = grid.AddRow({});
    grid.SetCurrentRow(static_cast<long>(row));
    EventArgs args;
    args.row = static_cast<long>(row);
    Fire(grid.Name(), "AddRow", args);
}

void Form::UserDeleteRow(std::string_view gridName, long row)
{
    UsableControl(gridName, "delete a row");
    Grid& grid = GridCtl(gridName);
    if (!grid.RowsDeletable() || grid.Locked()) throw UiError(name_ + "." + grid.Name() + ": rows cannot be deleted");
    grid.SetCurrentRow(row);
    EventArgs args;
    args.row = row;
    Fire(grid.Name(), "DeleteRow", args);
    if (args.cancel) return;
    grid.DeleteRow(static_cast<std::size_t>(row));
    EventArgs after;
    after.row = row;
    Fire(grid.Name(), "AfterDeleteRow", after);
}

void Form::UserOpenCard(std::string_view gridName, long row, std::string_view column)
{
    UsableControl(gridName, "open a card");
    Grid& grid = GridCtl(gridName);
    grid.SetCurrentCell(row, column);
    const GridColumn& cardColumn = grid.Columns()[grid.ColumnIndex(column)];
    if (cardColumn.cardReference.empty())
        throw UiError(name_ + "." + grid.Name() + ": the column '" + cardColumn.name + "' opens no card");
    const std::string_view codeColumn = cardColumn.cardCodeColumn.empty() ? column : cardColumn.cardCodeColumn;
    ResolveSession().OpenCard(cardColumn.cardReference, grid.Cell(static_cast<std::size_t>(row), codeColumn));
}

Control* Form::DefaultButton() const
{
    for (const auto& control : controls_) {
        if (control->Kind() == ControlKind::Button && control->IsDefault() && control->Enabled() && control->Visible())
            return control.get();
    }
    return nullptr;
}

Control* Form::CancelButton() const
{
    for (const auto& control : controls_) {
        if (control->Kind() == ControlKind::Button && control->IsCancel() && control->Enabled() && control->Visible())
            return control.get();
    }
    return nullptr;
}

void Form::NotifyControlChanged(const Control& control, std::string_view what)
{
    if (session_ == nullptr || !visible_) return;
    const auto kind =
        control.Kind() == ControlKind::Grid ? WindowChange::Kind::GridChanged : WindowChange::Kind::ControlChanged;
    session_->Notify({kind, name_, control.Name(), std::string(what)});
}

} // namespace Talvex::Ui
