// Editing in a grid: what a column's rule refuses stays in the cell with the problem, what it
// accepts reaches the form's handler; rows are added and deleted by the user, through the
// session as a browser posts them and from answers files.

#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <memory>

using namespace Talvex;
using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

namespace {

// A payment plan in small: dates and sums the user types, the total kept in the footer by
// the form's own handler, a limit no row may pass.
class PlanForm : public Form {
public:
    PlanForm() : Form("frmPlan")
    {
        Grid& grid = AddGrid("grdPlan");
        grid.AddColumn("PayDate", "Data", "yyyy-mm-dd");
        grid.AddColumn("Summa", "Suma", "#,##0.00");
        grid.AddColumn("Note", "Pastaba");
        grid.AddColumn("Client", "Klientas");
        CellRule date = CellRule::Of(CellType::Date);
        date.required = true;
        date.earliest = Date::Parse("2025-01-01");
        grid.SetEditable("PayDate", date);
        CellRule sum = CellRule::Of(CellType::Number);
        sum.minimum = Currency::FromInteger(0);
        sum.check = [](const Value& value, const Grid&, std::size_t) {
            return Currency::FromInteger(1000) < value.ToCurrency() ? std::string("over the limit of 1000")
                                                                    : std::string();
        };
        grid.SetEditable("Summa", sum);
        CellRule note;
        note.maxLength = 5;
        grid.SetEditable("Note", note);
        grid.SetRowsAddable(true);
        grid.SetRowsDeletable(true);
        grid.AddRow({Value(Date::Parse("2025-02-01")), Value(Currency::FromInteger(100)), Value("a"), Value("K1")});
        grid.AddRow({Value(Date::Parse("2025-03-01")), Value(Currency::FromInteger(200)), Value("b"), Value("K2")});
        On("grdPlan", "CellChange", [this](EventArgs& args) {
            changes.push_back(args.column + "@" + std::to_string(args.row) + "=" + args.value.ToInvariantText());
            Recount();
        });
        On("grdPlan", "AddRow", [this](EventArgs& args) {
            GridCtl("grdPlan").SetCell(static_cast<std::size_t>(args.row), "PayDate", Value(Date::Parse("2025-12-31")));
            Recount();
        });
        On("grdPlan", "DeleteRow", [this](EventArgs& args) {
            // The first row is the down payment: it stays.
            args.cancel = args.row == 0;
        });
        On("grdPlan", "AfterDeleteRow", [this](EventArgs&) { Recount(); });
        Add(ControlKind::Button, "btOk").SetDefault(true);
        On("btOk", "Click", [this](EventArgs&) { Hide(); });
        Recount();
    }

    void Recount()
    {
        Grid& grid = GridCtl("grdPlan");
        Currency total;
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            if (grid.Cell(row, "Summa").IsNumber()) total += grid.Cell(row, "Summa").ToCurrency();
        grid.SetFooter("Summa", Value(total));
    }

    std::vector<std::string> changes;
};

std::string Refusal(const Grid& grid, std::size_t row, std::string_view column)
{
    const CellRefusal* refusal = grid.RefusalAt(row, grid.ColumnIndex(column));
    return refusal == nullptr ? "" : refusal->text + " | " + refusal->message;
}

} // namespace

TEST(GridEditing, ColumnRulesRefuseWithTheColumnAndTheProblem)
{
    PlanForm form;
    const Grid& grid = form.GridCtl("grdPlan");
    const struct {
        const char* column;
        const char* typed;
        const char* expected; // the value kept, or the refusal
    } cases[] = {
        {"Summa", "1 234,5", "refused: Suma (Summa): over the limit of 1000"},
        {"Summa", "250,5", "250.5"},
        {"Summa", "12x", "refused: Suma (Summa): '12x' is not a number"},
        {"Summa", "-1", "refused: Suma (Summa): '-1' is less than 0"},
        {"Summa", "1.005", "refused: Suma (Summa): '1.005' has more than 2 decimals"},
        {"Summa", "", ""},
        {"PayDate", "", "refused: Data (PayDate): a value is required"},
        {"PayDate", "2024-12-31", "refused: Data (PayDate): '2024-12-31' is before 2025-01-01"},
        {"PayDate", "2025/04/30", "2025-04-30"},
        {"PayDate", "2025-02-30", "refused: Data (PayDate): '2025-02-30' is not a date (yyyy-mm-dd)"},
        {"Note", "  abcde ", "abcde"},
        {"Note", "abcdef", "refused: Pastaba (Note): 'abcdef' is longer than 5 characters"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            got = grid.AcceptCell(0, c.column, Value(c.typed)).ToInvariantText();
        } catch (const ValueError& refusal) {
            got = std::string("refused: ") + refusal.what();
        }
        EXPECT_EQ(got, c.expected) << c.column << " <- '" << c.typed << "'";
    }
    EXPECT_THROW(grid.AcceptCell(0, "Client", Value("K9")), UiError); // not editable
    CellRule whole = CellRule::Of(CellType::Integer);
    whole.maximum = Currency::FromInteger(10);
    EXPECT_EQ(whole.Accept("Qty", Value("7"), grid, 0), Value(std::int64_t{7}));
    EXPECT_THROW(whole.Accept("Qty", Value("7.5"), grid, 0), ValueError);
    EXPECT_THROW(whole.Accept("Qty", Value("11"), grid, 0), ValueError);
}

TEST(GridEditing, RefusedInputStaysInTheCellAndAcceptedInputReachesTheForm)
{
    ScriptedUser user;
    PlanForm form;
    form.Show();
    Session& session = user.Session();
    const Grid& grid = form.GridCtl("grdPlan");

    EXPECT_THROW(session.Dispatch(EditCellAction{"frmPlan", "grdPlan", 1, "Summa", Value("abc")}), ValueError);
    // Refused: the cell keeps its value, shows what was typed and why; the form heard nothing.
    EXPECT_EQ(grid.Cell(1, "Summa"), Value(Currency::FromInteger(200)));
    EXPECT_EQ(Refusal(grid, 1, "Summa"), "abc | Suma (Summa): 'abc' is not a number");
    EXPECT_TRUE(form.changes.empty());
    EXPECT_EQ(user.ErrorsText(), "");

    session.PumpPending();
    session.Post(EditCellAction{"frmPlan", "grdPlan", 1, "Summa", Value("350.25")});
    session.PumpPending();
    EXPECT_EQ(grid.Cell(1, "Summa"), Value(Currency::Parse("350.25")));
    EXPECT_EQ(Refusal(grid, 1, "Summa"), "");
    EXPECT_EQ(form.changes, std::vector<std::string>{"Summa@1=350.25"});
    EXPECT_EQ(grid.Footer("Summa"), Value(Currency::Parse("450.25")));
    EXPECT_EQ(grid.CurrentRow(), 1);
    EXPECT_EQ(grid.CurrentColumnName(), "Summa");

    // Posted like a browser's edit, a refusal goes to the error list, naming the grid.
    session.Post(EditCellAction{"frmPlan", "grdPlan", 0, "Summa", Value("5000")});
    session.PumpPending();
    EXPECT_EQ(user.ErrorsText(), "frmPlan.grdPlan edit Summa: frmPlan.grdPlan: Suma (Summa): over the limit of 1000\n");
    EXPECT_EQ(grid.Cell(0, "Summa"), Value(Currency::FromInteger(100)));
}

TEST(GridEditing, RowsAreAddedAndDeletedAsTheFormAllows)
{
    ScriptedUser user;
    PlanForm form;
    form.Show();
    Session& session = user.Session();
    Grid& grid = form.GridCtl("grdPlan");

    session.Dispatch(AddRowAction{"frmPlan", "grdPlan"});
    ASSERT_EQ(grid.RowCount(), 3u);
    EXPECT_EQ(grid.CurrentRow(), 2);
    EXPECT_EQ(grid.Cell(2, "PayDate"), Value(Date::Parse("2025-12-31"))); // the handler's default

    grid.SetSelectedRows({1, 2});
    session.Dispatch(DeleteRowAction{"frmPlan", "grdPlan", 1});
    ASSERT_EQ(grid.RowCount(), 2u);
    EXPECT_EQ(grid.Cell(1, "PayDate"), Value(Date::Parse("2025-12-31")));
    EXPECT_EQ(grid.CurrentRow(), 1); // the row that took the deleted one's place
    EXPECT_EQ(grid.SelectedRows(), std::vector<long>{1});

    session.Dispatch(DeleteRowAction{"frmPlan", "grdPlan", 0}); // cancelled by the form
    EXPECT_EQ(grid.RowCount(), 2u);

    grid.SetRowsAddable(false);
    grid.SetRowsDeletable(false);
    EXPECT_THROW(session.Dispatch(AddRowAction{"frmPlan", "grdPlan"}), UiError);
    EXPECT_THROW(session.Dispatch(DeleteRowAction{"frmPlan", "grdPlan", 1}), UiError);
    EXPECT_THROW(session.Dispatch(EditCellAction{"frmPlan", "grdPlan", 5, "Summa", Value("1")}), UiError);
    EXPECT_EQ(grid.RowCount(), 2u);
}

TEST(GridEditing, AnswersFileEditsAddsAndDeletesRowsAsOnScreen)
{
    ScriptedUser user("frmPlan.grdPlan edit 2 Summa = \"300,00\"\n"
                      "frmPlan.grdPlan addrow\n"
                      "frmPlan.grdPlan edit 3 Summa = 50\n"
                      "frmPlan.grdPlan edit 3 Note = x y\n"
                      "frmPlan.grdPlan delrow 1\n"
                      "frmPlan.grdPlan delrow 2\n"
                      "frmPlan accept\n");
    PlanForm form;
    form.Show(true);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.Failure(), "");
    const Grid& grid = form.GridCtl("grdPlan");
    // Row 1 (the down payment) refused deletion; the second delete took the edited row 2.
    ASSERT_EQ(grid.RowCount(), 2u);
    EXPECT_EQ(grid.Cell(0, "Summa"), Value(Currency::FromInteger(100)));
    EXPECT_EQ(grid.Cell(1, "Summa"), Value(Currency::FromInteger(50)));
    EXPECT_EQ(grid.Cell(1, "Note"), Value("x y"));
    EXPECT_EQ(form.changes, (std::vector<std::string>{"Summa@1=300", "Summa@2=50", "Note@2=x y"}));
    EXPECT_EQ(grid.Footer("Summa"), Value(Currency::FromInteger(150)));
}

TEST(GridEditing, AnswersFileStepsNamingNoColumnOrRowAreErrorsNamingTheStep)
{
    {
        ScriptedUser user("frmPlan.grdPlan edit 1 Sumа = 5\nfrmPlan accept\n"); // a Cyrillic 'а'
        PlanForm form;
        EXPECT_THROW(form.Show(true), ScriptStoppedError);
        EXPECT_EQ(user.Failure(),
                  "answers line 1: frmPlan.grdPlan edit 1 Sumа = 5: frmPlan.grdPlan has no column 'Sumа'");
    }
    {
        ScriptedUser user("frmPlan.grdPlan edit 1 Client = K7\nfrmPlan accept\n");
        PlanForm form;
        EXPECT_THROW(form.Show(true), ScriptStoppedError);
        EXPECT_EQ(user.Failure(), "answers line 1: frmPlan.grdPlan edit 1 Client = K7: the column 'Client' of "
                                  "frmPlan.grdPlan cannot be edited");
    }
    {
        ScriptedUser user("frmPlan.grdPlan delrow 7\nfrmPlan accept\n");
        PlanForm form;
        form.Show(true);
        EXPECT_EQ(user.ErrorsText(), "host work: answers line 1: frmPlan.grdPlan: no row 7 on screen (it shows 2)\n");
        EXPECT_EQ(form.GridCtl("grdPlan").RowCount(), 2u);
    }
    EXPECT_THROW(AnswerScript::Parse("frmPlan.grdPlan edit 1 Summa 5"), UiError);
    EXPECT_THROW(AnswerScript::Parse("frmPlan.grdPlan delrow"), UiError);
    EXPECT_THROW(AnswerScript::Parse("frmPlan.grdPlan addrow 2"), UiError);
    const AnswerScript script = AnswerScript::Parse("frmPlan.grdPlan edit 2 Note = \" a \"\n");
    EXPECT_EQ(script.Steps()[0].text, " a ");
    EXPECT_EQ(AnswerScript::Parse(script.Steps()[0].ToText()).Steps()[0].text, " a ");
}

TEST(GridEditing, LocalListTakesEditableFieldsFromItsDeclaration)
{
    ScriptedUser user("frmLimits.lstLimits edit 2 Limit = 700\nfrmLimits.lstLimits edit 1 Limit = -5\n");
    auto source = std::make_shared<TableRowSource>(std::vector<std::string>{"Client", "Limit"});
    source->AddRow({Value("K1"), Value(Currency::FromInteger(100))});
    source->AddRow({Value("K2"), Value(Currency::FromInteger(200))});
    Form form("frmLimits");
    LocalList& list = form.AddLocalList("lstLimits");
    list.SetRowSource(source);
    form.On("lstLimits", "OnAddFields", [&list](EventArgs&) {
        list.DeclareField("Client", "Klientas");
        CellRule limit = CellRule::Of(CellType::Number);
        limit.minimum = Currency::FromInteger(0);
        list.DeclareEditableField("Limit", "Limitas", "#,##0.00", limit);
    });
    list.Refresh();
    form.Show();
    EXPECT_EQ(user.PlayRemaining(), 2);
    EXPECT_EQ(list.Cell(1, "Limit"), Value(Currency::FromInteger(700)));
    EXPECT_EQ(source->Cell(1, 1), Value(Currency::FromInteger(200)));
    EXPECT_EQ(Refusal(list, 0, "Limit"), "-5 | Limitas (Limit): '-5' is less than 0");
    EXPECT_FALSE(list.Columns()[0].editable);
}
