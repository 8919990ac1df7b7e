#include "quarn/frame/frmCPAY.hpp"

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/frmPeriodPayment.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::Erp::CashPlanDocument;
using Talvex::Ui::CellRule;
using Talvex::Ui::CellType;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
// The engine's member name: "mBaseDlg" when a report drives the form, "mSysDialog" when
// the host's document dialog does. The form answers both alike.
constexpr const char* kDialogMembers[] = {"mBaseDlg", "mSysDialog"};
constexpr const char* kSpecList = "SpecList";
} // namespace

frmCPAY::frmCPAY() : Form("frmCPAY", "Mokėjimų planas")
{
    Add(ControlKind::DateBox, "edDate", "Data").BindField("DocumentDate");
    Add(ControlKind::TextBox, "edNumb", "Numeris").BindField("Number");
    auto& sum = Add(ControlKind::NumberBox, "edSum", "Suma");
    sum.BindField("Summa");
    sum.SetFormat("#,##0.00");
    sum.SetEnabled(false); // the sum of the lines
    auto& currency = Add(ControlKind::ComboBox, "cbCurrency", "Valiuta");
    currency.BindField("CurrencyCode");
    currency.BindLookup({"REFCurrency", "Code", "Name"});
    Add(ControlKind::CheckBox, "chIsClosed", "Uždarytas").BindField("IsClosed");
    auto& list = AddLocalList(kSpecList);
    list.AddMenuItem("INS", "Nauja eilutė");
    list.AddMenuItem("DEL", "Šalinti eilutę");
    list.SetRowsAddable(true);
    list.SetRowsDeletable(true);
    Add(ControlKind::Button, "btPeriodic", "Periodiniai mokėjimai");
    Add(ControlKind::Button, "btApply", "Gerai").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Atšaukti").SetCancel(true);

    for (const char* member : kDialogMembers) {
        On(member, "BeforeLoadHandling", [this](EventArgs& args) { mBaseDlg_BeforeLoadHandling(args); });
        On(member, "AfterWriteRecord", [this](EventArgs& args) { mBaseDlg_OnWriteRecord(args); });
    }
    On(kSpecList, "OnAddFields", [this](EventArgs&) { m_SpecList_OnAddFields(); });
    On(kSpecList, "OnAddColumn", [this](EventArgs& args) { m_SpecList_OnAddColumn(args); });
    On(kSpecList, "OnRunMDICommand", [this](EventArgs& args) {
        if (args.key == "INS") m_SpecList_OnInsert();
        if (args.key == "DEL") RemoveLine(Get_SpecList().CurrentRow());
    });
    On(kSpecList, "CellChange", [this](EventArgs& args) { SpecList_CellChange(args); });
    // The grid has put an empty row in; the plan's new line, with its defaults, takes its place.
    On(kSpecList, "AddRow", [this](EventArgs&) { m_SpecList_OnInsert(); });
    On(kSpecList, "DeleteRow", [this](EventArgs& args) { SpecList_DeleteRow(args); });
    // Positions close up behind the deleted line.
    On(kSpecList, "AfterDeleteRow", [this](EventArgs& args) { RefreshLines(args.row > 0 ? args.row - 1 : 0); });
    On("btPeriodic", "Click", [this](EventArgs&) { btPeriodic_Click(); });
    On("btApply", "Click", [this](EventArgs&) { btApply_Click(); });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
}

Talvex::Ui::LocalList& frmCPAY::Get_SpecList() const
{
    return ListCtl(kSpecList);
}

CashPlanDocument& frmCPAY::RequireDoc() const
{
    if (!doc_) throw Talvex::ValueError("frmCPAY: the dialog has no cash payment plan to edit");
    return *doc_;
}

void frmCPAY::mBaseDlg_BeforeLoadHandling(EventArgs& args)
{
    doc_ = Dialog() ? dynamic_cast<CashPlanDocument*>(Dialog()->AtomObj().get()) : nullptr;
    RequireDoc().ReadHeader(*args.fields);
    RefreshLines();
}

void frmCPAY::mBaseDlg_OnWriteRecord(EventArgs& args)
{
    auto& doc = RequireDoc();
    doc.WriteHeader(*args.fields);
    doc.Save();
    written_ = true;
}

// A plan the check refuses keeps the dialog open with the user's edits; so does one whose
// writing failed (the error is shown and nothing of it is written).
void frmCPAY::btApply_Click()
{
    auto& doc = RequireDoc();
    Talvex::Ui::FieldMap header;
    for (const auto& control : Controls())
        if (!control->BoundField().empty()) header.Set(control->BoundField(), control->GetValue());
    doc.WriteHeader(header);
    if (const std::string problem = doc.Check(); !problem.empty()) throw Talvex::ValueError(problem);
    if (Dialog() == nullptr) throw Talvex::ValueError("frmCPAY: the plan has no dialog to save it");
    written_ = false;
    Dialog()->Save();
    if (written_) Hide();
}

void frmCPAY::m_SpecList_OnAddFields()
{
    auto& list = Get_SpecList();
    // Each rule asks the plan, so that the list refuses at the cell what the plan would.
    auto planCheck = [this](const char* column) {
        return [this, column](const Talvex::Value& value, const Talvex::Ui::Grid&, std::size_t) {
            return RequireDoc().LineValueProblem(column, value);
        };
    };
    CellRule summa = CellRule::Of(CellType::Number);
    summa.required = true;
    summa.check = planCheck("Summa");
    CellRule due = CellRule::Of(CellType::Date);
    due.required = true;
    due.check = planCheck("NeedPayDate");
    CellRule paymentType = CellRule::Of(CellType::Text);
    paymentType.required = true;
    paymentType.maxLength = 10;
    paymentType.check = planCheck("PaymentTypeCode");
    CellRule client = CellRule::Of(CellType::Text);
    client.maxLength = 20;
    client.check = planCheck("Client");

    list.DeclareField("PosNumb", "Nr.");
    list.DeclareEditableField("Summa", "Suma", "#,##0.00", summa);
    list.DeclareEditableField("NeedPayDate", "Mokėti iki", "", due);
    list.DeclareEditableField("PaymentTypeCode", "Mokėjimo būdas", "", paymentType);
    list.DeclareField("PaymentTypeName", "Mokėjimo būdo pavadinimas");
    list.DeclareEditableField("Client", "Klientas", "", client);
    list.DeclareField("ClientName", "Kliento pavadinimas");
    list.DeclareField("PayDocId", "", "", false);
    list.DeclareField("PayDocCode", "Mokėjimo dokumentas");
}

void frmCPAY::m_SpecList_OnAddColumn(EventArgs& args)
{
    if (args.gridColumn->name == "Client" || args.gridColumn->name == "ClientName") {
        args.gridColumn->cardReference = "REFClient";
        args.gridColumn->cardCodeColumn = "Client";
    }
}

std::size_t frmCPAY::LineOfRow(long row) const
{
    const auto& list = Get_SpecList();
    if (row < 0 || static_cast<std::size_t>(row) >= list.RowCount())
        throw Talvex::ValueError("frmCPAY: no line is chosen");
    const Talvex::Value& position = list.Cell(static_cast<std::size_t>(row), "PosNumb");
    if (position.IsEmpty() || position.IsNull())
        throw Talvex::ValueError("frmCPAY: the row " + std::to_string(row + 1) + " is no line of the plan");
    return static_cast<std::size_t>(position.ToInteger() - 1);
}

void frmCPAY::SpecList_CellChange(EventArgs& args)
{
    try {
        RequireDoc().SetLineValue(LineOfRow(args.row), args.column, args.value);
    } catch (...) {
        // The list shows the plan again, not a value the plan did not take.
        RefreshLines(args.row);
        throw;
    }
    RefreshLines(args.row);
    Get_SpecList().SetCurrentCell(args.row, args.column);
}

void frmCPAY::SpecList_DeleteRow(EventArgs& args)
{
    // Kept unless the plan lets the line go.
    args.cancel = true;
    RequireDoc().RemoveLine(LineOfRow(args.row));
    args.cancel = false;
}

void frmCPAY::m_SpecList_OnInsert()
{
    const std::size_t line = RequireDoc().AddLine();
    RefreshLines(static_cast<long>(line));
}

void frmCPAY::SetLineValue(long row, std::string_view column, const Talvex::Value& value)
{
    RequireDoc().SetLineValue(LineOfRow(row), column, value);
    RefreshLines(row);
}

void frmCPAY::RemoveLine(long row)
{
    RequireDoc().RemoveLine(LineOfRow(row));
    RefreshLines(row > 0 ? row - 1 : 0);
}

void frmCPAY::btPeriodic_Click()
{
    auto& doc = RequireDoc();
    const Talvex::Value& date = Ctl("edDate").GetValue();
    const int year = date.IsDate() ? date.ToDate().Year() : 0;
    frmPeriodPayment periodic;
    periodic.Init(doc, year);
    if (periodic.Execute()) RefreshLines(static_cast<long>(doc.Lines().size()) - 1);
}

void frmCPAY::RefreshLines(long currentRow)
{
    auto& list = Get_SpecList();
    list.SetRowSource(RequireDoc().LinesSource());
    list.Refresh();
    if (list.RowCount() > 0) list.SetCurrentRow(std::clamp(currentRow, 0L, static_cast<long>(list.RowCount()) - 1));
    if (Has("edSum")) Ctl("edSum").SetValue(Talvex::Value(RequireDoc().Summa()));
}

} // namespace Quarn_DuzAde
