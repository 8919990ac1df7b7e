#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

enum class ScriptVerb {
    Set,
    Click,
    DblClick,
    Cell,
    Select,
    Menu,
    Close,
    Accept,
    Answer,
    CancelProgress,
    Edit,
    AddRow,
    DeleteRow,
    Card,
    Expect,
};

// One answer of a scripted user.
struct ScriptStep {
    ScriptVerb verb = ScriptVerb::Click;
    std::string form;       // the window the step answers ("MessageBox" for message answers)
    std::string control;    // control, grid or list
    std::string text;       // Set, Edit, Expect: the value; Menu: the key; Answer: the button
    std::vector<long> rows; // DblClick, Select: rows as a person counts them on screen, from 1
    long afterStep = 1;     // CancelProgress: cancel once this step is done
    int line = 0;           // where the step stands in its file; 0 when made by code
    std::string column;     // DblClick, Cell, Edit, Card: the column

    std::string ToText() const; // the step as a line of an answers file
    // The step as an error names it: "answers line 9: frmSetOffDebt.grdList select all".
    std::string Named() const;
};

// The answers a scripted user gives, in order, read from a text file the CLI and the
// tests share. One step a line; blank lines and lines starting with '#' are skipped:
//
//   frmDebtOfClients.edDateBeg = 2025-01-01      set a value (the rest of the line; "quoted" keeps spaces)
//   frmDebtOfClients.btFillList click            click
//   frmDebtOfClients.grdList dblclick 3          double-click the third row on screen
//   frmDebtOfClients.grdList dblclick 3 Summa1   ... on the cell of column Summa1
//   frmDebtOfClients.grdList cell 3 BegRest      make a cell current (row on screen, column)
//   frmSetOffDebt.grdList select 1 2 5           select rows
//   frmSetOffDebt.grdList select all             select every row on screen
//   frmSetOffDebt.grdList menu CreateDoc         choose a local menu item
//   frmCashPlan.grdPlan edit 2 Summa = 150.00    type into a cell (row on screen, column, value)
//   frmCashPlan.grdPlan addrow                   add an empty row at the end
//   frmCashPlan.grdPlan delrow 2                 delete a row
//   frmDebtDocList.grdList card 2 Client         open the card of the code in a cell
//   frmClientCard.edName expect = "UAB Alfa"     check what a control shows
//   message Gerai                                answer the message box with a button
//   progress cancel 3                            cancel the next progress run after its step 3
//   frmDebtOfClients close                       close the window
//   frmDebtOfClients accept                      press its default button (or hide it)
//
// A window the script does not answer is accepted with its defaults, but never while later
// steps answer it: a step for a window that is not open then stops the script (write
// "accept" where a window is to be accepted and answered again later). Names are checked
// as windows open (ScriptDriver): a misspelt window or control stops the script before
// the window's first step.
class AnswerScript {
public:
    // Throws UiError naming the origin, the line and the problem.
    static AnswerScript Parse(std::string_view text, std::string_view origin = "answers");
    static AnswerScript Load(const std::string& path);

    void Add(ScriptStep step) { steps_.push_back(std::move(step)); }
    const std::vector<ScriptStep>& Steps() const { return steps_; }

private:
    std::vector<ScriptStep> steps_;
};

} // namespace Talvex::Ui
