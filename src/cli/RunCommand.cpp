#include "cli/RunCommand.hpp"

#include "host/cube/CCube.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/objects/PriceCalcTool.hpp"
#include "host/types/Errors.hpp"
#include "host/types/WholeNumber.hpp"
#include "host/ui/AnswerScript.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/GridPrinter.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>

namespace Talvex::Cli {
namespace {

Data::ColumnKind KindOfValue(const Value& v)
{
    if (std::holds_alternative<bool>(v.Raw())) return Data::ColumnKind::Boolean;
    if (std::holds_alternative<std::int64_t>(v.Raw())) return Data::ColumnKind::Integer;
    if (std::holds_alternative<Currency>(v.Raw()) || std::holds_alternative<Decimal>(v.Raw()))
        return Data::ColumnKind::Decimal;
    if (std::holds_alternative<double>(v.Raw())) return Data::ColumnKind::Double;
    if (v.IsDate()) return Data::ColumnKind::Date;
    return Data::ColumnKind::Text;
}

// Each column's kind from its first value that is there.
void SetKinds(Listing& listing)
{
    for (std::size_t c = 0; c < listing.columns.size(); ++c) {
        for (const auto& row : listing.rows) {
            if (c >= row.size() || row[c].IsEmpty() || row[c].IsNull()) continue;
            listing.columns[c].kind = KindOfValue(row[c]);
            break;
        }
    }
}

// The list a class returns as "DataList": a host list, or a recordset it built itself.
struct ReturnedList {
    std::shared_ptr<Data::Recordset> rows;
    std::shared_ptr<DataList> list; // null for a bare recordset
};

std::optional<ReturnedList> ResultOf(const FieldList& outParams)
{
    if (!outParams.ExistsField("DataList")) return std::nullopt;
    std::shared_ptr<Object> object = outParams.Item("DataList").GetValue().ToObject();
    if (auto list = std::dynamic_pointer_cast<DataList>(object)) return ReturnedList{list->Recordset(), list};
    if (auto rs = std::dynamic_pointer_cast<Data::Recordset>(object)) return ReturnedList{rs, nullptr};
    throw ValueError("The result \"DataList\" is neither a list nor a recordset");
}

// A column of amounts: money by the recordset's type, or by the host list's field type.
bool IsAmount(Data::Field field, const DataList* list)
{
    if (field.Type() == Data::DataTypeEnum::Currency) return true;
    return list != nullptr && list->Fields().ExistsField(field.Name()) &&
           list->Fields().Item(field.Name()).TypeCode() == FieldType::kAmount;
}

// The rows of a returned list, in its order; amounts print as money.
Listing ListingOf(const ReturnedList& result)
{
    auto rs = result.rows->Clone();
    Listing listing;
    const std::size_t count = rs->Fields().Count();
    for (std::size_t i = 0; i < count; ++i) {
        Data::Field field = rs->Fields().Item(i);
        listing.columns.push_back({field.Name(), Data::ColumnKind::Other,
                                   IsAmount(field, result.list.get()) ? std::string(kMoneyFormat) : ""});
    }
    if (rs->RecordCount() > 0) {
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            std::vector<Value> row;
            for (std::size_t i = 0; i < count; ++i)
                row.push_back(rs->Fields().Item(i).Value());
            listing.rows.push_back(std::move(row));
        }
    }
    SetKinds(listing);
    return listing;
}

// A grid as it stands on screen: visible columns under their captions with their display
// formats, the visible rows in screen order, and the footer when the grid shows one.
Listing ListingOf(const Ui::Grid& grid)
{
    Ui::VisibleGrid visible = Ui::GridPrinter::Visible(grid);
    Listing listing;
    for (std::size_t i = 0; i < visible.names.size(); ++i)
        listing.columns.push_back(
            {visible.captions[i], Data::ColumnKind::Text, grid.Columns()[grid.ColumnIndex(visible.names[i])].format});
    listing.rows = std::move(visible.rows);
    if (visible.hasFooter) listing.footer = std::move(visible.footers);
    SetKinds(listing);
    return listing;
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

    const std::optional<Listing>& LastGrid() const { return lastGrid_; }

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
            lastGrid_ = ListingOf(*list);
            return;
        }
    }

    Ui::Session& session_;
    int id_ = 0;
    std::map<std::string, Ui::Form*> open_;
    std::optional<Listing> lastGrid_;
};

std::optional<Listing> VisibleCubeGrid(const Ui::Session& session)
{
    Ui::Form* window = session.FindWindow(CubeWindow::kFormName);
    if (window == nullptr) return std::nullopt;
    return ListingOf(window->GridCtl("CubeGrid"));
}

void Emit(const Listing& listing, const RunOptions& options, std::ostream& out)
{
    if (options.outFile.empty()) {
        Print(listing, options.format, out);
        return;
    }
    std::ofstream file(options.outFile, std::ios::binary);
    if (!file) throw ValueError("--out: cannot write " + options.outFile);
    Print(listing, options.format, file);
}

bool StartsLikeANumber(const std::string& text)
{
    auto digit = [&](std::size_t i) { return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); };
    return digit(0) || (!text.empty() && (text[0] == '-' || text[0] == '.') && digit(1));
}

// "Name=Value" takes its kind from the value's text; "Name:Kind=Value" is of the kind the host
// numbers so ("DateBeg:9=2025-01-01"), refused when the host has no such kind.
void AddParam(FieldList& params, const std::string& text)
{
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw ValueError("--param: '" + text + "' must be Name=Value or Name:Kind=Value");
    std::string name = text.substr(0, eq);
    const std::string value = text.substr(eq + 1);
    if (auto colon = name.find(':'); colon != std::string::npos) {
        const std::string code = name.substr(colon + 1);
        if (colon == 0 || code.empty() || code.size() > 3 || code.find_first_not_of("0123456789") != std::string::npos)
            throw ValueError("--param: '" + text + "': the kind after ':' must be a host field type number");
        const FieldType kind = FieldTypeOfCode(std::stoi(code));
        name.resize(colon);
        params.Add(name, kind, Value(value));
        return;
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        params.Add(name, FieldType::kText, Value(value.substr(1, value.size() - 2)));
        return;
    }
    if (!StartsLikeANumber(value)) {
        params.Add(name, FieldType::kText, Value(value));
        return;
    }
    if (const auto whole = TryParseWholeNumber(value)) {
        // Leading zeros belong to a code ("0012"), which stays text.
        if (std::to_string(*whole) == value)
            params.Add(name, FieldType::kInteger, Value(*whole));
        else
            params.Add(name, FieldType::kText, Value(value));
        return;
    }
    Currency amount;
    if (value.find_first_not_of("-0123456789.") == std::string::npos && Currency::ParseExact(value, amount)) {
        params.Add(name, FieldType::kAmount, Value(amount));
        return;
    }
    Date date;
    if (Date::TryParse(value, date)) {
        params.Add(name, FieldType::kDate, Value(date));
        return;
    }
    throw ValueError("--param " + name + ": '" + value +
                     "' is not a whole number, an amount or a date (a text that starts with a digit goes in "
                     "double quotes)");
}

// Runs the class through its report contract, its Main, or as a cube report in a cube window.
void RunObject(const std::shared_ptr<Object>& object, const std::string& className, FieldList& inParams,
               FieldList& outParams)
{
    if (auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get())) {
        report->SetVisual(true);
        report->Run(inParams, outParams);
    } else if (auto* main = dynamic_cast<Quarn_DuzAde::IMainEntry*>(object.get())) {
        main->Main(inParams);
    } else if (auto* calculator = dynamic_cast<IPriceCalc*>(object.get())) {
        // A price calculator, as the price-list maintenance hands it a price type: its form
        // asks for what the parameters leave open; the prices it made are the result.
        if (auto prices = RunPriceCalcTool(*calculator, inParams))
            outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Object>(prices)));
    } else if (auto cubeReport = std::dynamic_pointer_cast<ICubeForm2>(object)) {
        // A cube report alone: the host opens it in a cube window.
        OpenCubeForm(cubeReport, className);
    } else {
        throw ValueError(className + " has no report contract and no Main to run");
    }
}

// Tells on standard error what the run showed and why it failed; true when it did its job:
// no input refused, no error, every answer played.
bool ReportRun(const Ui::Session& session, const Ui::ScriptDriver& driver, const std::string& unanswered,
               std::ostream& err)
{
    bool done = true;
    for (const auto& message : session.Messages()) {
        const bool refused = message.kind == Ui::MessageKind::Refusal;
        err << (refused ? "refused: " : "message: ") << message.text << "\n";
        done = done && !refused;
    }
    // The scripted user's stop reaches every modal loop it ends: told once.
    std::set<std::string> told;
    auto tell = [&](const std::string& line) {
        if (told.insert(line).second) err << line << "\n";
        done = false;
    };
    if (!driver.Failure().empty()) tell("talvex: " + driver.Failure());
    for (const auto& e : session.Errors())
        if (e.message != driver.Failure()) tell(e.source + ": " + e.message);
    if (!unanswered.empty() && unanswered != driver.Failure()) tell("talvex: " + unanswered);
    if (driver.Failure().empty())
        if (std::string unplayed = driver.FirstUnplayed(); !unplayed.empty()) tell("talvex: " + unplayed);
    return done;
}

// A report printed by its code goes to paper through the browser; here it becomes a file,
// "<code>-<n>.html", told on standard error.
void WritePrintedReports(const Ui::Session& session, const std::string& folder, std::ostream& err)
{
    int number = 0;
    for (const auto& print : session.Prints()) {
        if (print.reportCode.empty()) continue;
        ++number;
        std::string name;
        for (char c : print.reportCode)
            name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' ? c : '_';
        const std::filesystem::path path =
            std::filesystem::path(folder) / (name + "-" + std::to_string(number) + ".html");
        std::ofstream file(path, std::ios::binary);
        if (!(file << print.html) || !file.flush())
            throw ValueError("--print-dir: cannot write '" + path.string() + "'");
        err << "printed: " << print.reportCode << " -> " << path.string() << "\n";
    }
}

} // namespace

int RunClass(const std::string& connectString, const RunOptions& options, std::ostream& out, std::ostream& err)
{
    // What the user gave is read whole before anything runs: a bad answers file or parameter
    // stops the run before it opens a window.
    Ui::AnswerScript answers =
        options.answersFile.empty() ? Ui::AnswerScript{} : Ui::AnswerScript::Load(options.answersFile);
    FieldList given;
    for (const auto& p : options.params)
        AddParam(given, p);

    Quarn_DuzAde::Startup();
    std::shared_ptr<Book> book = Erp::OpenBook(connectString, options.userName);
    FieldList inParams;
    inParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    for (const auto& p : options.params)
        AddParam(inParams, p);

    Ui::Session session;
    Ui::Session::Scope sessionScope(session);
    Ui::ScriptDriver driver(std::move(answers));
    driver.Attach(session);
    ClientApp app(session);
    ClientApp::Scope appScope(app);
    app.Context().SetBook(book);

    std::shared_ptr<Object> object = Quarn_DuzAde::CreateObject(options.className);
    FieldList outParams;
    ListWindowWatch listWindows(session);
    // A window left waiting ends the run; it is told with the rest, not as a crash.
    std::string unanswered;
    try {
        RunObject(object, options.className, inParams, outParams);
    } catch (const Ui::NoAnswerError& e) {
        unanswered = e.what();
    }
    driver.PlayRemaining(session);
    WritePrintedReports(session, options.printDir, err);
    if (!ReportRun(session, driver, unanswered, err)) return 1;

    if (auto result = ResultOf(outParams)) {
        Emit(ListingOf(*result), options, out);
        return 0;
    }
    // A report that ended in a cube window: what the window shows; else the grid of the last
    // list dialog it showed.
    if (auto grid = VisibleCubeGrid(session)) {
        Emit(*grid, options, out);
        return 0;
    }
    if (listWindows.LastGrid()) {
        Emit(*listWindows.LastGrid(), options, out);
        return 0;
    }
    // A price calculator whose period holds no prices (or that was cancelled) has no list:
    // its messages told what it did.
    if (dynamic_cast<IPriceCalc*>(object.get())) return 0;
    err << "talvex: " << options.className << " showed no list to print\n";
    return 1;
}

void PrintCatalogue(OutputFormat format, std::ostream& out)
{
    Listing listing;
    for (const char* name : {"Class", "Entry", "Members", "Subsystem", "Role", "Available"})
        listing.columns.push_back({name, Data::ColumnKind::Text, ""});
    for (const auto& e : Quarn_DuzAde::Catalogue())
        listing.rows.push_back({Value(std::string(Quarn_DuzAde::kLibraryName) + "." + e.name), Value(e.entry),
                                Value(e.members), Value(e.subsystem), Value(e.role),
                                Value(e.built ? "yes" : "not yet")});
    Print(listing, format, out);
}

} // namespace Talvex::Cli
