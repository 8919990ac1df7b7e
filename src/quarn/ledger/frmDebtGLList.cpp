#include "quarn/ledger/frmDebtGLList.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/CDebtGL.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kGrid = "grdList";

// Fills a grid with the rows of a recordset, each column shown as its first value reads.
void FillGrid(Talvex::Ui::Grid& grid, const Talvex::Data::Recordset& source)
{
    Talvex::Ui::RecordsetRows read = Talvex::Ui::ReadRecordsetRows(source);
    for (std::size_t i = 0; i < read.columns.size(); ++i) {
        std::string format;
        for (const auto& row : read.rows) {
            if (row[i].IsEmpty() || row[i].IsNull()) continue;
            format = row[i].IsDate() ? "yyyy-mm-dd" : Talvex::Ui::DisplayFormat::Natural(row[i]);
            break;
        }
        grid.AddColumn(read.columns[i], "", format);
    }
    for (auto& row : read.rows)
        grid.AddRow(std::move(row));
}

} // namespace

frmDebtGLList::frmDebtGLList(const CDebtGL& report, std::shared_ptr<Talvex::Data::Recordset> result)
    : Form("frmDebtGLList", "Skola pagal sąskaitą"), report_(report), result_(std::move(result))
{
    FillGrid(AddGrid(kGrid), *result_);
    Add(ControlKind::Button, "btPostings", "Operacijos");
    Add(ControlKind::Button, "btClose", "Uždaryti").SetCancel(true);
    On(kGrid, "DblClick", [this](EventArgs& args) { grdList_DblClick(args.row, args.column); });
    On("btPostings", "Click", [this](EventArgs&) { btPostings_Click(); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
}

void frmDebtGLList::Run()
{
    Show(true);
}

std::string frmDebtGLList::ClientOf(long row) const
{
    const auto& grid = GridCtl(kGrid);
    if (row < 0 || static_cast<std::size_t>(row) >= grid.RowCount()) return {};
    return grid.Cell(static_cast<std::size_t>(row), "Code").ToText();
}

void frmDebtGLList::grdList_DblClick(long row, const std::string& column)
{
    try {
        const std::string client = ClientOf(row);
        if (client.empty()) return;
        const auto& grid = GridCtl(kGrid);
        std::string docMonth;
        if (grid.FindColumn("DocMonth")) docMonth = grid.Cell(static_cast<std::size_t>(row), "DocMonth").ToText();
        auto documents = report_.ClientDocuments(client, column, docMonth);
        ShowList("frmDebtGLDocuments", "Dokumentai: " + client, *documents);
    } catch (...) {
        ReportError();
    }
}

void frmDebtGLList::btPostings_Click()
{
    try {
        const long row = static_cast<long>(GridCtl(kGrid).CurrentRow());
        const std::string client = ClientOf(row);
        if (client.empty()) return;
        auto postings = report_.ClientPostings(client);
        postings->Refresh();
        ShowList("frmDebtGLPostings", "Operacijos: " + client, *postings->Recordset());
    } catch (...) {
        ReportError();
    }
}

void frmDebtGLList::ShowList(const std::string& name, const std::string& caption, const Talvex::Data::Recordset& rows)
{
    Talvex::Ui::Form list(name, caption);
    FillGrid(list.AddGrid(kGrid), rows);
    list.Add(ControlKind::Button, "btClose", "Uždaryti").SetCancel(true);
    list.On("btClose", "Click", [&list](EventArgs&) { list.Hide(); });
    if (Talvex::Ui::Session* session = GetSession()) list.Attach(*session);
    list.Show(true);
}

} // namespace Quarn_DuzAde
