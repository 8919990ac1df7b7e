#pragma once

#include "host/types/Value.hpp"
#include "host/ui/Control.hpp"
#include "host/ui/EventArgs.hpp"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex::Ui {

class BaseDialog;
class Grid;
class LocalList;
class Session;

// A window of the host: declared controls, a caption, and handlers the form registers by
// the name of the control (or "Form", or an engine's member name) and the event. The
// module's forms are subclasses that declare their controls and handlers in their
// constructor:
//
//     Add(ControlKind::DateBox, "edDateBeg");
//     On("btFillList", "Click", [this](EventArgs&) { btFillList_Click(); });
//
// A form reaches its session when it is shown (Session::Current() unless attached first).
class Form {
public:
    using Handler = std::function<void(EventArgs&)>;

    explicit Form(std::string name, std::string caption = "");
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const Value& Tag() const { return tag_; }
    void SetTag(Value tag);

    // Declaration, in order; names are unique within the form.
    Control& Add(ControlKind kind, std::string name, std::string caption = "");
    Grid& AddGrid(std::string name);
    LocalList& AddLocalList(std::string name);
    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // Throw UiError when the form has no such control (or not of that kind).
    Control& Ctl(std::string_view name) const;
    Grid& GridCtl(std::string_view name) const;
    LocalList& ListCtl(std::string_view name) const;
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

    // A handler of a control's event (Click, DblClick, Change, RowColChange) needs the
    // control declared first: UiError naming the form and the control otherwise. Other
    // sources ("Form", an engine's member name, a list's own events) are taken as named.
    void On(std::string source, std::string event, Handler handler);
    bool HasHandler(std::string_view source, std::string_view event) const;
    // Runs the handler, if any, and says whether one ran; the handler's errors propagate.
    bool Raise(const std::string& source, const std::string& event, EventArgs& args);
    // Raises as the host does: a handler's error is reported through the session's error
    // list and Fire returns false; a missing answer (NoAnswerError) still ends the loops.
    bool Fire(const std::string& source, const std::string& event, EventArgs& args);
    bool Fire(const std::string& source, const std::string& event);

    // Shows the form: modal runs a message loop until the form hides or unloads. The first
    // show of a loaded form raises Form Load.
    void Show(bool modal = false);
    // Modal show that calls onShown once the window is up, before the loop waits.
    void ShowModal(const std::function<void()>& onShown);
    void Hide();
    // Raises Form Unload; a handler that sets Cancel keeps the form. Returns whether it unloaded.
    bool Unload();
    bool IsVisible() const { return visible_; }
    bool IsLoaded() const { return loaded_; }
    bool IsModal() const { return modal_; }
    // How many times the form has been shown: tells one showing from the next.
    unsigned long Showings() const { return showings_; }

    // What the user does, as the session dispatches it; each throws UiError (or ValueError
    // for a refused value) when the form refuses.
    void UserInput(std::string_view control, const Value& value);
    void UserClick(std::string_view control);
    void UserDblClickRow(std::string_view grid, long row, std::string_view column);
    void UserSetCurrentCell(std::string_view grid, long row, std::string_view column);
    void UserSelectRows(std::string_view grid, const std::vector<long>& rows);
    void UserChooseMenu(std::string_view list, std::string_view key);
    // Editing a grid. A cell the column refuses keeps the typed text with the problem
    // (Grid::RefusalAt) and the ValueError goes on; an accepted one raises the grid's
    // CellChange (row, column, value). AddRow raises AddRow once the empty row is in (the
    // handler fills defaults); DeleteRow raises DeleteRow before (Cancel keeps the row) and
    // AfterDeleteRow once it is gone (row: where it stood).
    void UserEditCell(std::string_view grid, long row, std::string_view column, const Value& input);
    void UserAddRow(std::string_view grid);
    void UserDeleteRow(std::string_view grid, long row);
    // Opens the card of the reference the column names, for the cell's code.
    void UserOpenCard(std::string_view grid, long row, std::string_view column);

    // The button Enter presses: the enabled, visible default button, if any.
    Control* DefaultButton() const;
    Control* CancelButton() const;

    Session* GetSession() const { return session_; }
    void Attach(Session& session) { session_ = &session; }
    BaseDialog* Dialog() const { return dialog_; }
    void SetDialog(BaseDialog* dialog) { dialog_ = dialog; }

    // How an error about a missing answer names this window.
    virtual std::string Describe() const { return "The form '" + name_ + "'"; }

    // Called by controls; tells the session's observers while the form is shown.
    void NotifyControlChanged(const Control& control, std::string_view what);

private:
    Control* Find(std::string_view name) const;
    Control& UsableControl(std::string_view name, std::string_view action) const;
    template <class T> T& AddControl(std::unique_ptr<T> control);
    Session& ResolveSession();
    void EnsureLoaded();
    void PressWithoutHandler(Control& button);

    std::string name_;
    std::string caption_;
    Value tag_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::pair<std::string, std::string>, Handler> handlers_;
    Session* session_ = nullptr;
    BaseDialog* dialog_ = nullptr;
    bool loaded_ = false;
    bool visible_ = false;
    bool modal_ = false;
    unsigned long showings_ = 0;
};

} // namespace Talvex::Ui
