#include "web/WebSession.hpp"

#include "host/cube/CCube.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/objects/PriceCalcTool.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/ReferenceLookup.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BlockingDriver.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"
#include "web/GridChart.hpp"
#include "web/GridExport.hpp"
#include "web/MenuTexts.hpp"
#include "web/SessionGate.hpp"
#include "web/StartPage.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <set>

namespace Talvex::Web {

using json = nlohmann::json;

namespace {

// Rows a grid sends with a snapshot; the tab asks for further pages as it scrolls.
constexpr std::size_t kFirstPage = 100;
constexpr std::size_t kMaxPage = 500;
// The least time between two snapshots while the host thread is busy (progress, status).
constexpr auto kBusyFlushInterval = std::chrono::milliseconds(150);
// Type-ahead answers at most this many reference rows.
constexpr std::size_t kLookupLimit = 50;
// The largest message and the deepest nesting the tab's messages need, with room to spare:
// a selection of many rows is the longest, a "select" with its row list the deepest (two).
constexpr std::size_t kMaxMessageBytes = 1 << 20;
constexpr std::size_t kMaxMessageDepth = 64;
// What a tab is told when the company's database does not answer. The detail names the
// server and the user it signs in as: it is for whoever runs the server (its log), not for
// every browser that opens the page.
constexpr const char* kDatabaseUnreachable = "The company's database cannot be reached";

void LogConnectionFailure(const std::string& userName, const ConnectionError& error)
{
    // The data layer has masked the password already.
    std::cerr << "talvex web: " << userName << ": " << error.what() << std::endl;
}

const char* AlignmentName(Ui::Alignment alignment)
{
    switch (alignment) {
    case Ui::Alignment::Right: return "right";
    case Ui::Alignment::Center: return "center";
    default: return "left";
    }
}

// A value as the tab edits it: the text a person would type back.
std::string EditText(const Value& value)
{
    if (value.IsEmpty() || value.IsNull()) return "";
    if (value.IsDate()) return value.ToDate().ToIso();
    if (std::holds_alternative<Currency>(value.Raw())) return value.ToCurrency().ToString();
    if (std::holds_alternative<bool>(value.Raw())) return value.ToBool() ? "1" : "0";
    if (value.IsObject()) return "";
    return value.ToText();
}

// A value read from the database as a document view shows it.
std::string ShownText(const Value& value)
{
    if (std::string format = Ui::DisplayFormat::Natural(value); !format.empty())
        return Ui::DisplayFormat::Apply(value, format);
    return EditText(value);
}

json ControlJson(const Ui::Control& control)
{
    json c;
    c["kind"] = std::string(Ui::ControlKindName(control.Kind()));
    c["name"] = control.Name();
    c["caption"] = control.Caption();
    c["enabled"] = control.Enabled();
    c["visible"] = control.Visible();
    if (control.Locked()) c["locked"] = true;
    if (!control.ToolTip().empty()) c["toolTip"] = control.ToolTip();
    if (!control.Refusal().empty()) c["refusal"] = control.Refusal();
    if (control.Kind() == Ui::ControlKind::Button) {
        if (control.IsDefault()) c["default"] = true;
        if (control.IsCancel()) c["cancel"] = true;
        return c;
    }
    c["value"] = EditText(control.GetValue());
    c["text"] = control.DisplayText();
    if (!control.Format().empty()) c["format"] = control.Format();
    if (control.Kind() == Ui::ControlKind::NumberBox) c["decimals"] = control.Decimals();
    if (!control.Items().empty()) {
        json items = json::array();
        for (const auto& item : control.Items())
            items.push_back({{"code", item.code}, {"name", item.name}});
        c["items"] = std::move(items);
    }
    if (const auto* lookup = control.Lookup()) c["lookup"] = lookup->table;
    if (control.Kind() == Ui::ControlKind::Selector) {
        c["reference"] = control.Selector().reference;
        c["multiple"] = control.Selector().selectionType == Ui::SelectionType::Multiple;
    }
    if (!control.Group().empty()) c["group"] = control.Group();
    if (!control.Tabs().empty()) c["tabs"] = control.Tabs();
    if (!control.TabControlName().empty())
        c["tab"] = {{"control", control.TabControlName()}, {"page", control.TabPage()}};
    return c;
}

const char* HeaderKindName(Ui::HeaderKind kind)
{
    switch (kind) {
    case Ui::HeaderKind::Member: return "Member";
    case Ui::HeaderKind::Subtotal: return "Subtotal";
    case Ui::HeaderKind::GrandTotal: return "GrandTotal";
    default: return "None";
    }
}

const char* ExpandName(Ui::ExpandState expand)
{
    switch (expand) {
    case Ui::ExpandState::Expanded: return "Expanded";
    case Ui::ExpandState::Collapsed: return "Collapsed";
    default: return "None";
    }
}

const char* CellTypeName(Ui::CellType type)
{
    switch (type) {
    case Ui::CellType::Number: return "Number";
    case Ui::CellType::Integer: return "Integer";
    case Ui::CellType::Date: return "Date";
    default: return "Text";
    }
}

json RowsJson(const Ui::Grid& grid, const std::vector<std::size_t>& visible, std::size_t from, std::size_t count)
{
    json rows = json::array();
    const std::size_t columns = grid.Columns().size();
    for (std::size_t k = from; k < visible.size() && k < from + count; ++k) {
        const std::size_t row = visible[k];
        json cells = json::array();
        for (std::size_t c = 0; c < columns; ++c)
            cells.push_back(grid.CellText(row, c));
        json r = {{"i", row}, {"c", std::move(cells)}};
        if (!grid.RowStyleId(row).empty()) r["s"] = grid.RowStyleId(row);
        // Cells with a style of their own (cube cells by condition), by column index.
        json cellStyles = json::object();
        for (std::size_t c = 0; c < columns; ++c)
            if (const Ui::CellStyle* style = grid.CellStyleAt(row, c))
                cellStyles[std::to_string(c)] = {
                    {"bold", style->bold}, {"fore", style->foreColor}, {"back", style->backColor}};
        if (!cellStyles.empty()) r["cs"] = std::move(cellStyles);
        // Input a cell refused: the typed text and the problem, by column index.
        json refusals = json::object();
        for (std::size_t c = 0; c < columns; ++c)
            if (const Ui::CellRefusal* refusal = grid.RefusalAt(row, c))
                refusals[std::to_string(c)] = {{"text", refusal->text}, {"message", refusal->message}};
        if (!refusals.empty()) r["e"] = std::move(refusals);
        // Where the row stands in a cube-like layout; plain rows carry nothing.
        const Ui::GridRowInfo& info = grid.RowInfo(row);
        if (info.kind != Ui::HeaderKind::None)
            r["h"] = {{"kind", HeaderKindName(info.kind)}, {"level", info.level}, {"expand", ExpandName(info.expand)}};
        rows.push_back(std::move(r));
    }
    return rows;
}

json GridJson(const Ui::Grid& grid)
{
    json g = ControlJson(grid);
    json columns = json::array();
    std::set<std::string> styleIds;
    for (const auto& column : grid.Columns()) {
        json col = {{"name", column.name},
                    {"caption", column.caption.empty() ? column.name : column.caption},
                    {"align", AlignmentName(column.EffectiveAlignment())},
                    {"visible", column.visible}};
        if (!column.format.empty()) col["format"] = column.format;
        if (column.width > 0) col["width"] = column.width;
        if (column.editable)
            col["edit"] = {{"type", CellTypeName(column.rule.type)}, {"required", column.rule.required}};
        if (!column.cardReference.empty()) col["card"] = column.cardReference;
        // Header metadata of cube-like grids; plain columns carry none.
        if (column.role != Ui::ColumnRole::Data) {
            col["role"] = column.role == Ui::ColumnRole::RowHeader ? "RowHeader" : "Fact";
            if (!column.factName.empty()) col["factName"] = column.factName;
            col["headerPath"] = column.headerPath;
            col["headerKind"] = HeaderKindName(column.headerKind);
            col["expand"] = ExpandName(column.expand);
        }
        const std::string footer = grid.FooterText(column.name);
        if (!footer.empty()) col["footer"] = footer;
        columns.push_back(std::move(col));
    }
    g["columns"] = std::move(columns);
    if (grid.RowsAddable()) g["addable"] = true;
    if (grid.RowsDeletable()) g["deletable"] = true;
    const std::vector<std::size_t> visible = grid.VisibleRows();
    g["rowCount"] = visible.size();
    g["rows"] = RowsJson(grid, visible, 0, kFirstPage);
    g["currentRow"] = grid.CurrentRow();
    g["currentColumn"] = grid.CurrentColumnName();
    g["selected"] = grid.SelectedRows();
    json styles = json::object();
    for (std::size_t row : visible) {
        const std::string& id = grid.RowStyleId(row);
        if (id.empty() || styles.contains(id)) continue;
        if (const Ui::RowStyle* style = grid.Style(id))
            styles[id] = {{"bold", style->bold}, {"fore", style->foreColor}, {"back", style->backColor}};
    }
    g["styles"] = std::move(styles);
    if (const auto* list = dynamic_cast<const Ui::LocalList*>(&grid)) {
        json menu = json::array();
        for (const auto& item : list->Menu())
            menu.push_back({{"key", item.key}, {"caption", item.caption}});
        g["menu"] = std::move(menu);
    }
    return g;
}

// What a cube window's front end needs beyond its controls: the dimensions on each axis in
// order, the facts, and the members that count for every dimension with a member filter.
json CubeJson(const CCube& cube)
{
    const Cube::Engine& engine = cube.cube();
    auto dimJson = [](const Cube::Dimension& dim) {
        return json{{"name", dim.Name()}, {"caption", dim.Caption.empty() ? dim.Name() : dim.Caption}};
    };
    json axes = json::object();
    for (const auto& [name, axis] : {std::pair{"rows", Cube::Axis::Rows}, std::pair{"columns", Cube::Axis::Columns},
                                     std::pair{"filter", Cube::Axis::Filter}}) {
        json dims = json::array();
        for (const Cube::Dimension* dim : engine.Dims().OnAxis(axis))
            dims.push_back(dimJson(*dim));
        axes[name] = std::move(dims);
    }
    json facts = json::array();
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i) {
        const Cube::Fact& fact = engine.Facts().Item(i);
        facts.push_back({{"name", fact.Name()},
                         {"caption", fact.Caption.empty() ? fact.Name() : fact.Caption},
                         {"visible", fact.FactVisible},
                         {"enabled", fact.FactEnabled}});
    }
    json selections = json::object();
    for (std::size_t i = 0; i < engine.Dims().Count(); ++i) {
        const Cube::Dimension& dim = engine.Dims().Item(i);
        if (dim.Selection().empty()) continue;
        json members = json::array();
        for (const Value& key : dim.Selection()) {
            const auto code = dim.CodeOf(key);
            const std::string keyText = CCube::FilterMemberCode(key);
            members.push_back({{"key", keyText}, {"text", code < dim.MemberCount() ? dim.MemberText(code) : keyText}});
        }
        selections[dim.Name()] = std::move(members);
    }
    return {{"rows", std::move(axes["rows"])},
            {"columns", std::move(axes["columns"])},
            {"filter", std::move(axes["filter"])},
            {"facts", std::move(facts)},
            {"selections", std::move(selections)},
            {"active", engine.Active()},
            {"rowLevel", engine.DrillDownLevel(Cube::Axis::Rows)},
            {"columnLevel", engine.DrillDownLevel(Cube::Axis::Columns)}};
}

json WindowJson(const Ui::Session::Window& window)
{
    const Ui::Form& form = *window.form;
    json w = {{"name", form.Name()}, {"caption", form.Caption()}, {"modal", window.modal}, {"key", window.key}};
    if (form.Name() == Ui::MessageBox::kFormName) w["message"] = true;
    json controls = json::array();
    for (const auto& control : form.Controls()) {
        if (const auto* grid = dynamic_cast<const Ui::Grid*>(control.get()))
            controls.push_back(GridJson(*grid));
        else
            controls.push_back(ControlJson(*control));
    }
    w["controls"] = std::move(controls);
    if (const auto* cubeWindow = dynamic_cast<const CubeWindow*>(&form))
        w["cube"] = CubeJson(cubeWindow->CubeControl());
    return w;
}

// "Quarn_DuzAde.CDuzAde" and "CDuzAde" name the same class.
std::string ClassNameOnly(const std::string& name)
{
    const std::string prefix = std::string(Quarn_DuzAde::kLibraryName) + ".";
    if (name.size() > prefix.size() && EqualsIgnoreCase(name.substr(0, prefix.size()), prefix))
        return name.substr(prefix.size());
    return name;
}

const json& Member(const json& message, const char* name)
{
    auto it = message.find(name);
    if (it == message.end()) throw ValueError(std::string("message: '") + name + "' is missing");
    return *it;
}

bool Flag(const json& message, const char* name)
{
    const json& value = Member(message, name);
    if (!value.is_boolean()) throw ValueError(std::string("message: '") + name + "' must be true or false");
    return value.get<bool>();
}

// A whole number the size of a row index. A fraction or a number out of range is refused
// before any conversion: turning such a number into an integer is undefined.
long AsWholeNumber(const json& value, const char* name)
{
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= std::uint64_t{LONG_MAX})
        return static_cast<long>(value.get<std::uint64_t>());
    if (value.is_number_integer() && !value.is_number_unsigned()) return static_cast<long>(value.get<std::int64_t>());
    throw ValueError(std::string("message: '") + name + "' must be a whole number");
}

long WholeNumber(const json& message, const char* name)
{
    return AsWholeNumber(Member(message, name), name);
}

std::vector<long> WholeNumbers(const json& message, const char* name)
{
    const json& list = Member(message, name);
    if (!list.is_array()) throw ValueError(std::string("message: '") + name + "' must be a list of whole numbers");
    std::vector<long> numbers;
    numbers.reserve(list.size());
    for (const json& item : list)
        numbers.push_back(AsWholeNumber(item, name));
    return numbers;
}

// A member as text: a string as it stands, a number or a flag as JSON writes it. An array or
// an object is no text; it is refused rather than written back out.
std::string Text(const json& message, const char* name, const std::string& fallback = "")
{
    auto it = message.find(name);
    if (it == message.end() || it->is_null()) return fallback;
    if (it->is_string()) return it->get<std::string>();
    if (it->is_primitive()) return it->dump();
    throw ValueError(std::string("message: '") + name + "' must be a text, a number or a flag");
}

// How deep the brackets of a message nest outside its strings, counted before anything reads
// the message recursively.
std::size_t NestingDepth(std::string_view text)
{
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i; // the escaped character cannot end the string
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

// A message of the tab as an object, refused when it is larger or nested deeper than any
// message of the front end can be.
json ReadMessage(const std::string& text)
{
    if (text.size() > kMaxMessageBytes)
        throw ValueError("message: larger than " + std::to_string(kMaxMessageBytes) + " bytes");
    if (NestingDepth(text) > kMaxMessageDepth)
        throw ValueError("message: nested deeper than " + std::to_string(kMaxMessageDepth) + " levels");
    json message = json::parse(text);
    if (!message.is_object()) throw ValueError("message: not an object");
    return message;
}

// The result list a report hands back ("DataList") as a window of its own.
class ResultWindow : public Ui::Form {
public:
    ResultWindow(const std::string& className, Data::Recordset& source)
        : Form("Result." + className, className + ": result")
    {
        Ui::Grid& grid = AddGrid("grdResult");
        Ui::RecordsetRows read = Ui::ReadRecordsetRows(source);
        for (std::size_t i = 0; i < read.columns.size(); ++i) {
            std::string format;
            for (const auto& row : read.rows) {
                if (row[i].IsEmpty() || row[i].IsNull()) continue;
                format = row[i].IsDate() ? "yyyy-mm-dd" : Ui::DisplayFormat::Natural(row[i]);
                break;
            }
            grid.AddColumn(read.columns[i], "", format);
        }
        for (auto& row : read.rows)
            grid.AddRow(std::move(row));
    }
};

} // namespace

void CheckUserName(const std::string& userName)
{
    if (userName.empty()) throw ValueError("User name: must not be empty");
    if (userName.size() > 40) throw ValueError("User name: must be at most 40 characters");
    for (char c : userName) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) || c == '.' || c == '_' || c == '-' || u >= 0x80))
            throw ValueError("User name: '" + std::string(1, c) + "' is not allowed (letters, digits, '.', '_', '-')");
    }
}

// A document opened in the dialog the module supplies for its type; the editor opens the
// document's view again once it is saved.
void EditDocument(Ui::Session& session, const std::shared_ptr<Book>& book, const std::string& docType, long long idc)
{
    // The module edits the documents of these types in dialogs of its own.
    static const std::vector<std::pair<std::string, std::string>> kEditors = {{"CPAY", "CCashPaymentPlan"}};
    auto editor = std::find_if(kEditors.begin(), kEditors.end(), [&](const auto& e) { return e.first == docType; });
    if (editor == kEditors.end()) throw ValueError("docType: documents of type '" + docType + "' open in no dialog");
    if (idc <= 0) throw ValueError("idc: must be a positive document id");
    if (session.TopModal() != nullptr)
        throw Ui::UiError("Close the dialog '" + session.TopModal()->Caption() + "' before opening a document");
    if (!book) throw Ui::UiError("No database is open");
    std::shared_ptr<Object> object = Quarn_DuzAde::CreateObject(editor->second);
    auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
    if (report == nullptr) throw ValueError(editor->second + " cannot edit documents");
    FieldList inParams;
    inParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    inParams.Add("IDC", FieldType::kId, Value(static_cast<std::int64_t>(idc)));
    FieldList outParams;
    report->SetVisual(true);
    report->Run(inParams, outParams);
}

std::string MenuJson(const std::vector<ExtraClass>& extraClasses)
{
    static const std::vector<std::string> kOrder = {
        "receivables and payables", "settlement", "cubes", "cost", "ledger", "sales", "frame"};
    json groups = json::array();
    auto groupFor = [&](const std::string& subsystem) -> json& {
        for (auto& g : groups) {
            if (g["subsystem"] == subsystem) return g;
        }
        groups.push_back({{"subsystem", subsystem}, {"classes", json::array()}});
        return groups.back();
    };
    for (const auto& subsystem : kOrder)
        groupFor(subsystem);
    for (const auto& entry : Quarn_DuzAde::Catalogue()) {
        // Only what a person can run: report contracts, Main entries and price calculators
        // (in the price-list maintenance's form).
        if (entry.entry.find("IReportExec") == std::string::npos && entry.entry.find("Main") == std::string::npos &&
            entry.entry.find("IPriceCalc") == std::string::npos)
            continue;
        groupFor(entry.subsystem)["classes"].push_back({{"name", entry.name},
                                                        {"title", BusinessName(entry.name, entry.role)},
                                                        {"role", entry.role},
                                                        {"available", entry.built}});
    }
    for (const auto& extra : extraClasses)
        groupFor(extra.subsystem)["classes"].push_back({{"name", extra.name},
                                                        {"title", BusinessName(extra.name, extra.role)},
                                                        {"role", extra.role},
                                                        {"available", true}});
    json result = json::array();
    for (auto& g : groups) {
        if (!g["classes"].empty()) result.push_back(std::move(g));
    }
    return result.dump();
}

struct WebSession::State {
    SessionOptions options;
    Sender send;
    Ui::Session session;
    std::unique_ptr<Ui::Driver> driver;
    ClientApp* app = nullptr;              // host thread only
    std::shared_ptr<Book> book;            // host thread only
    std::weak_ptr<Book> closedBook;        // host thread only: a Book let go, until it is gone
    std::shared_ptr<void> connectionPlace; // host thread only
    std::atomic<bool> holdsBook{false};
    std::atomic<std::size_t> queuedMessages{0};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> started{false};
    std::mutex sendMutex;
    bool dirty = true; // host thread only
    std::chrono::steady_clock::time_point lastFlush{};
    int observerId = 0;
    // Files reports wrote for the user (exports), kept for the tab to download: the server
    // never writes where a browser names. Host thread only.
    struct SavedFile {
        std::string name;
        std::string contents;
    };
    std::vector<SavedFile> files;
    static constexpr std::size_t kMaxSavedFiles = 20;

    void KeepFile(const std::string& path, const std::string& contents)
    {
        // Only the file's own name travels: the folder the form named is the user's machine's.
        std::string name = std::filesystem::path(path).filename().string();
        if (name.empty()) name = "export";
        if (files.size() >= kMaxSavedFiles) files.erase(files.begin());
        files.push_back({name, contents});
        downloadsOffered += 1;
        Send({{"t", "file"}, {"file", downloadsOffered - 1}, {"name", name}});
    }
    std::int64_t downloadsOffered = 0;

    void Send(const json& message)
    {
        std::lock_guard lock(sendMutex);
        if (send) send(message.dump(-1, ' ', false, json::error_handler_t::replace));
    }

    void Flush()
    {
        dirty = false;
        lastFlush = std::chrono::steady_clock::now();
        json windows = json::array();
        for (const auto& window : session.Windows())
            windows.push_back(WindowJson(window));
        json message = {{"t", "state"},
                        {"windows", std::move(windows)},
                        {"status", session.StatusText()},
                        {"wait", session.WaitText()}};
        if (const auto& progress = session.Progress())
            message["progress"] = {{"caption", progress->caption},
                                   {"step", progress->step},
                                   {"count", progress->count},
                                   {"text", progress->Text()}};
        Send(message);
    }

    // The tab's Book, opened on first need: an idle tab holds no database connection.
    Book& OpenBook()
    {
        if (book) return *book;
        if (auto kept = closedBook.lock()) {
            // A report object still holds the Book let go: its connection is still counted.
            book = std::move(kept);
        } else {
            std::shared_ptr<void> place;
            if (options.gate) place = options.gate->TakeConnection([this] { return stopRequested.load(); });
            book = Erp::OpenBook(options.connectString, options.userName);
            book->Db().SetStopSignal(session.Stopping());
            if (options.gate) options.gate->RememberCompanyName(book->Name());
            connectionPlace = std::move(place);
        }
        if (app) app->Context().SetBook(book);
        closedBook.reset();
        holdsBook = true;
        return *book;
    }

    // With no window open nothing can read through the Book: its connection goes back.
    void CloseBookWhenIdle()
    {
        if (book && session.Windows().empty()) {
            if (app) app->Context().SetBook(nullptr);
            closedBook = book;
            book.reset();
        }
        if (!book && closedBook.expired()) {
            connectionPlace.reset();
            holdsBook = false;
        }
    }

    void FlushIfDirty()
    {
        if (dirty) Flush();
    }

    void FlushSoon()
    {
        if (dirty && std::chrono::steady_clock::now() - lastFlush >= kBusyFlushInterval) Flush();
    }

    void OnChange(const Ui::WindowChange& change)
    {
        if (stopRequested.load()) return;
        dirty = true;
        using Kind = Ui::WindowChange::Kind;
        switch (change.kind) {
        case Kind::ErrorShown: Send({{"t", "error"}, {"source", change.control}, {"message", change.detail}}); break;
        case Kind::ReportPrinted:
            if (!session.Prints().empty()) {
                // The page itself is fetched by the tab (/api/print?report=n), with its session.
                Send({{"t", "printed"},
                      {"report", session.Prints().size() - 1},
                      {"code", session.Prints().back().reportCode},
                      {"title", session.Prints().back().title}});
            }
            break;
        case Kind::DocumentOpened:
            if (!session.DocumentsOpened().empty()) {
                const auto& document = session.DocumentsOpened().back();
                Send({{"t", "document"}, {"docType", document.docType}, {"idc", document.idc}});
            }
            break;
        // The host thread may stay busy long after these: the tab sees them now.
        case Kind::WaitChanged:
        case Kind::ProgressStarted: Flush(); break;
        case Kind::ProgressStep:
        case Kind::StatusChanged: FlushSoon(); break;
        default: break;
        }
    }
};

namespace {

// The person's driver: before a modal window waits for the tab, the tab gets the model as
// it stands; during a progress run it gets it now and then.
class TabDriver : public Ui::BlockingDriver {
public:
    TabDriver(std::chrono::milliseconds patience, std::function<void()> flush, std::function<void()> flushSoon,
              std::function<bool()> stopped)
        : BlockingDriver(patience), flush_(std::move(flush)), flushSoon_(std::move(flushSoon)),
          stopped_(std::move(stopped))
    {
    }
    bool OnIdle(Ui::Session& session, Ui::Form& waiting) override
    {
        flush_();
        // A person may think for a long time: keep waiting while the tab is open.
        while (!stopped_()) {
            if (BlockingDriver::OnIdle(session, waiting)) return true;
        }
        return false;
    }
    void OnProgress(Ui::Session&, const Ui::ProgressState&) override { flushSoon_(); }

private:
    std::function<void()> flush_;
    std::function<void()> flushSoon_;
    std::function<bool()> stopped_;
};

} // namespace

WebSession::WebSession(std::string id, SessionOptions options, Sender send)
    : id_(std::move(id)), state_(std::make_unique<State>())
{
    CheckUserName(options.userName);
    state_->options = std::move(options);
    state_->send = std::move(send);
    State* s = state_.get();
    state_->driver = std::make_unique<TabDriver>(
        state_->options.patience, [s] { s->FlushIfDirty(); }, [s] { s->FlushSoon(); },
        [s] { return s->stopRequested.load(); });
    state_->session.SetDriver(state_->driver.get());
    state_->observerId = state_->session.Subscribe([s](const Ui::WindowChange& change) { s->OnChange(change); });
    state_->session.SetFileSaver(
        [s](const std::string& path, const std::string& contents) { s->KeepFile(path, contents); });
}

WebSession::~WebSession()
{
    Stop();
    // The host thread is gone: its windows (and the report objects they keep) go now,
    // telling nobody.
    state_->session.Unsubscribe(state_->observerId);
    {
        std::lock_guard lock(state_->sendMutex);
        state_->send = nullptr;
    }
}

const std::string& WebSession::UserName() const
{
    return state_->options.userName;
}

void WebSession::Start()
{
    if (state_->started.exchange(true)) return;
    running_ = true;
    State* s = state_.get();
    state_->session.Start([this, s] {
        Quarn_DuzAde::Startup();
        ClientApp app(s->session);
        ClientApp::Scope appScope(app);
        s->app = &app;
        try {
            std::optional<std::string> company;
            if (s->options.gate) company = s->options.gate->CompanyName();
            if (!company) company = s->OpenBook().Name();
            s->Send({{"t", "welcome"},
                     {"session", id_},
                     {"user", s->options.userName},
                     {"company", *company},
                     {"menu", json::parse(MenuJson(s->options.extraClasses))}});
        } catch (const std::exception& error) {
            s->Send({{"t", "welcome"}, {"session", id_}, {"user", s->options.userName}, {"menu", json::array()}});
            if (const auto* unreachable = dynamic_cast<const ConnectionError*>(&error)) {
                LogConnectionFailure(s->options.userName, *unreachable);
                s->session.ReportError("Book", kDatabaseUnreachable);
            } else {
                s->session.ReportError("Book", error.what());
            }
        }
        s->Flush();
        while (!s->stopRequested.load()) {
            if (s->session.WaitForAction(std::chrono::milliseconds(500))) {
                try {
                    s->session.PumpPending();
                } catch (const Ui::NoAnswerError& error) {
                    if (s->stopRequested.load()) break;
                    s->session.ReportError("Session", error.what());
                }
            }
            s->FlushIfDirty();
            s->CloseBookWhenIdle();
        }
        app.Context().SetBook(nullptr);
        s->app = nullptr;
        s->book.reset();
        s->closedBook.reset();
        s->connectionPlace.reset();
        s->holdsBook = false;
    });
}

void WebSession::RequestStop()
{
    state_->stopRequested = true;
    state_->session.Stopping()->RequestForGood();
    // Wakes a host thread waiting for the tab's next message.
    state_->session.Post(Ui::CancelProgressAction{});
}

void WebSession::Stop()
{
    RequestStop();
    state_->session.Stop();
    running_ = false;
}

bool WebSession::HoldsBook() const
{
    return state_->holdsBook.load();
}

std::future<std::string> WebSession::CallOnHost(std::function<std::string()> work)
{
    auto promise = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = promise->get_future();
    if (!running_.load()) {
        promise->set_exception(std::make_exception_ptr(Ui::UiError("The session has ended")));
        return result;
    }
    state_->session.Post(Ui::RunOnHostAction{[s = state_.get(), promise, work = std::move(work)] {
        // A download or a document view is a new request: a cancel of earlier work does not hold.
        s->session.Stopping()->Reset();
        try {
            promise->set_value(work());
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    }});
    return result;
}

void WebSession::Receive(const std::string& text)
{
    json message;
    std::string type;
    try {
        message = ReadMessage(text);
        type = Text(message, "t");
    } catch (const std::exception& error) {
        // The reader's message may quote bytes of the text that are no UTF-8: Send writes
        // them replaced, where a plain dump would throw.
        state_->Send({{"t", "error"}, {"source", "protocol"}, {"message", error.what()}});
        return;
    }
    State* s = state_.get();
    if (type == "cancel") {
        // Not queued: the host thread is busy with the very work to stop. The statement
        // running now is cancelled on the server, the progress run ends before its next step.
        s->session.Stopping()->Request();
        return;
    }
    // A tab that sends faster than its host thread works is refused, not buffered.
    if (s->queuedMessages.fetch_add(1) >= s->options.maxQueuedMessages) {
        --s->queuedMessages;
        state_->Send({{"t", "error"},
                      {"source", type},
                      {"message", "Too many requests are waiting: this one is refused; wait for the answers"}});
        return;
    }
    // Everything else is read and done on the host thread, where the model lives.
    s->session.Post(Ui::RunOnHostAction{[this, s, type = std::move(type), message = std::move(message)] {
        --s->queuedMessages;
        // A new request of the person: a cancel meant for earlier work no longer holds.
        s->session.Stopping()->Reset();
        try {
            Handle(type, message);
        } catch (const Ui::NoAnswerError&) {
            throw;
        } catch (const CancelledError& error) {
            if (s->stopRequested.load()) return; // the tab is gone: nobody to tell
            s->session.ReportError(type.empty() ? std::string("protocol") : type, error.what());
        } catch (const ConnectionError& error) {
            LogConnectionFailure(s->options.userName, error);
            s->session.ReportError(type.empty() ? std::string("protocol") : type, kDatabaseUnreachable);
        } catch (const std::exception& error) {
            s->session.ReportError(type.empty() ? std::string("protocol") : type, error.what());
        }
    }});
}

void WebSession::Handle(const std::string& type, const json& message)
{
    Ui::Session& session = state_->session;
    if (type == "set") {
        SetControlValue(message);
    } else if (type == "click") {
        session.Dispatch(Ui::ClickAction{Text(message, "w"), Text(message, "c")});
    } else if (type == "dbl") {
        session.Dispatch(Ui::DblClickRowAction{Text(message, "w"), Text(message, "g"), WholeNumber(message, "row"),
                                               Text(message, "col")});
    } else if (type == "cell") {
        session.Dispatch(Ui::SetCurrentCellAction{Text(message, "w"), Text(message, "g"), WholeNumber(message, "row"),
                                                  Text(message, "col")});
    } else if (type == "select") {
        session.Dispatch(Ui::SelectRowsAction{Text(message, "w"), Text(message, "g"), WholeNumbers(message, "rows")});
    } else if (type == "edit") {
        EditCell(message);
    } else if (type == "addrow") {
        session.Dispatch(Ui::AddRowAction{Text(message, "w"), Text(message, "g")});
    } else if (type == "delrow") {
        session.Dispatch(Ui::DeleteRowAction{Text(message, "w"), Text(message, "g"), WholeNumber(message, "row")});
    } else if (type == "card") {
        session.Dispatch(Ui::OpenCardAction{Text(message, "w"), Text(message, "g"), WholeNumber(message, "row"),
                                            Text(message, "col")});
    } else if (type == "menu") {
        session.Dispatch(Ui::ChooseMenuAction{Text(message, "w"), Text(message, "c"), Text(message, "key")});
    } else if (type == "close") {
        session.Dispatch(Ui::CloseWindowAction{Text(message, "w")});
    } else if (type == "answer") {
        session.Dispatch(Ui::AnswerMessageAction{Text(message, "a")});
    } else if (type == "sort") {
        SortGrid(message);
    } else if (type == "rows") {
        SendRowPage(message);
    } else if (type == "chart") {
        SendChart(message);
    } else if (type == "lookup") {
        SendLookup(message);
    } else if (type == "run") {
        RunClass(Text(message, "cls"));
    } else if (type == "start") {
        // The welcome reads no database, so that an idle tab holds no connection: the recent
        // reports come ahead of the start page, which needs the Book anyway.
        state_->Send({{"t", "recent"}, {"classes", LoadRecent(state_->OpenBook())}});
        state_->Send(json::parse(StartPageJson(state_->book)));
    } else if (type == "tile") {
        const TileReport report = PrepareTileReport(state_->OpenBook(), Text(message, "tile"));
        RunClass(report.className, report.params);
    } else if (type == "editdoc") {
        // A document view holds no window, so the Book may have been let go meanwhile.
        state_->OpenBook();
        EditDocument(session, state_->book, Text(message, "docType"), WholeNumber(message, "idc"));
    } else if (type == "ping") {
        state_->Send({{"t", "pong"}});
    } else {
        throw ValueError("message: unknown type '" + type + "'");
    }
}

// A value the control refuses is shown at the control and goes no further.
void WebSession::SetControlValue(const json& message)
{
    State* s = state_.get();
    const std::string window = Text(message, "w");
    const std::string control = Text(message, "c");
    const std::string value = Text(message, "v");
    Ui::Form* form = window.empty() ? s->session.TopWindow() : s->session.FindWindow(window);
    if (form == nullptr) throw Ui::UiError("No open window '" + window + "'");
    try {
        form->Ctl(control).Normalize(Value(value));
    } catch (const ValueError& refusal) {
        s->Send({{"t", "refused"}, {"w", form->Name()}, {"c", control}, {"v", value}, {"message", refusal.what()}});
        // The control shows its own value again.
        s->dirty = true;
        return;
    }
    s->session.Dispatch(Ui::SetValueAction{window, control, Value(value)});
}

// A refused cell shows the typed text and the problem at the cell (the grid keeps both), not
// in an error dialog.
void WebSession::EditCell(const json& message)
{
    try {
        state_->session.Dispatch(Ui::EditCellAction{Text(message, "w"), Text(message, "g"), WholeNumber(message, "row"),
                                                    Text(message, "col"), Value(Text(message, "v"))});
    } catch (const ValueError&) {
        state_->dirty = true;
    }
}

std::string WebSession::SavedFile(std::int64_t index, std::string& name) const
{
    const auto& files = state_->files;
    // The offered numbers run on; the oldest files are let go past the limit.
    const std::int64_t first = state_->downloadsOffered - static_cast<std::int64_t>(files.size());
    if (index < first || index >= state_->downloadsOffered)
        throw ValueError("file: this session keeps no file " + std::to_string(index));
    const auto& file = files[static_cast<std::size_t>(index - first)];
    name = file.name;
    return file.contents;
}

std::string WebSession::PrintedReport(std::int64_t index) const
{
    const auto& prints = state_->session.Prints();
    if (index < 0 || static_cast<std::size_t>(index) >= prints.size() ||
        prints[static_cast<std::size_t>(index)].reportCode.empty())
        throw ValueError("report: this session printed no report " + std::to_string(index));
    return prints[static_cast<std::size_t>(index)].html;
}

void WebSession::SortGrid(const json& message)
{
    Ui::Form* form = state_->session.FindWindow(Text(message, "w"));
    if (form == nullptr) throw Ui::UiError("No open window '" + Text(message, "w") + "'");
    const bool ascending = !message.contains("asc") || Flag(message, "asc");
    form->GridCtl(Text(message, "g")).SortBy(Text(message, "col"), ascending);
}

// A page of a grid's visible rows, at most kMaxPage of them.
void WebSession::SendRowPage(const json& message)
{
    Ui::Form* form = state_->session.FindWindow(Text(message, "w"));
    if (form == nullptr) return; // the window closed meanwhile
    const Ui::Grid& grid = form->GridCtl(Text(message, "g"));
    const auto visible = grid.VisibleRows();
    const auto from = static_cast<std::size_t>(std::max(0L, WholeNumber(message, "from")));
    const auto count = std::min(kMaxPage, static_cast<std::size_t>(std::max(0L, WholeNumber(message, "count"))));
    state_->Send({{"t", "rows"},
                  {"w", form->Name()},
                  {"g", grid.Name()},
                  {"from", from},
                  {"total", visible.size()},
                  {"rows", RowsJson(grid, visible, from, count)}});
}

// A grid's chart over all its visible rows, summed here so that a long grid never travels
// whole: the largest categories and series, the rest as "Other", with each series' total.
void WebSession::SendChart(const json& message)
{
    ChartLimits limits;
    if (message.contains("categories"))
        limits.categories = static_cast<std::size_t>(std::max(0L, WholeNumber(message, "categories")));
    if (message.contains("series"))
        limits.series = static_cast<std::size_t>(std::max(0L, WholeNumber(message, "series")));
    CheckChartLimits(limits);
    Ui::Form* form = state_->session.FindWindow(Text(message, "w"));
    if (form == nullptr) return; // the window closed meanwhile
    const Ui::Grid& grid = form->GridCtl(Text(message, "g"));
    const GridChart chart = ChartOfGrid(grid, limits);
    json series = json::array();
    for (const auto& s : chart.series) {
        json values = json::array();
        for (const auto& value : s.values)
            values.push_back(value ? json(value->ToDouble()) : json());
        const Value total(s.total);
        series.push_back({{"name", s.name},
                          {"column", s.column},
                          {"values", std::move(values)},
                          {"total", s.format.empty() ? s.total.ToString() : Ui::DisplayFormat::Apply(total, s.format)}});
    }
    json answer = {{"t", "chart"},
                   {"w", form->Name()},
                   {"g", grid.Name()},
                   {"categories", chart.categories},
                   {"series", std::move(series)},
                   {"rows", chart.rows},
                   {"otherRows", chart.otherRows},
                   {"otherSeries", chart.otherSeries}};
    // The tab's own number for the request: it draws only the answer to its latest.
    if (message.contains("n")) answer["n"] = WholeNumber(message, "n");
    state_->Send(answer);
}

// Type-ahead: the rows of the control's reference whose code or name holds the typed text.
void WebSession::SendLookup(const json& message)
{
    State* s = state_.get();
    const std::string window = Text(message, "w");
    Ui::Form* form = s->session.FindWindow(window);
    if (form == nullptr) return; // the window closed while the person typed
    const Ui::Control& control = form->Ctl(Text(message, "c"));
    const ReferenceLookup lookup(control);
    Book& book = s->OpenBook();
    const std::string query = Text(message, "q");
    json items = json::array();
    for (const LookupItem& item : lookup.Find(book, query, kLookupLimit))
        items.push_back({{"code", EditText(item.code)}, {"name", EditText(item.name)}});
    s->Send({{"t", "lookup"}, {"w", window}, {"c", control.Name()}, {"q", query}, {"items", items}});
}

void WebSession::RunClass(const std::string& className, const std::vector<std::pair<std::string, Date>>& dates)
{
    State* s = state_.get();
    if (s->session.TopModal() != nullptr)
        throw Ui::UiError("Close the dialog '" + s->session.TopModal()->Caption() + "' before starting another report");
    s->OpenBook();
    std::shared_ptr<Object> object;
    for (const auto& extra : s->options.extraClasses) {
        if (EqualsIgnoreCase(extra.name, className)) object = extra.create();
    }
    if (!object) object = Quarn_DuzAde::CreateObject(className);
    FieldList inParams;
    inParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(s->book)));
    for (const auto& [name, date] : dates)
        inParams.Add(name, FieldType::kDate, Value(date));
    FieldList outParams;
    s->session.ShowStatus("");
    s->Send({{"t", "recent"}, {"classes", RememberRecent(*s->book, ClassNameOnly(className))}});
    if (auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get())) {
        report->SetVisual(true);
        report->Run(inParams, outParams);
    } else if (auto* main = dynamic_cast<Quarn_DuzAde::IMainEntry*>(object.get())) {
        main->Main(inParams);
    } else if (auto* calculator = dynamic_cast<IPriceCalc*>(object.get())) {
        // A price calculator runs in the price-list maintenance's form; the prices it made
        // open as the result.
        if (auto prices = RunPriceCalcTool(*calculator, inParams))
            outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Object>(prices)));
    } else {
        throw ValueError(className + " cannot be run from the menu");
    }
    if (!outParams.ExistsField("DataList")) return;
    std::shared_ptr<Object> result = outParams.Item("DataList").GetValue().ToObject();
    std::shared_ptr<Data::Recordset> rows;
    if (auto list = std::dynamic_pointer_cast<DataList>(result)) rows = list->Recordset();
    if (auto rs = std::dynamic_pointer_cast<Data::Recordset>(result)) rows = rs;
    if (!rows) throw ValueError(className + ": the result \"DataList\" is neither a list nor a recordset");
    auto window = std::make_shared<ResultWindow>(ClassNameOnly(className), *rows);
    window->Attach(s->session);
    const std::string key = window->Name();
    if (Ui::Form* open = s->session.FindWindowByKey(key)) open->Unload();
    s->session.ShowModeless(*window, key, window);
}

std::string WebSession::ExportGrid(const std::string& window, const std::string& grid, const std::string& format)
{
    Ui::Form* form = state_->session.FindWindow(window);
    if (form == nullptr) throw Ui::UiError("No open window '" + window + "'");
    const Ui::Grid& g = form->GridCtl(grid);
    if (format == "csv") return GridToCsv(g);
    if (format == "xlsx") return GridToXlsx(g, form->Caption());
    if (format == "html") return GridToPrintHtml(g, form->Caption().empty() ? form->Name() : form->Caption());
    throw ValueError("format: '" + format + "' is not csv, xlsx or html");
}

namespace {

json ReadRows(DataList& list)
{
    list.Refresh();
    const Ui::RecordsetRows read = Ui::ReadRecordsetRows(*list.Recordset());
    json rows = json::array();
    for (const auto& values : read.rows) {
        json row = json::object();
        for (std::size_t i = 0; i < values.size(); ++i)
            row[read.columns[i]] = ShownText(values[i]);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The document a payment line links to, joined under the alias "Lnk" by the given column.
json PaymentLinks(Book& book, const std::string& ownColumn, const std::string& otherColumn, long long idc)
{
    auto pay = book.CreateList("THPaySpec");
    pay->Fields().SelectFields({"Summa", "SummaCur"});
    auto linked = book.CreateList("THDocument");
    linked->Fields().SelectFields({});
    pay->Join(linked, "Lnk", "Lnk.IDC = oTable." + otherColumn, 1);
    pay->Fields().AddField("IDC", FieldType::kId, "Lnk.IDC");
    pay->Fields().AddField("DocTypeCode", FieldType::kCode, "Lnk.DocTypeCode");
    pay->Fields().AddField("Number", FieldType::kCode, "Lnk.Number");
    pay->Fields().AddField("DocumentDate", FieldType::kDate, "Lnk.DocumentDate");
    pay->SetFilter(
        SqlTools::CondByName("oTable." + ownColumn, FieldType::kId, SqlOperator::kEqual, Value(std::int64_t(idc))));
    pay->OrderBy("Lnk.DocumentDate, Lnk.IDC");
    return ReadRows(*pay);
}

} // namespace

std::string WebSession::DocumentJson(long long idc)
{
    if (idc <= 0) throw ValueError("idc: must be a positive document id");
    Book& book = state_->OpenBook();
    const std::string byDoc =
        SqlTools::CondByName("oTable.DocID", FieldType::kId, SqlOperator::kEqual, Value(std::int64_t(idc)));

    auto header = book.CreateDocList("THDocument");
    header->Fields().SelectFields({"IDC", "DocTypeCode", "DocumentDate", "Number", "Summa", "CurrencyCode",
                                   "Department", "IsPosted", "ParentID"});
    auto type = book.CreateList("THDocType");
    type->Fields().SelectFields({});
    header->Join(type, "DT", "DT.Code = oTable.DocTypeCode", 1);
    header->Fields().AddField("DocTypeName", FieldType::kText, "DT.Name");
    header->SetFilter(
        SqlTools::CondByName("oTable.IDC", FieldType::kId, SqlOperator::kEqual, Value(std::int64_t(idc))));
    json headerRows = ReadRows(*header);
    if (headerRows.empty()) throw ValueError("idc: there is no document " + std::to_string(idc));

    auto parties = book.CreateList("THPartyAttribute");
    parties->Fields().SelectFields({"RolePartyCode", "PartyType", "PartyCode"});
    auto client = book.CreateList("REFClient");
    client->Fields().SelectFields({});
    parties->Join(client, "Cl", "Cl.Code = oTable.PartyCode AND oTable.PartyType = 1", 1);
    auto person = book.CreateList("REFPerson");
    person->Fields().SelectFields({});
    parties->Join(person, "Pr", "Pr.Code = oTable.PartyCode AND oTable.PartyType = 2", 1);
    parties->Fields().AddField("PartyName", FieldType::kText, "COALESCE(Cl.Name, Pr.FirstName + N' ' + Pr.LastName)");
    parties->SetFilter(byDoc);
    parties->OrderBy("oTable.RolePartyCode");

    auto goods = book.CreateList("THGoodSpec");
    goods->Fields().SelectFields({"PosNumb", "GoodCode", "UnitCode", "Amount", "Price", "Summa"});
    auto good = book.CreateList("REFGood");
    good->Fields().SelectFields({});
    goods->Join(good, "Good", "Good.Code = oTable.GoodCode", 1);
    goods->Fields().AddField("GoodName", FieldType::kText, "Good.Name");
    goods->SetFilter(byDoc);
    goods->OrderBy("oTable.PosNumb");

    auto terms = book.CreateList("THDocumentPayTerm");
    terms->Fields().SelectFields({"PayTerm", "Summa"});
    auto doc = book.CreateList("THDocument");
    doc->Fields().SelectFields({});
    terms->Join(doc, "D", "D.IDC = oTable.DocID", 0);
    terms->Fields().AddField("PayDate", FieldType::kDate, "DATEADD(day, oTable.PayTerm, D.DocumentDate)");
    terms->SetFilter(byDoc);
    terms->OrderBy("oTable.PayTerm");

    json result = {{"header", headerRows[0]},
                   {"parties", ReadRows(*parties)},
                   {"goods", ReadRows(*goods)},
                   // Payments made for this document, and the documents this payment pays.
                   {"paidBy", PaymentLinks(book, "CorDocID", "DocID", idc)},
                   {"pays", PaymentLinks(book, "DocID", "CorDocID", idc)},
                   {"payTerms", ReadRows(*terms)}};
    return result.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace Talvex::Web
