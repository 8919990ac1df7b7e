#include "cli/RunCommand.hpp"

#include "host/cube/CCube.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/AnswerScript.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/GridPrinter.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>

namespace Talvex::Cli {
namespace {

Data::ColumnKind KindOfValue(const Value& v)
{
    if (std::holds_alternative<bool>(v.Raw())) return Data::ColumnKind::Boolean;
    if (std::holds_alternative<std::int64_t>(v.Raw())) return Data::ColumnKind::Integer;
    if (std::holds_alternative<Currency>(v.Raw())) return Data::ColumnKind::Decimal;
    if (std::holds_alternative<double>(v.Raw())) return Data::ColumnKind::Double;
    if (v.IsDate()) return Data::ColumnKind::Date;
    return Data::ColumnKind::Text;
}

// The visible rows of a recordset, in its order, for printing.
Data::ResultSet Rows(Data::Recordset& source)
{
    auto rs = source.Clone();
    Data::ResultSet result;
    std::size_t count = rs->Fields().Count();
    for (std::size_t i = 0; i < count; ++i)
        result.columns.push_back({rs->Fields().Item(i).Name(), Data::ColumnKind::Other});
    if (rs->RecordCount() > 0) {
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            std::vector<Value> row;
            for (std::size_t i = 0; i < count; ++i)
                row.push_back(rs->Fields().Item(i).Value());
            result.rows.push_back(std::move(row));
        }
    }
    if (!result.rows.empty())
        for (std::size_t i = 0; i < count; ++i)
            result.columns[i].kind = KindOfValue(result.rows.front()[i]);
    return result;
}

std::shared_ptr<Data::Recordset> ResultOf(const FieldList& outParams)
{
    if (!outParams.ExistsField("DataList")) return nullptr;
    std::shared_ptr<Object> object = outParams.Item("DataList").GetValue().ToObject();
    if (auto list = std::dynamic_pointer_cast<DataList>(object)) return list->Recordset();
    if (auto rs = std::dynamic_pointer_cast<Data::Recordset>(object)) return rs;
    throw ValueError("The result \"DataList\" is neither a list nor a recordset");
}

// The grid of the last list window that closed: what a class that ends in a list dialog
// showed, printed when it returns no list of its own.
class ListWindowWatch {
public:
    explicit ListWindowWatch(Ui::Session& session) : session_(session)
    {
        id_ = session.Subscribe([this](const Ui::WindowChange& change) { Seen(change); });
    }
    ~ListWindowWatch() { session_.Unsubscribe(id_); }
    ListWindowWatch(const ListWindowWatch&) = delete;
    ListWindowWatch& operator=(const ListWindowWatch&) = delete;

    const std::optional<Data::ResultSet>& LastGrid() const { return lastGrid_; }

private:
    void Seen(const Ui::WindowChange& change)
    {
        using Kind = Ui::WindowChange::Kind;
        if (change.kind == Kind::WindowOpened) {
            if (Ui::Form* form = session_.FindWindow(change.window)) open_[change.window] = form;
            return;
        }
        if (change.kind != Kind::WindowClosed) return;
        auto it = open_.find(change.window);
        if (it == open_.end()) return;
        Ui::Form* form = it->second;
        open_.erase(it);
        for (const auto& control : form->Controls()) {
            const auto* list = dynamic_cast<const Ui::LocalList*>(control.get());
            if (list == nullptr || list->Columns().empty()) continue;
            Ui::VisibleGrid grid = Ui::GridPrinter::Visible(*list);
            Data::ResultSet rs;
            for (const auto& caption : grid.captions)
                rs.columns.push_back({caption, Data::ColumnKind::Text});
            rs.rows = std::move(grid.rows);
            if (!rs.rows.empty())
                for (std::size_t i = 0; i < rs.columns.size(); ++i)
                    rs.columns[i].kind = KindOfValue(rs.rows.front()[i]);
            lastGrid_ = std::move(rs);
            return;
        }
    }

    Ui::Session& session_;
    int id_ = 0;
    std::map<std::string, Ui::Form*> open_;
    std::optional<Data::ResultSet> lastGrid_;
};
// The grid of the topmost cube window as it stands on screen: visible columns under their
// captions, row headers as texts, cells as numbers (blank cells empty).
// A cube cell is a double; printed, it shows the decimals its column's format asks for
// ("#,##0.00": cents), as an exact amount, so sums print as 60686.64, not 60686.64000000002.
Value AsShown(const Value& cell, const std::string& format)
{
    const auto* number = std::get_if<double>(&cell.Raw());
    if (number == nullptr || !Ui::DisplayFormat::IsNumeric(format) || !std::isfinite(*number)) return cell;
    const auto point = format.find('.');
    const int decimals =
        point == std::string::npos ? 0 : static_cast<int>(std::min<std::size_t>(4, format.size() - point - 1));
    const auto units = static_cast<std::int64_t>(std::llround(*number * static_cast<double>(Currency::kScale)));
    return Value(Currency::FromUnits(units).RoundHalfAwayFromZero(decimals));
}

std::optional<Data::ResultSet> VisibleCubeGrid(const Ui::Session& session)
{
    Ui::Form* window = session.FindWindow(CubeWindow::kFormName);
    if (window == nullptr) return std::nullopt;
    const Ui::Grid& grid = window->GridCtl("CubeGrid");
    Data::ResultSet result;
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < grid.Columns().size(); ++i) {
        if (!grid.Columns()[i].visible) continue;
        shown.push_back(i);
        result.columns.push_back({grid.Columns()[i].caption, Data::ColumnKind::Text});
    }
    for (std::size_t row : grid.VisibleRows()) {
        std::vector<Value> cells;
        for (std::size_t i : shown)
            cells.push_back(AsShown(grid.Cell(row, i), grid.Columns()[i].format));
        result.rows.push_back(std::move(cells));
    }
    for (std::size_t c = 0; c < shown.size(); ++c) {
        for (const auto& row : result.rows) {
            if (row[c].IsEmpty() || row[c].IsNull()) continue;
            result.columns[c].kind = KindOfValue(row[c]);
            break;
        }
    }
    return result;
}

void Emit(const Data::ResultSet& rows, const RunOptions& options, std::ostream& out)
{
    if (options.outFile.empty()) {
        Print(rows, options.format, out);
        return;
    }
    std::ofstream file(options.outFile, std::ios::binary);
    if (!file) throw ValueError("--out: cannot write " + options.outFile);
    Print(rows, options.format, file);
}

// "Name=Value" is a text parameter; "Name:Kind=Value" one of the kind the host numbers so
// ("DateBeg:9=2025-01-01"), refused when the host has no such kind.
void AddParam(FieldList& params, const std::string& text)
{
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw ValueError("--param: '" + text + "' must be Name=Value or Name:Kind=Value");
    std::string name = text.substr(0, eq);
    FieldType kind = FieldType::kText;
    if (auto colon = name.find(':'); colon != std::string::npos) {
        const std::string code = name.substr(colon + 1);
        if (colon == 0 || code.empty() || code.size() > 3 || code.find_first_not_of("0123456789") != std::string::npos)
            throw ValueError("--param: '" + text + "': the kind after ':' must be a host field type number");
        kind = FieldTypeOfCode(std::stoi(code));
        name.resize(colon);
    }
    params.Add(name, kind, Value(text.substr(eq + 1)));
}

} // namespace

int RunClass(const std::string& connectString, const RunOptions& options, std::ostream& out, std::ostream& err)
{
    Quarn_DuzAde::Startup();
    std::shared_ptr<Book> book = Erp::OpenBook(connectString, options.userName);

    Ui::Session session;
    Ui::Session::Scope sessionScope(session);
    Ui::ScriptDriver driver(options.answersFile.empty() ? Ui::AnswerScript{}
                                                        : Ui::AnswerScript::Load(options.answersFile));
    driver.Attach(session);
    ClientApp app(session);
    ClientApp::Scope appScope(app);
    app.Context().SetBook(book);

    std::shared_ptr<Object> object = Quarn_DuzAde::CreateObject(options.className);
    FieldList inParams;
    inParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    for (const auto& p : options.params)
        AddParam(inParams, p);
    FieldList outParams;
    ListWindowWatch listWindows(session);

    bool ran = false;
    if (auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get())) {
        report->SetVisual(true);
        report->Run(inParams, outParams);
        ran = true;
    } else if (auto* main = dynamic_cast<Quarn_DuzAde::IMainEntry*>(object.get())) {
        main->Main(inParams);
        ran = true;
    } else if (auto cubeReport = std::dynamic_pointer_cast<ICubeForm2>(object)) {
        // A cube report alone: the host opens it in a cube window.
        OpenCubeForm(cubeReport, options.className);
        ran = true;
    }
    if (!ran) throw ValueError(options.className + " has no report contract and no Main to run");
    driver.PlayRemaining(session);

    for (const auto& e : session.Errors())
        err << e.source << ": " << e.message << "\n";
    if (!session.Errors().empty()) return 1;

    std::shared_ptr<Data::Recordset> result = ResultOf(outParams);
    if (result) {
        Emit(Rows(*result), options, out);
        return 0;
    }
    // A report that ended in a cube window: what the window shows; else the grid of the last
    // list dialog it showed.
    if (auto grid = VisibleCubeGrid(session)) {
        Emit(*grid, options, out);
        return 0;
    }
    if (listWindows.LastGrid()) Emit(*listWindows.LastGrid(), options, out);
    return 0;
}

void PrintCatalogue(OutputFormat format, std::ostream& out)
{
    Data::ResultSet rs;
    for (const char* name : {"Class", "Entry", "Members", "Subsystem", "Role", "Available"})
        rs.columns.push_back({name, Data::ColumnKind::Text});
    for (const auto& e : Quarn_DuzAde::Catalogue())
        rs.rows.push_back({Value(std::string(Quarn_DuzAde::kLibraryName) + "." + e.name), Value(e.entry),
                           Value(e.members), Value(e.subsystem), Value(e.role), Value(e.built ? "yes" : "not yet")});
    Print(rs, format, out);
}

} // namespace Talvex::Cli
