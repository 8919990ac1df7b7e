#include "quarn/frame/frmCPAY.hpp"

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/CashPlanCopy.hpp"
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
constexpr const char* kPrintCode = "CPAY";
constexpr const char* kMonthsPrintCode = "CPAY.Months";
constexpr const char* kNoYear = "edDate: enter the plan's date; its year is the plan's year.";

const std::vector<std::string> kMonthColumns{"Month", "Lines", "Planned", "Settled", "Open"};

// The plan's months as rows of a list, with the year's total last.
std::shared_ptr<Talvex::Ui::TableRowSource> MonthsSource(const std::vector<Talvex::Erp::CashPlanLine>& lines, int year)
{
    auto months = std::make_shared<Talvex::Ui::TableRowSource>(kMonthColumns);
    PlanMonth total;
    const auto byMonth = PlanByMonth(lines, year);
    for (std::size_t m = 0; m < byMonth.size(); ++m) {
        const PlanMonth& month = byMonth[m];
        months->AddRow({Talvex::Value(Talvex::Date(year, static_cast<unsigned>(m + 1), 1).ToIso().substr(0, 7)),
                        Talvex::Value(static_cast<std::int64_t>(month.lines)), Talvex::Value(month.planned),
                        Talvex::Value(month.settled), Talvex::Value(month.Open())});
        total.lines += month.lines;
        total.planned += month.planned;
        total.settled += month.settled;
    }
    months->AddRow({Talvex::Value(std::to_string(year)), Talvex::Value(static_cast<std::int64_t>(total.lines)),
                    Talvex::Value(total.planned), Talvex::Value(total.settled), Talvex::Value(total.Open())});
    return months;
}

void RegisterPlanPrint()
{
    auto& layouts = Talvex::Ui::ReportLayouts::Host();
    if (layouts.Has(kPrintCode)) return;
    layouts.Register(Talvex::Ui::ReportLayout{kPrintCode,
                                              "Cash payment plan",
                                              {{"Year", "Year", ""},
                                               {"Number", "Number", ""},
                                               {"CurrencyCode", "Currency", ""},
                                               {"Summa", "Sum", "#,##0.00"}},
                                              {{"PosNumb", "No.", "", false},
                                               {"NeedPayDate", "Due", "yyyy-mm-dd", false},
                                               {"Summa", "Sum", "#,##0.00", true},
                                               {"PaymentTypeName", "Payment type", "", false},
                                               {"ClientName", "Client", "", false},
                                               {"PayDocCode", "Paid by", "", false}},
                                              kMonthsPrintCode});
    layouts.Register(Talvex::Ui::ReportLayout{kMonthsPrintCode,
                                              "By month",
                                              {},
                                              {{"Month", "Month", "", false},
                                               {"Lines", "Lines", "#,##0", false},
                                               {"Planned", "Planned", "#,##0.00", false},
                                               {"Settled", "Settled", "#,##0.00", false},
                                               {"Open", "Open", "#,##0.00", false}},
                                              ""});
}

// The plan's months in a window of their own, closed by the user.
class frmCPAYCalendar : public Talvex::Ui::Form {
public:
    frmCPAYCalendar(const Talvex::Ui::TableRowSource& months, int year) : Form("frmCPAYCalendar")
    {
        SetCaption("Mokėjimų planas " + std::to_string(year) + " pagal mėnesius");
        Talvex::Ui::Grid& grid = AddGrid("grdMonths");
        grid.AddColumn("Month", "Mėnuo");
        grid.AddColumn("Lines", "Eilučių", "#,##0");
        grid.AddColumn("Planned", "Planuota", "#,##0.00");
        grid.AddColumn("Settled", "Apmokėta", "#,##0.00");
        grid.AddColumn("Open", "Liko", "#,##0.00");
        for (std::size_t row = 0; row < months.RowCount(); ++row) {
            std::vector<Talvex::Value> cells;
            for (std::size_t column = 0; column < kMonthColumns.size(); ++column)
                cells.push_back(months.Cell(row, column));
            grid.AddRow(std::move(cells));
        }
        Add(ControlKind::Button, "btClose", "Uždaryti").SetCancel(true);
        On("btClose", "Click", [this](EventArgs&) { Hide(); });
    }
};
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
    Add(ControlKind::Button, "btCopy", "Kopijuoti eilutę");
    Add(ControlKind::CheckBox, "chCarry", "Perkelti neapmokėtas eilutes");
    Add(ControlKind::Button, "btCreateCopy", "Kitų metų planas");
    Add(ControlKind::Button, "btCalendar", "Pagal mėnesius");
    Add(ControlKind::Button, "btUsePrint", "Spausdinti");
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
    On("btCopy", "Click", [this](EventArgs&) { btCopy_Click(); });
    On("btCreateCopy", "Click", [this](EventArgs&) { btCreateCopy_Click(); });
    On("btCalendar", "Click", [this](EventArgs&) { btCalendar_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
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
    if (Dialog()->Save()) Hide();
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

int frmCPAY::PlanYear() const
{
    const Talvex::Value& date = Ctl("edDate").GetValue();
    return date.IsDate() ? date.ToDate().Year() : 0;
}

bool frmCPAY::Refused(const std::string& text) const
{
    Talvex::Ui::MessageBox(*GetSession())
        .Show(text, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
    return true;
}

// A copy of the chosen line, without the payment that settled the original.
void frmCPAY::btCopy_Click()
{
    auto& doc = RequireDoc();
    Talvex::Erp::CashPlanLine line = doc.Lines().at(LineOfRow(Get_SpecList().CurrentRow()));
    line.payDocId = 0;
    RefreshLines(static_cast<long>(doc.AddLine(line)));
}

// The next year's plan from this one, written at once as a plan of its own; this plan and
// its unsaved edits stay as they are.
void frmCPAY::btCreateCopy_Click()
{
    auto& doc = RequireDoc();
    if (PlanYear() == 0 && Refused(kNoYear)) return;
    const int newYear = PlanYear() + 1;
    const bool carry = Ctl("chCarry").GetValue().ToBool();
    Talvex::Erp::CashPlanDocument next(doc.GetBook());
    if (Talvex::Erp::CashPlanDocument::PlanOfYear(*doc.GetBook(), newYear) != 0 &&
        Refused("btCreateCopy: the year " + std::to_string(newYear) + " has a cash payment plan already."))
        return;
    next.New(newYear);
    Talvex::Ui::FieldMap header;
    header.Set("CurrencyCode", Ctl("cbCurrency").GetValue());
    next.WriteHeader(header);
    for (const auto& line : NextYearPlanLines(doc.Lines(), newYear, carry, next.CompanyDaysOff(newYear)))
        next.AddLine(line);
    next.Save();
    Talvex::Ui::MessageBox(*GetSession())
        .Show("The cash payment plan of " + std::to_string(newYear) + " was written with " +
              std::to_string(next.Lines().size()) + " lines.");
}

void frmCPAY::btCalendar_Click()
{
    const int year = PlanYear();
    if (year == 0 && Refused(kNoYear)) return;
    frmCPAYCalendar calendar(*MonthsSource(RequireDoc().Lines(), year), year);
    calendar.Show(true);
    calendar.Unload();
}

void frmCPAY::btUsePrint_Click()
{
    auto& doc = RequireDoc();
    const int year = PlanYear();
    if (year == 0 && Refused(kNoYear)) return;
    RegisterPlanPrint();
    const Talvex::Ui::ReportParameters parameters{{"Year", Talvex::Value(static_cast<std::int64_t>(year))},
                                                  {"Number", Ctl("edNumb").GetValue()},
                                                  {"CurrencyCode", Ctl("cbCurrency").GetValue()},
                                                  {"Summa", Talvex::Value(doc.Summa())}};
    Talvex::Ui::PrintService(*GetSession())
        .Print(kPrintCode, parameters, {doc.LinesSource(), MonthsSource(doc.Lines(), year)});
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
