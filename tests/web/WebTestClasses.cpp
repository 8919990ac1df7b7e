#include "WebTestClasses.hpp"

#include "host/cube/CCube.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/types/StopSignal.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ParamForm.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/ReportError.hpp"

#include <thread>

namespace Talvex::Testing {

std::atomic<int> gLiveTestForms{0};

namespace {

using Ui::ControlKind;

struct Counted {
    Counted() { ++gLiveTestForms; }
    ~Counted() { --gLiveTestForms; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

// The parameter form: one control of every kind the web draws.
class frmWebParams : public Ui::Form, Counted {
public:
    frmWebParams() : Form("frmWebParams", "Documents of a period")
    {
        Add(ControlKind::Label, "lblInfo").SetValue(Value("Documents of the period, with their sums"));
        Add(ControlKind::TabControl, "tabPages").SetTabs({"Period", "More"});
        Add(ControlKind::DateBox, "edDateBeg", "From").SetValue(Value(Date(2025, 1, 1)));
        Add(ControlKind::DateBox, "edDateEnd", "To").SetValue(Value(Date(2025, 1, 31)));
        Add(ControlKind::NumberBox, "edMinSum", "Sum at least").SetFormat("#,##0.00");
        Add(ControlKind::TextBox, "edNumber", "Number contains");
        Add(ControlKind::ComboBox, "cbDepartment", "Department").BindLookup({"REFDepartment"});
        auto& type = Add(ControlKind::ComboBox, "cbDocType", "Document type");
        type.SetItems({{"", "(all)"}, {"PRSF", "Sales invoice"}, {"PISF", "Purchase invoice"}});
        Add(ControlKind::Selector, "selClient", "Clients").BindSelector({"REFClient", Ui::SelectionType::Multiple});
        Add(ControlKind::CheckBox, "chSubtotals", "Subtotals by type").SetValue(Value(1));
        auto& byDate = Add(ControlKind::OptionButton, "optByDate", "By date");
        byDate.SetGroup("order");
        byDate.SetValue(Value(true));
        Add(ControlKind::OptionButton, "optBySum", "By sum").SetGroup("order");
        for (const char* name : {"chSubtotals", "optByDate", "optBySum"})
            Ctl(name).PlaceOnTab("tabPages", 1);
        for (const char* name :
             {"edDateBeg", "edDateEnd", "edMinSum", "edNumber", "cbDepartment", "cbDocType", "selClient"})
            Ctl(name).PlaceOnTab("tabPages", 0);
        Add(ControlKind::Button, "btOk", "Fill").SetDefault(true);
        Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
        On("btOk", "Click", [this](Ui::EventArgs&) {
            confirmed = true;
            Hide();
        });
    }
    bool confirmed = false;
};

// Reads the documents of the period with the host list and adds them to the grid one step
// at a time, as the module's long fills do.
class DocumentFill : public Ui::IProcessObject {
public:
    DocumentFill(Ui::Grid& grid, std::shared_ptr<Data::Recordset> rows, bool subtotals)
        : grid_(grid), rows_(std::move(rows)), subtotals_(subtotals)
    {
    }
    std::string Caption() override { return "Reading documents"; }
    long CountStep() override { return static_cast<long>(rows_->RecordCount()); }
    bool Step(long index) override
    {
        if (index == 1) rows_->MoveFirst();
        const std::string type = rows_->Fields().Item("DocTypeCode").Value().ToText();
        if (subtotals_ && !lastType_.empty() && type != lastType_) AddSubtotal();
        lastType_ = type;
        const Currency sum = rows_->Fields().Item("Summa").Value().ToCurrency();
        typeTotal_ = typeTotal_ + sum;
        total_ = total_ + sum;
        grid_.AddRow({rows_->Fields().Item("IDC").Value(), Value(type), rows_->Fields().Item("Number").Value(),
                      rows_->Fields().Item("DocumentDate").Value(), Value(sum)});
        rows_->MoveNext();
        if (index == CountStep()) {
            if (subtotals_) AddSubtotal();
            grid_.SetFooter("Summa", Value(total_));
            grid_.SetFooter("Number", Value(std::to_string(index) + " documents"));
        }
        return true;
    }

private:
    void AddSubtotal()
    {
        const std::size_t row =
            grid_.AddRow({Value(), Value(lastType_), Value("Total " + lastType_), Value(), Value(typeTotal_)});
        grid_.SetRowStyle(row, "subtotal");
        // A cell of its own colour, as a cube window gives a negative or conditioned cell.
        if (typeTotal_ > Currency::FromInteger(100000)) grid_.SetCellStyle(row, "Summa", {"#ffe0e0", "#c00000", true});
        typeTotal_ = Currency();
    }
    Ui::Grid& grid_;
    std::shared_ptr<Data::Recordset> rows_;
    bool subtotals_;
    std::string lastType_;
    Currency typeTotal_;
    Currency total_;
};

class frmWebList : public Ui::Form, Counted {
public:
    frmWebList() : Form("frmWebList", "Documents")
    {
        Ui::Grid& grid = AddGrid("grdDocs");
        grid.AddColumn("IDC", "Id");
        grid.AddColumn("DocTypeCode", "Type");
        grid.AddColumn("Number", "Number");
        grid.AddColumn("DocumentDate", "Date", "yyyy-mm-dd");
        grid.AddColumn("Summa", "Sum", "#,##0.00");
        grid.DefineStyle("subtotal", {true, "", "#fff2cc"});
        Add(ControlKind::Button, "btOpen", "Open document");
        On("grdDocs", "DblClick", [this](Ui::EventArgs& e) { OpenRow(e.row); });
        On("btOpen", "Click", [this](Ui::EventArgs&) { OpenRow(GridCtl("grdDocs").CurrentRow()); });
    }

private:
    void OpenRow(long row)
    {
        if (row < 0) throw ValueError("grdDocs: no row is chosen");
        const Ui::Grid& grid = GridCtl("grdDocs");
        const Value idc = grid.Cell(static_cast<std::size_t>(row), "IDC");
        if (idc.IsEmpty()) throw ValueError("grdDocs: a subtotal row has no document");
        Ui::DocumentOpener().Open(grid.Cell(static_cast<std::size_t>(row), "DocTypeCode").ToText(), idc.ToInteger());
    }
};

class TWebFill : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList& inParams, FieldList&) override
    {
        try {
            auto book = std::dynamic_pointer_cast<Book>(inParams.Item("Book").GetValue().ToObject());
            frmWebParams params;
            // The person's own last choice, kept by the host per user.
            UserSettings settings(*book);
            const std::string lastNumber = settings.Load("frmWebParams", "Number").ToText();
            params.Ctl("edNumber").SetValue(Value(lastNumber));
            params.Show(true);
            if (!params.confirmed) return false;
            if (params.Ctl("edNumber").GetValue().ToText() != lastNumber)
                settings.Save("frmWebParams", "Number", params.Ctl("edNumber").GetValue());
            auto list = book->CreateDocList("THDocument");
            list->Fields().SelectFields({"IDC", "DocTypeCode", "Number", "DocumentDate", "Summa"});
            std::vector<std::string> conditions = {
                SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, SqlOperator::kBetween,
                                     params.Ctl("edDateBeg").GetValue(), params.Ctl("edDateEnd").GetValue())};
            if (!params.Ctl("edMinSum").GetValue().IsEmpty())
                conditions.push_back(SqlTools::CondByName("oTable.Summa", FieldType::kAmount, SqlOperator::kNotLess,
                                                          params.Ctl("edMinSum").GetValue()));
            if (!params.Ctl("cbDocType").GetValue().ToText().empty())
                conditions.push_back(SqlTools::CondByName("oTable.DocTypeCode", FieldType::kCode, SqlOperator::kEqual,
                                                          params.Ctl("cbDocType").GetValue()));
            list->SetFilter(SqlTools::CombineConds(CombineMode::kAnd, conditions));
            list->OrderBy("oTable.DocTypeCode, oTable.DocumentDate, oTable.IDC");
            ClientApp::Current().ShowStatus("Reading documents");
            list->Refresh();
            auto window = std::make_shared<frmWebList>();
            DocumentFill fill(window->GridCtl("grdDocs"), list->Recordset(),
                              params.Ctl("chSubtotals").GetValue().ToInteger() == 1);
            Ui::ProgressRunner().Run(fill);
            ClientApp::Current().ShowStatus("");
            ClientApp::Current().ShowForm(window, "frmWebList");
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

class TWebFail : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList& inParams, FieldList&) override
    {
        try {
            auto book = std::dynamic_pointer_cast<Book>(inParams.Item("Book").GetValue().ToObject());
            auto list = book->CreateList("THDocument");
            list->SetFilter("oTable.NoSuchColumn = 1");
            list->Refresh();
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

class TWebMessage : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList&, FieldList&) override
    {
        try {
            Ui::MessageBox().ShowSingle("The period is closed.", "Gerai", "Talvex Enterprise");
            return false;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

// An export: a file written for the user under a folder of his own machine's.
class TWebExport : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList&, FieldList&) override
    {
        try {
            Ui::Session::Current().SaveUserFile("/home/nobody/exports/FR0471 \"2026\".ffdata", "<FFData Version=\"1\"/>");
            return false;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

class frmWebLong : public Ui::Form, Counted {
public:
    explicit frmWebLong(long count) : Form("frmWebLong", "Long list")
    {
        auto rows = std::make_shared<Ui::TableRowSource>(std::vector<std::string>{"N", "Text", "Sum"});
        for (long i = 1; i <= count; ++i) {
            const Currency sum = Currency::FromUnits(i * 12345);
            total_ = total_ + sum;
            rows->AddRow({Value(std::int64_t(i)), Value("row " + std::to_string(i)), Value(sum)});
        }
        Ui::LocalList& list = AddLocalList("lstLong");
        list.SetRowSource(rows);
        list.AddMenuItem("MShow", "Show row");
        On("lstLong", "OnAddFields", [this](Ui::EventArgs&) {
            Ui::LocalList& l = ListCtl("lstLong");
            l.DeclareField("N", "No.", "0");
            l.DeclareField("Text", "Text");
            l.DeclareField("Sum", "Sum", "#,##0.00");
        });
        On("lstLong", "AfterRefresh", [this](Ui::EventArgs&) { ListCtl("lstLong").SetFooter("Sum", Value(total_)); });
        On("lstLong", "OnRunMDICommand", [this](Ui::EventArgs& e) {
            if (e.key != "MShow") return;
            const Ui::LocalList& l = ListCtl("lstLong");
            if (l.CurrentRow() < 0) throw ValueError("lstLong: no row is chosen");
            Ui::MessageBox().ShowSingle("Chosen: " + l.CellText(static_cast<std::size_t>(l.CurrentRow()), 1), "Gerai");
        });
        list.Refresh();
    }

private:
    Currency total_;
};

// A long operation: a wait window while it prepares, then a progress run the person may cancel.
// From its tenth step on, each step waits for the person's cancel, so that however busy the
// machine is the run is still going when the browser looks at it; nobody cancelling (or the
// session ending), the run stops waiting after a minute and finishes.
class SlowSteps : public Ui::IProcessObject {
public:
    std::string Caption() override { return "Recalculating"; }
    long CountStep() override { return 150; }
    bool Step(long step) override
    {
        const Ui::Session& session = Ui::Session::Current();
        do std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (step >= 10 && std::chrono::steady_clock::now() < patience_ && !session.HasCancelRequest() &&
               !session.Stopping()->Requested());
        return true;
    }

private:
    std::chrono::steady_clock::time_point patience_ = std::chrono::steady_clock::now() + std::chrono::minutes(1);
};

class TWebProgress : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList&, FieldList&) override
    {
        try {
            {
                Ui::CWaitInfo wait;
                wait.Show("Preparing the run");
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
            }
            SlowSteps steps;
            const Ui::ProgressRecord run = Ui::ProgressRunner().Run(steps);
            ClientApp::Current().ShowStatus((run.cancelled ? "Cancelled after " : "Done: ") +
                                            std::to_string(run.stepsDone) + " of " + std::to_string(run.countStep) +
                                            " steps");
            return false;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

class TWebLong : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList&, FieldList&) override
    {
        try {
            ClientApp::Current().ShowForm(std::make_shared<frmWebLong>(20000), "frmWebLong");
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

// A report that writes, then reads a source that never ends by itself, in one unit of
// work: stopped half way it must leave nothing written. Its source (TestSlowSource, a view
// that sleeps) and its table (TestRunMark) exist only where the tests made them.
class TWebSlowWrite : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList& inParams, FieldList&) override
    {
        try {
            auto book = std::dynamic_pointer_cast<Book>(inParams.Item("Book").GetValue().ToObject());
            Ui::CWaitInfo wait;
            wait.Show("Writing the marks of the run");
            Data::Transaction unit(book->Db());
            book->Db().Execute("INSERT INTO TestRunMark (UserName) VALUES (?)", {Value(book->UserName())});
            book->Db().Query("SELECT COUNT(*) FROM TestSlowSource");
            unit.Commit();
            ClientApp::Current().ShowStatus("Written");
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

// A small cube over six sale lines: region and document kind down the rows, years across,
// sum and quantity as facts. The report keeps the region off the filter area and names the
// focused cell's sum in the status panel from its one user menu item.
class TWebCube : public Object,
                 public Quarn_DuzAde::ReportExecBase,
                 public ICubeForm2,
                 public std::enable_shared_from_this<TWebCube> {
public:
    bool Run(FieldList&, FieldList&) override
    {
        try {
            OpenCubeForm(shared_from_this(), "TWebCube");
            return false;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
    void OnOpenCube(CCube& cube) override
    {
        auto& engine = cube.cube();
        Cube::CubeSource source;
        source.AddColumn("Region", std::vector<std::string>{"North", "South", "North", "East", "South", "North"});
        source.AddColumn("Kind", std::vector<std::string>{"PRSF", "PRSF", "GPG", "PRSF", "PRSF", "PRSF"});
        source.AddColumn("DocumentDate", std::vector<Date>{Date(2025, 3, 1), Date(2025, 5, 1), Date(2026, 1, 1),
                                                           Date(2026, 2, 1), Date(2026, 2, 1), Date(2026, 7, 1)});
        source.AddColumn("Summa", std::vector<double>{100.5, 200, -40.25, 300, 50, 1000});
        source.AddColumn("Qty", std::vector<double>{1, 2, -1, 3, 1, 10});
        engine.SetSource(std::move(source));
        engine.Dims().Add("Region", "Region of sale");
        engine.Dims().Add("Kind", "Document kind");
        engine.Dims().Add("DocumentDate");
        engine.Dims().AddCalculated("Year", "DocumentDate", Cube::PeriodLevel::Year, "Year");
        engine.BaseFacts().Add("Summa");
        engine.BaseFacts().Add("Qty");
        engine.Facts().Add("Summa", "Sum");
        engine.Facts().Add("Qty", "Quantity");
        cube.VAxis().SetDrillDownLevel(0);
        cube.HAxis().SetDrillDownLevel(0);
        cube.SetCaption("Sales of the test company");
        cube_ = &cube;
    }
    void OnLoad(CCube&, std::vector<std::string>& userMenuItems) override { userMenuItems = {"Show sum"}; }
    void BeforeMoveDimension(CCube&, const Cube::Dimension& viewDim, Cube::Axis newAxis, int, bool& cancel) override
    {
        cancel = viewDim.Name() == "Region" && newAxis == Cube::Axis::Filter;
    }
    void OnUserMenu(int) override
    {
        if (cube_ == nullptr) return;
        const auto cell = cube_->FocusedCell();
        cube_->SetStatusText(1, cell ? "Sum " + std::to_string(cell->Value()) : "");
    }
    void OnFactCellDblClick(CCube& cube, const Cube::GridCell& cell) override
    {
        cube.SetStatusText(1, "Opened " + std::to_string(cell.Value()));
    }

private:
    CCube* cube_ = nullptr;
};

template <class T> std::shared_ptr<Object> Make()
{
    return std::make_shared<T>();
}

// The parameters of the payment plan: a limit the plan's rows may not pass, checked on OK.
class frmWebPlanParams : public Ui::ParamForm, Counted {
public:
    frmWebPlanParams() : ParamForm("frmWebPlanParams", "Payment plan")
    {
        Add(ControlKind::NumberBox, "edLimit", "Limit per row");
    }

protected:
    void BeforeShow() override { Ctl("edLimit").SetValue(Value(Currency::FromInteger(1000))); }
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override
    {
        IsOk = Currency() < Ctl("edLimit").GetValue().ToCurrency();
        if (!IsOk) {
            ErrMessage = "The limit must be more than 0";
            ErrControl = "edLimit";
        }
    }
};

// A payment plan the person types: dates, sums under the limit, notes, a client whose card
// opens from the row; rows added and deleted; the total kept in the footer; printed by code.
class frmWebPlan : public Ui::Form, Counted {
public:
    frmWebPlan(Currency limit, const std::vector<std::string>& clients) : Form("frmWebPlan", "Payment plan")
    {
        Ui::Grid& grid = AddGrid("grdPlan");
        grid.AddColumn("PayDate", "Pay date", "yyyy-mm-dd");
        grid.AddColumn("Summa", "Sum", "#,##0.00");
        grid.AddColumn("Note", "Note");
        grid.AddColumn("Client", "Client");
        Ui::CellRule date = Ui::CellRule::Of(Ui::CellType::Date);
        date.required = true;
        grid.SetEditable("PayDate", date);
        Ui::CellRule sum = Ui::CellRule::Of(Ui::CellType::Number);
        sum.minimum = Currency();
        sum.check = [limit](const Value& value, const Ui::Grid&, std::size_t) {
            return limit < value.ToCurrency() ? "over the limit of " + limit.ToString() : std::string();
        };
        grid.SetEditable("Summa", sum);
        Ui::CellRule note;
        note.maxLength = 10;
        grid.SetEditable("Note", note);
        grid.Column("Client").cardReference = "REFClient";
        grid.SetRowsAddable(true);
        grid.SetRowsDeletable(true);
        for (std::size_t i = 0; i < clients.size(); ++i)
            grid.AddRow({Value(Date(2025, 1, 31).AddMonthsClamped(static_cast<int>(i))),
                         Value(Currency::FromInteger(100 * static_cast<std::int64_t>(i + 1))), Value(""),
                         Value(clients[i])});
        for (const char* event : {"CellChange", "AddRow", "AfterDeleteRow"})
            On("grdPlan", event, [this](Ui::EventArgs&) { Recount(); });
        Add(ControlKind::Button, "btPrint", "Print");
        On("btPrint", "Click", [this](Ui::EventArgs&) { Print(); });
        Recount();
    }

private:
    void Recount()
    {
        Ui::Grid& grid = GridCtl("grdPlan");
        Currency total;
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            if (grid.Cell(row, "Summa").IsNumber()) total += grid.Cell(row, "Summa").ToCurrency();
        grid.SetFooter("Summa", Value(total));
    }

    void Print()
    {
        const Ui::Grid& grid = GridCtl("grdPlan");
        auto rows = std::make_shared<Ui::TableRowSource>(std::vector<std::string>{"PayDate", "Summa", "Note"});
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            rows->AddRow({grid.Cell(row, "PayDate"), grid.Cell(row, "Summa"), grid.Cell(row, "Note")});
        Ui::ReportLayouts& layouts = Ui::ReportLayouts::Host();
        layouts.Register(Ui::ReportLayout{"WebPlan",
                                          "Payment plan",
                                          {{"Rows", "Rows", "0"}},
                                          {{"PayDate", "Pay date", "yyyy-mm-dd", false},
                                           {"Summa", "Sum", "#,##0.00", true},
                                           {"Note", "Note", "", false}},
                                          ""});
        Ui::PrintService(*GetSession())
            .Print("WebPlan", {{"Rows", Value(static_cast<std::int64_t>(grid.RowCount()))}}, {rows});
    }
};

class TWebPlan : public Object, public Quarn_DuzAde::ReportExecBase {
public:
    bool Run(FieldList& inParams, FieldList&) override
    {
        try {
            frmWebPlanParams params;
            if (!params.Execute()) return false;
            auto book = std::dynamic_pointer_cast<Book>(inParams.Item("Book").GetValue().ToObject());
            std::vector<std::string> clients;
            for (const auto& row :
                 book->Db().QueryPostgres("SELECT code FROM refclient WHERE isgroup = 0 ORDER BY code LIMIT 3").rows)
                clients.push_back(row[0].ToText());
            ClientApp::Current().ShowForm(
                std::make_shared<frmWebPlan>(params.Ctl("edLimit").GetValue().ToCurrency(), clients), "frmWebPlan");
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }
};

} // namespace

std::vector<Web::ExtraClass> WebTestClasses()
{
    return {
        {"TWebFill", "tests", "documents of a period", &Make<TWebFill>},
        {"TWebFail", "tests", "a report that fails", &Make<TWebFail>},
        {"TWebMessage", "tests", "a message box", &Make<TWebMessage>},
        {"TWebLong", "tests", "a list of 20,000 rows", &Make<TWebLong>},
        {"TWebProgress", "tests", "a long run with progress", &Make<TWebProgress>},
        {"TWebCube", "tests", "a small cube", &Make<TWebCube>},
        {"TWebPlan", "tests", "a payment plan to edit", &Make<TWebPlan>},
        {"TWebSlowWrite", "tests", "a write that waits for a slow source", &Make<TWebSlowWrite>},
        {"TWebExport", "tests", "a file written for the user", &Make<TWebExport>},
    };
}

} // namespace Talvex::Testing
