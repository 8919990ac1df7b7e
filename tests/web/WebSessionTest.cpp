// A browser tab's session without a browser: messages in, messages out, against the demo
// company.

#include "web/WebSession.hpp"
#include "WebTestClasses.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Talvex::Testing {
namespace {

using json = nlohmann::json;
using namespace std::chrono_literals;

// One tab: what it sends and what it has received.
class Tab {
public:
    explicit Tab(const std::string& user = "anna")
    {
        Web::SessionOptions options;
        options.connectString = DemoDatabaseConnectString();
        options.userName = user;
        options.extraClasses = WebTestClasses();
        options.patience = 100ms;
        session = std::make_unique<Web::WebSession>("tab-" + user, options, [this](std::string text) {
            std::lock_guard lock(mutex_);
            received_.push_back(json::parse(text));
            changed_.notify_all();
        });
        session->Start();
    }
    // The session goes first: its host thread still talks to this tab until it stops.
    ~Tab() { session.reset(); }
    Tab(const Tab&) = delete;
    Tab& operator=(const Tab&) = delete;

    void Send(const json& message) { session->Receive(message.dump()); }

    // The first message from now on (or already waiting) that fits; fails the test after a while.
    json WaitFor(const std::function<bool(const json&)>& fits, std::chrono::milliseconds patience = 20s)
    {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + patience;
        for (;;) {
            while (!received_.empty()) {
                json message = std::move(received_.front());
                received_.pop_front();
                if (message["t"] == "state") lastState_ = message;
                if (fits(message)) return message;
            }
            if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
                ADD_FAILURE() << "no awaited message came";
                return json();
            }
        }
    }

    // The next snapshot in which the predicate holds.
    json WaitForState(const std::function<bool(const json&)>& holds)
    {
        return WaitFor([&](const json& m) { return m["t"] == "state" && holds(m); });
    }

    static const json* Window(const json& state, const std::string& name)
    {
        for (const auto& w : state["windows"])
            if (w["name"] == name) return &w;
        return nullptr;
    }
    static const json& ControlOf(const json& window, const std::string& name)
    {
        for (const auto& c : window["controls"])
            if (c["name"] == name) return c;
        throw ValueError("no control " + name);
    }

    std::unique_ptr<Web::WebSession> session;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<json> received_;
    json lastState_;
};

auto HasWindow(const std::string& name)
{
    return [name](const json& state) { return Tab::Window(state, name) != nullptr; };
}

// Whether the tab lets its Book go within a while: with no window open it holds no connection.
bool LetsTheBookGo(const Tab& tab)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (tab.session->HoldsBook()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(WebSession, WelcomeNamesUserAndMenuGroupsClassesBySubsystem)
{
    Tab tab("anna");
    json welcome = tab.WaitFor([](const json& m) { return m["t"] == "welcome"; });
    EXPECT_EQ(welcome["user"], "anna");
    std::vector<std::string> subsystems;
    bool sawDuzAde = false;
    bool sawDialogBridge = false;
    json priceCalc;
    for (const auto& group : welcome["menu"]) {
        subsystems.push_back(group["subsystem"]);
        for (const auto& cls : group["classes"]) {
            sawDuzAde = sawDuzAde || cls["name"] == "CDuzAde";
            sawDialogBridge = sawDialogBridge || cls["name"] == "TalvexUserDialogs";
            if (cls["name"] == "CPriceListCostPrice") priceCalc = cls;
        }
    }
    // A price calculator is offered under its business name, in the maintenance's form.
    ASSERT_TRUE(priceCalc.is_object());
    EXPECT_EQ(priceCalc["title"], "Prices from purchase cost");
    EXPECT_EQ(priceCalc["available"], true);
    // The business groups first, in the order of the menu; the tests' classes last.
    ASSERT_GE(subsystems.size(), 4u);
    EXPECT_EQ(subsystems.front(), "receivables and payables");
    EXPECT_EQ(subsystems.back(), "tests");
    EXPECT_TRUE(sawDuzAde);
    EXPECT_FALSE(sawDialogBridge) << "a class without a report entry cannot be run from the menu";
}

TEST(WebSession, FormIsDrawnFromDeclaredControlsAndBadInputIsRefusedAtTheControl)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "TWebFill"}});
    json state = tab.WaitForState(HasWindow("frmWebParams"));
    const json& form = *Tab::Window(state, "frmWebParams");
    EXPECT_TRUE(form["modal"].get<bool>());
    EXPECT_EQ(Tab::ControlOf(form, "edDateBeg")["kind"], "DateBox");
    EXPECT_EQ(Tab::ControlOf(form, "edDateBeg")["value"], "2025-01-01");
    EXPECT_EQ(Tab::ControlOf(form, "cbDepartment")["lookup"], "REFDepartment");
    EXPECT_EQ(Tab::ControlOf(form, "selClient")["multiple"], true);
    EXPECT_EQ(Tab::ControlOf(form, "cbDocType")["items"].size(), 3u);
    EXPECT_EQ(Tab::ControlOf(form, "optByDate")["group"], "order");
    EXPECT_EQ(Tab::ControlOf(form, "btOk")["default"], true);
    // Controls say which page of the tab control they stand on; the rest stand on the form.
    EXPECT_EQ(Tab::ControlOf(form, "optBySum")["tab"], (json{{"control", "tabPages"}, {"page", 1}}));
    EXPECT_EQ(Tab::ControlOf(form, "edDateBeg")["tab"]["page"], 0);
    EXPECT_FALSE(Tab::ControlOf(form, "btOk").contains("tab"));

    // An impossible date and a letter in a number box stop at the control.
    tab.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edDateBeg"}, {"v", "2025-02-30"}});
    json refused = tab.WaitFor([](const json& m) { return m["t"] == "refused"; });
    EXPECT_EQ(refused["c"], "edDateBeg");
    EXPECT_NE(refused["message"].get<std::string>().find("edDateBeg"), std::string::npos);
    EXPECT_NE(refused["message"].get<std::string>().find("not a valid date"), std::string::npos);
    tab.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edMinSum"}, {"v", "12a"}});
    refused = tab.WaitFor([](const json& m) { return m["t"] == "refused"; });
    EXPECT_EQ(refused["c"], "edMinSum");
    EXPECT_NE(refused["message"].get<std::string>().find("not a number"), std::string::npos);

    // The controls kept their values; a good value is taken.
    tab.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edMinSum"}, {"v", "1 000,50"}});
    state = tab.WaitForState([](const json& s) {
        const json* w = Tab::Window(s, "frmWebParams");
        return w && Tab::ControlOf(*w, "edMinSum")["value"] == "1000.5";
    });
    EXPECT_EQ(Tab::ControlOf(*Tab::Window(state, "frmWebParams"), "edDateBeg")["value"], "2025-01-01");
    EXPECT_EQ(Tab::ControlOf(*Tab::Window(state, "frmWebParams"), "edMinSum")["text"], "1,000.50");

    // Option buttons of a group exclude each other.
    tab.Send({{"t", "click"}, {"w", "frmWebParams"}, {"c", "optBySum"}});
    state = tab.WaitForState([](const json& s) {
        const json* w = Tab::Window(s, "frmWebParams");
        return w && Tab::ControlOf(*w, "optBySum")["value"] == "1";
    });
    EXPECT_EQ(Tab::ControlOf(*Tab::Window(state, "frmWebParams"), "optByDate")["value"], "0");
    tab.Send({{"t", "click"}, {"w", "frmWebParams"}, {"c", "btCancel"}});
    tab.WaitForState([](const json& s) { return s["windows"].empty(); });
}

TEST(WebSession, APriceCalculatorFromTheMenuOpensThePriceListMaintenanceForm)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "CPriceListCostPrice"}});
    json state = tab.WaitForState(HasWindow("frmPriceCalc"));
    const json& form = *Tab::Window(state, "frmPriceCalc");
    EXPECT_TRUE(form["modal"].get<bool>());
    EXPECT_EQ(Tab::ControlOf(form, "cbPriceList")["lookup"], "REFPriceList");
    EXPECT_EQ(Tab::ControlOf(form, "cbPriceType")["lookup"], "REFPriceType");
    EXPECT_EQ(Tab::ControlOf(form, "cbCurrency")["value"], "EUR");
    EXPECT_EQ(Tab::ControlOf(form, "edKoeff")["value"], "1");
    tab.Send({{"t", "click"}, {"w", "frmPriceCalc"}, {"c", "btCancel"}});
    tab.WaitForState([](const json& s) { return s["windows"].empty(); });
}

TEST(WebSession, FilledListMatchesTheDatabaseAndPagesOnRequest)
{
    Tab tab;
    Data::Connection db = OpenDemoDatabase();
    auto expected =
        db.Query("SELECT COUNT(*) AS n, SUM(Summa) AS s, COUNT(DISTINCT DocTypeCode) AS types FROM THDocument "
                 "WHERE DocumentDate BETWEEN '2025-01-01' AND '2025-03-31'");
    const long documents = static_cast<long>(expected.rows[0][0].ToInteger());
    const long types = static_cast<long>(expected.rows[0][2].ToInteger());
    ASSERT_GT(documents, 150) << "the demo company should have more documents than one page";

    tab.Send({{"t", "run"}, {"cls", "TWebFill"}});
    tab.WaitForState(HasWindow("frmWebParams"));
    tab.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edDateEnd"}, {"v", "2025-03-31"}});
    tab.Send({{"t", "click"}, {"w", "frmWebParams"}, {"c", "btOk"}});
    json state = tab.WaitForState(HasWindow("frmWebList"));
    const json& grid = Tab::ControlOf(*Tab::Window(state, "frmWebList"), "grdDocs");
    // One row per document and one subtotal per document type.
    EXPECT_EQ(grid["rowCount"].get<long>(), documents + types);
    EXPECT_EQ(grid["rows"].size(), 100u) << "only the first page travels with the snapshot";
    std::string footer;
    for (const auto& column : grid["columns"]) {
        if (column["name"] == "Summa") {
            footer = column.value("footer", "");
            EXPECT_EQ(column["align"], "right");
            EXPECT_EQ(column["caption"], "Sum");
        }
    }
    EXPECT_EQ(footer, Ui::DisplayFormat::Apply(expected.rows[0][1], "#,##0.00"));
    EXPECT_TRUE(grid["styles"].contains("subtotal"));
    EXPECT_EQ(grid["styles"]["subtotal"]["bold"], true);
    // A cell styled on its own travels with its row, under its column's index; other cells don't.
    auto bigTypes =
        db.Query("SELECT COUNT(*) AS n FROM (SELECT DocTypeCode FROM THDocument WHERE DocumentDate "
                 "BETWEEN '2025-01-01' AND '2025-03-31' GROUP BY DocTypeCode HAVING SUM(Summa) > 100000) t");
    std::size_t styledCells = 0;
    for (long from = 0; from < documents + types; from += 100) {
        tab.Send({{"t", "rows"}, {"w", "frmWebList"}, {"g", "grdDocs"}, {"from", from}, {"count", 100}});
        json rows = tab.WaitFor([from](const json& m) { return m["t"] == "rows" && m["from"] == from; });
        for (const auto& row : rows["rows"]) {
            if (!row.contains("cs")) continue;
            ASSERT_EQ(row["cs"].size(), 1u);
            EXPECT_EQ(row["cs"]["4"]["fore"], "#c00000");
            EXPECT_EQ(row.value("s", ""), "subtotal");
            ++styledCells;
        }
    }
    EXPECT_EQ(styledCells, static_cast<std::size_t>(bigTypes.rows[0][0].ToInteger()));

    tab.Send({{"t", "rows"}, {"w", "frmWebList"}, {"g", "grdDocs"}, {"from", 100}, {"count", 100}});
    json page = tab.WaitFor([](const json& m) { return m["t"] == "rows"; });
    EXPECT_EQ(page["from"], 100);
    EXPECT_EQ(page["total"].get<long>(), documents + types);
    EXPECT_EQ(page["rows"].size(), static_cast<std::size_t>(std::min(100L, documents + types - 100)));
    EXPECT_EQ(page["rows"][0]["i"], 100);

    // Sorting by sum puts the largest last; a double-click opens the document of the row.
    tab.Send({{"t", "sort"}, {"w", "frmWebList"}, {"g", "grdDocs"}, {"col", "IDC"}, {"asc", false}});
    state = tab.WaitForState(HasWindow("frmWebList"));
    const json& sorted = Tab::ControlOf(*Tab::Window(state, "frmWebList"), "grdDocs");
    const long firstRow = sorted["rows"][0]["i"].get<long>();
    const std::string firstIdc = sorted["rows"][0]["c"][0].get<std::string>();
    auto maxIdc =
        db.Query("SELECT MAX(IDC) AS m FROM THDocument WHERE DocumentDate BETWEEN '2025-01-01' AND '2025-03-31'");
    EXPECT_EQ(firstIdc, maxIdc.rows[0][0].ToText());
    tab.Send({{"t", "dbl"}, {"w", "frmWebList"}, {"g", "grdDocs"}, {"row", firstRow}, {"col", "Number"}});
    json opened = tab.WaitFor([](const json& m) { return m["t"] == "document"; });
    EXPECT_EQ(std::to_string(opened["idc"].get<long long>()), firstIdc);

    // The document view reads the document through the host lists.
    const long long idc = opened["idc"].get<long long>();
    json document = json::parse(tab.session->CallOnHost([&] { return tab.session->DocumentJson(idc); }).get());
    auto header = db.Query("SELECT Number, DocTypeCode FROM THDocument WHERE IDC = " + std::to_string(idc));
    EXPECT_EQ(document["header"]["Number"], header.rows[0][0].ToText());
    auto goods = db.Query("SELECT COUNT(*) AS n FROM THGoodSpec WHERE DocID = " + std::to_string(idc));
    EXPECT_EQ(document["goods"].size(), static_cast<std::size_t>(goods.rows[0][0].ToInteger()));
    auto paid = db.Query("SELECT COUNT(*) AS n FROM THPaySpec WHERE CorDocID = " + std::to_string(idc));
    EXPECT_EQ(document["paidBy"].size(), static_cast<std::size_t>(paid.rows[0][0].ToInteger()));
    EXPECT_THROW(tab.session->CallOnHost([&] { return tab.session->DocumentJson(-5); }).get(), ValueError);
    EXPECT_THROW(tab.session->CallOnHost([&] { return tab.session->DocumentJson(999999999); }).get(), ValueError);
}

TEST(WebSession, DocumentViewHasPartiesPaymentsAndTerms)
{
    Tab tab;
    Data::Connection db = OpenDemoDatabase();
    // An invoice that was paid and has instalments.
    auto chosen = db.Query("SELECT MIN(d.IDC) AS idc FROM THDocument d WHERE d.DocTypeCode = 'PRSF' AND "
                           "EXISTS (SELECT 1 FROM THPaySpec p WHERE p.CorDocID = d.IDC) AND "
                           "EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = d.IDC)");
    ASSERT_FALSE(chosen.rows[0][0].IsNull()) << "the demo company has a paid invoice with payment terms";
    const std::string idc = chosen.rows[0][0].ToText();
    json document =
        json::parse(tab.session->CallOnHost([&] { return tab.session->DocumentJson(std::stoll(idc)); }).get());
    auto count = [&](const std::string& sql) { return static_cast<std::size_t>(db.Query(sql).rows[0][0].ToInteger()); };
    EXPECT_EQ(document["parties"].size(), count("SELECT COUNT(*) FROM THPartyAttribute WHERE DocID = " + idc));
    EXPECT_EQ(document["paidBy"].size(), count("SELECT COUNT(*) FROM THPaySpec WHERE CorDocID = " + idc));
    EXPECT_EQ(document["payTerms"].size(), count("SELECT COUNT(*) FROM THDocumentPayTerm WHERE DocID = " + idc));
    ASSERT_FALSE(document["parties"].empty());
    auto buyer = db.Query("SELECT c.Name FROM THPartyAttribute a JOIN REFClient c ON c.Code = a.PartyCode "
                          "WHERE a.DocID = " +
                          idc + " AND a.PartyType = 1 ORDER BY a.RolePartyCode");
    if (!buyer.rows.empty()) {
        EXPECT_EQ(document["parties"][0]["PartyName"], buyer.rows[0][0].ToText());
    }
    // Amounts as the person reads them; the due date is the document date plus the term.
    auto term =
        db.Query("SELECT t.PayTerm, d.DocumentDate FROM THDocumentPayTerm t JOIN THDocument d ON d.IDC = t.DocID "
                 "WHERE t.DocID = " +
                 idc + " ORDER BY t.PayTerm");
    const Date due = term.rows[0][1].ToDate().AddDays(static_cast<std::int32_t>(term.rows[0][0].ToInteger()));
    EXPECT_EQ(document["payTerms"][0]["PayDate"], due.ToIso());
    EXPECT_EQ(
        document["header"]["Summa"],
        Ui::DisplayFormat::Apply(db.Query("SELECT Summa FROM THDocument WHERE IDC = " + idc).rows[0][0], "#,##0.00"));
}

TEST(WebSession, ExportsWriteVisibleRowsAndFooter)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    tab.WaitForState(HasWindow("frmWebLong"));
    const std::string csv =
        tab.session->CallOnHost([&] { return tab.session->ExportGrid("frmWebLong", "lstLong", "csv"); }).get();
    // A header, 20,000 rows and the footer; amounts as shown, quoted where they hold commas.
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 20002);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "No.,Text,Sum");
    EXPECT_NE(csv.find("\r\n2,row 2,2.47\r\n"), std::string::npos);
    // 1.2345 * (1 + ... + 20000) = 246,912,345.00 shown with separators.
    EXPECT_NE(csv.find(",,\"246,912,345.00\"\r\n"), std::string::npos);
    const std::string xlsx =
        tab.session->CallOnHost([&] { return tab.session->ExportGrid("frmWebLong", "lstLong", "xlsx"); }).get();
    ASSERT_GT(xlsx.size(), 1000u);
    EXPECT_EQ(xlsx.substr(0, 2), "PK") << "a workbook is a zip archive";
    EXPECT_THROW(tab.session->CallOnHost([&] { return tab.session->ExportGrid("frmWebLong", "lstLong", "pdf"); }).get(),
                 ValueError);
    EXPECT_THROW(tab.session->CallOnHost([&] { return tab.session->ExportGrid("frmNone", "lstLong", "csv"); }).get(),
                 std::exception);
}

// A chart of a long list is summed by the session over all its rows: the largest of them,
// the rest as "Other", and the totals the footer shows.
TEST(WebSession, ChartOfALongListCoversEveryRowWithinItsLimits)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    tab.WaitForState(HasWindow("frmWebLong"));
    tab.Send({{"t", "chart"}, {"w", "frmWebLong"}, {"g", "lstLong"}, {"categories", 30}, {"series", 12}, {"n", 7}});
    json chart = tab.WaitFor([](const json& m) { return m["t"] == "chart"; });
    EXPECT_EQ(chart["n"], 7);
    EXPECT_EQ(chart["rows"], 20000);
    EXPECT_EQ(chart["otherRows"], 20000 - 29);
    ASSERT_EQ(chart["categories"].size(), 30u);
    EXPECT_EQ(chart["categories"][0], "row 19972");
    EXPECT_EQ(chart["categories"][28], "row 20000");
    EXPECT_EQ(chart["categories"][29], "Other");
    const json* sum = nullptr;
    for (const auto& series : chart["series"])
        if (series["column"] == "Sum") sum = &series;
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ((*sum)["total"], "246,912,345.00");
    EXPECT_DOUBLE_EQ((*sum)["values"][28].get<double>(), 24690.0);
    double added = 0;
    for (const auto& value : (*sum)["values"])
        added += value.get<double>();
    EXPECT_NEAR(added, 246912345.0, 0.01) << "the shown rows and \"Other\" add up to the total";

    // Beyond the limits, or no number: refused naming the field, and the session goes on.
    for (const json& asked : {json{{"categories", 1000}}, json{{"series", 0}}, json{{"categories", "many"}}}) {
        json message = {{"t", "chart"}, {"w", "frmWebLong"}, {"g", "lstLong"}};
        message.update(asked);
        tab.Send(message);
        json refused = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
        EXPECT_EQ(refused["source"], "chart");
        EXPECT_NE(refused["message"].get<std::string>().find(asked.begin().key()), std::string::npos)
            << refused["message"];
    }
    tab.Send({{"t", "chart"}, {"w", "frmWebLong"}, {"g", "lstNone"}});
    EXPECT_EQ(tab.WaitFor([](const json& m) { return m["t"] == "error"; })["source"], "chart");
    tab.Send({{"t", "ping"}});
    tab.WaitFor([](const json& m) { return m["t"] == "pong"; });
}

// The cube window's grid as a pivot table: header metadata, the cube's axes, facts and member
// filters, and moves, toggles and filters sent as the controls' values and clicks. The
// expected figures are worked out by hand from the six lines of TWebCube.
TEST(WebSession, CubeWindowSendsPivotMetadataAndMovesDimensions)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "TWebCube"}});
    json state = tab.WaitForState(HasWindow("CCube"));
    auto cubeOf = [](const json& s) -> const json& { return (*Tab::Window(s, "CCube"))["cube"]; };
    auto gridOf = [](const json& s) -> const json& { return Tab::ControlOf(*Tab::Window(s, "CCube"), "CubeGrid"); };
    auto names = [](const json& dims) {
        std::vector<std::string> out;
        for (const auto& d : dims)
            out.push_back(d["name"]);
        return out;
    };
    // The row whose first header cell reads the given text.
    auto rowOf = [](const json& grid, const std::string& text) -> const json* {
        for (const auto& row : grid["rows"])
            if (row["c"][0] == text) return &row;
        return nullptr;
    };
    auto columnOf = [](const json& grid, const std::vector<std::string>& path, const std::string& fact) -> long {
        long index = 0;
        for (const auto& column : grid["columns"]) {
            if (column.value("factName", "") == fact && column["headerPath"].get<std::vector<std::string>>() == path)
                return index;
            ++index;
        }
        return -1;
    };
    auto send = [&](const std::string& control, const std::string& value) {
        tab.Send({{"t", "set"}, {"w", "CCube"}, {"c", control}, {"v", value}});
    };
    auto click = [&](const std::string& control) { tab.Send({{"t", "click"}, {"w", "CCube"}, {"c", control}}); };

    {
        const json& cube = cubeOf(state);
        EXPECT_EQ(names(cube["rows"]), (std::vector<std::string>{"Region", "Kind"}));
        EXPECT_EQ(names(cube["columns"]), (std::vector<std::string>{"Year"}));
        EXPECT_EQ(names(cube["filter"]), (std::vector<std::string>{"DocumentDate"}));
        EXPECT_EQ(cube["rows"][0]["caption"], "Region of sale");
        ASSERT_EQ(cube["facts"].size(), 2u);
        EXPECT_EQ(cube["facts"][1]["caption"], "Quantity");
        EXPECT_TRUE(cube["facts"][1]["visible"].get<bool>());
        EXPECT_TRUE(cube["selections"].empty());
        EXPECT_EQ(Tab::ControlOf(*Tab::Window(state, "CCube"), "lbCubeCaption")["caption"],
                  "Sales of the test company");
        EXPECT_EQ(Tab::ControlOf(*Tab::Window(state, "CCube"), "UserMenu1")["caption"], "Show sum");

        const json& grid = gridOf(state);
        // The regions' header column (the kinds are closed under them), then (2025, 2026,
        // total) x (sum, quantity).
        ASSERT_EQ(grid["columns"].size(), 7u);
        EXPECT_EQ(grid["columns"][0]["role"], "RowHeader");
        EXPECT_EQ(grid["columns"][0]["name"], "Region");
        EXPECT_EQ(grid["columns"][1]["role"], "Fact");
        EXPECT_EQ(grid["columns"][1]["headerKind"], "Member");
        EXPECT_EQ(grid["columns"][1]["expand"], "None");
        EXPECT_EQ(grid["columns"][6]["headerKind"], "GrandTotal");
        EXPECT_EQ(grid["columns"][6]["factName"], "Qty");
        EXPECT_EQ(grid["columns"][6]["align"], "right");
        const long sum2026 = columnOf(grid, {"2026"}, "Summa");
        const long sumTotal = columnOf(grid, {"Total"}, "Summa");
        ASSERT_GE(sum2026, 0);
        ASSERT_GE(sumTotal, 0);
        // Regions down the rows, closed, and the grand total.
        EXPECT_EQ(grid["rowCount"], 4);
        const json* north = rowOf(grid, "North");
        ASSERT_NE(north, nullptr);
        EXPECT_EQ((*north)["h"]["kind"], "Member");
        EXPECT_EQ((*north)["h"]["level"], 1);
        EXPECT_EQ((*north)["h"]["expand"], "Collapsed");
        EXPECT_EQ((*north)["c"][sum2026], "959.75");
        EXPECT_EQ((*north)["c"][sumTotal], "1,060.25");
        const json* total = rowOf(grid, "Total");
        ASSERT_NE(total, nullptr);
        EXPECT_EQ((*total)["h"]["kind"], "GrandTotal");
        EXPECT_EQ((*total)["h"]["level"], 0);
        EXPECT_EQ((*total)["c"][sumTotal], "1,610.25");
        EXPECT_EQ((*total)["s"], "total");
    }

    // A double-click on the North header opens it: its kinds show under it.
    {
        const long row = (*rowOf(gridOf(state), "North"))["i"].get<long>();
        tab.Send({{"t", "dbl"}, {"w", "CCube"}, {"g", "CubeGrid"}, {"row", row}, {"col", "Region"}});
        state = tab.WaitForState([&](const json& s) { return Tab::Window(s, "CCube") && gridOf(s)["rowCount"] == 6; });
        const json& grid = gridOf(state);
        int kinds = 0;
        for (const auto& r : grid["rows"]) {
            if (r["c"][0] != "North") continue;
            if (r["h"]["level"] == 2) ++kinds;
            if (r["h"]["level"] == 1) {
                EXPECT_EQ(r["h"]["expand"], "Expanded");
            }
        }
        EXPECT_EQ(kinds, 2) << "GPG and PRSF under North";
    }

    // The report keeps the region off the filter area; then the kind goes across, before
    // the years, and the region is still down the rows.
    send("cbDimension", "Region");
    send("cbAxis", "Filter");
    send("edPosition", "0");
    click("btMoveDimension");
    send("cbDimension", "Kind");
    send("cbAxis", "Columns");
    send("edPosition", "0");
    click("btMoveDimension");
    state =
        tab.WaitForState([&](const json& s) { return Tab::Window(s, "CCube") && cubeOf(s)["columns"].size() == 2u; });
    EXPECT_EQ(names(cubeOf(state)["columns"]), (std::vector<std::string>{"Kind", "Year"}));
    EXPECT_EQ(names(cubeOf(state)["rows"]), (std::vector<std::string>{"Region"}));
    {
        const json& grid = gridOf(state);
        // Kinds closed across: GPG, PRSF and the total, two facts each, after one header column.
        ASSERT_EQ(grid["columns"].size(), 7u);
        const long gpg = columnOf(grid, {"GPG"}, "Summa");
        ASSERT_GE(gpg, 0);
        EXPECT_EQ(grid["columns"][gpg]["expand"], "Collapsed");
        EXPECT_EQ((*rowOf(grid, "North"))["c"][gpg], "-40.25");
        EXPECT_EQ((*rowOf(grid, "North"))["h"]["expand"], "None") << "the only row dimension opens nothing";
        // The GPG column header opens to its years.
        send("edHeaderColumn", grid["columns"][gpg]["name"]);
        send("edHeaderLevel", "0");
        click("btExpandMember");
    }
    state = tab.WaitForState([&](const json& s) {
        return Tab::Window(s, "CCube") && columnOf(gridOf(s), {"GPG", "2026"}, "Summa") >= 0;
    });
    {
        const json& grid = gridOf(state);
        const long gpgTotal = columnOf(grid, {"GPG", "Total"}, "Summa");
        ASSERT_GE(gpgTotal, 0);
        EXPECT_EQ(grid["columns"][gpgTotal]["headerKind"], "Subtotal");
        EXPECT_EQ(grid["columns"][gpgTotal]["expand"], "Expanded");
    }

    // Only the north counts; the filter is in the state, and the grand total follows it.
    send("cbFilterDimension", "Region");
    send("cbFilterMember", "North");
    click("btFilterOnly");
    state =
        tab.WaitForState([&](const json& s) { return Tab::Window(s, "CCube") && !cubeOf(s)["selections"].empty(); });
    ASSERT_EQ(cubeOf(state)["selections"]["Region"].size(), 1u);
    EXPECT_EQ(cubeOf(state)["selections"]["Region"][0]["key"], "North");
    {
        const json& grid = gridOf(state);
        EXPECT_EQ((*rowOf(grid, "Total"))["c"][columnOf(grid, {"Total"}, "Summa")], "1,060.25");
    }

    // A hidden fact leaves the state and its columns.
    send("cbFact", "Qty");
    click("btHideFact");
    state = tab.WaitForState(
        [&](const json& s) { return Tab::Window(s, "CCube") && !cubeOf(s)["facts"][1]["visible"].get<bool>(); });
    for (const auto& column : gridOf(state)["columns"])
        EXPECT_NE(column.value("factName", ""), "Qty");

    // Other windows get no cube and no header metadata.
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    state = tab.WaitForState(HasWindow("frmWebLong"));
    EXPECT_FALSE(Tab::Window(state, "frmWebLong")->contains("cube"));
    const json& list = Tab::ControlOf(*Tab::Window(state, "frmWebLong"), "lstLong");
    EXPECT_FALSE(list["columns"][0].contains("role"));
    EXPECT_FALSE(list["rows"][0].contains("h"));
}

TEST(WebSession, FailingReportShowsErrorAndTheSessionGoesOn)
{
    Tab tab;
    tab.Send({{"t", "run"}, {"cls", "TWebFail"}});
    json error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(error["message"].get<std::string>().find("nosuchcolumn"), std::string::npos) << error.dump();

    // An unavailable class of the catalogue says so, and a message box is answered by its caption.
    tab.Send({{"t", "run"}, {"cls", "ISrcDocList"}});
    error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(error["message"].get<std::string>().find("not available"), std::string::npos);
    tab.Send({{"t", "run"}, {"cls", "TWebMessage"}});
    json state = tab.WaitForState(HasWindow("MessageBox"));
    const json& box = *Tab::Window(state, "MessageBox");
    EXPECT_EQ(box["message"], true);
    EXPECT_EQ(Tab::ControlOf(box, "btOk")["caption"], "Gerai");
    tab.Send({{"t", "answer"}, {"a", "Gerai"}});
    tab.WaitForState([](const json& s) { return s["windows"].empty(); });

    // Nonsense from the tab is answered, not obeyed.
    tab.session->Receive("{not json");
    error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_EQ(error["source"], "protocol");
    tab.Send({{"t", "explode"}});
    error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(error["message"].get<std::string>().find("unknown type"), std::string::npos);
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    tab.WaitForState(HasWindow("frmWebLong"));
}

// A ping nested `depth` levels deep: the object itself and arrays under "pad".
std::string PingNested(std::size_t depth)
{
    return "{\"t\":\"ping\",\"pad\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

TEST(WebSession, MessagesTooDeepOrTooLargeAreRefusedAndTheSessionGoesOn)
{
    Tab tab;
    auto protocolError = [&] {
        return tab.WaitFor([](const json& m) { return m["t"] == "error" && m["source"] == "protocol"; });
    };
    auto pong = [&] { return tab.WaitFor([](const json& m) { return m["t"] == "pong"; }); };

    // A hundred thousand arrays inside each other would take any recursive reader down.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    tab.session->Receive(deep);
    EXPECT_NE(protocolError()["message"].get<std::string>().find("nested deeper than 64"), std::string::npos);
    tab.session->Receive("{\"t\":\"set\",\"w\":\"x\",\"c\":\"y\",\"v\":" + deep + "}");
    EXPECT_NE(protocolError()["message"].get<std::string>().find("nested deeper"), std::string::npos);

    // The limit itself passes; one level more does not. Brackets inside a text do not count.
    tab.session->Receive(PingNested(64));
    pong();
    tab.session->Receive(PingNested(65));
    protocolError();
    tab.Send({{"t", "ping"}, {"pad", std::string(100000, '[')}});
    pong();

    tab.Send({{"t", "ping"}, {"pad", std::string(2 << 20, 'x')}});
    EXPECT_NE(protocolError()["message"].get<std::string>().find("larger than"), std::string::npos);

    // Row numbers are whole numbers: a fraction or a number past any row is refused, never
    // converted.
    tab.Send({{"t", "select"}, {"w", "frmNone"}, {"g", "grdList"}, {"rows", json::array({0, -1e84})}});
    json refusal = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(refusal["message"].get<std::string>().find("'rows' must be a whole number"), std::string::npos)
        << refusal.dump();
    tab.Send({{"t", "dbl"}, {"w", "frmNone"}, {"g", "grdList"}, {"row", 1.5}});
    refusal = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(refusal["message"].get<std::string>().find("'row' must be a whole number"), std::string::npos)
        << refusal.dump();

    // A kind of message that is no text is refused where the message is read.
    tab.session->Receive(R"({"t":[5,1,5]})");
    protocolError();

    // Bytes that are no UTF-8 are refused, and the refusal, which quotes them, still goes out.
    tab.session->Receive("{\"t\":\"rows\",\"w\":\"frm\x92\x82\"}");
    protocolError();
    tab.Send({{"t", "ping"}});
    pong();

    // A value that is no text is refused, never written back out.
    tab.Send({{"t", "set"}, {"w", "frmNone"}, {"c", "edDateBeg"}, {"v", json::array({json::array({1})})}});
    json error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(error["message"].get<std::string>().find("'v' must be a text"), std::string::npos) << error.dump();

    tab.Send({{"t", "run"}, {"cls", "TWebFill"}});
    tab.WaitForState(HasWindow("frmWebParams"));
}

TEST(WebSession, TypeAheadFindsReferenceRowsAndTypedQuotesStayText)
{
    Tab tab;
    Data::Connection db = OpenDemoDatabase();
    auto first = db.Query("SELECT Code, Name FROM REFDepartment ORDER BY Code");
    ASSERT_FALSE(first.rows.empty());
    const std::string code = first.rows[0][0].ToText();
    tab.Send({{"t", "run"}, {"cls", "TWebFill"}});
    tab.WaitForState(HasWindow("frmWebParams"));
    tab.Send({{"t", "lookup"}, {"w", "frmWebParams"}, {"c", "cbDepartment"}, {"q", code}});
    json found = tab.WaitFor([](const json& m) { return m["t"] == "lookup"; });
    ASSERT_FALSE(found["items"].empty());
    EXPECT_EQ(found["items"][0]["code"], code);

    for (const std::string typed : {"x' OR 1=1 --", "a'; DELETE FROM REFClient; --", "/* */'", "100%_"}) {
        tab.Send({{"t", "lookup"}, {"w", "frmWebParams"}, {"c", "selClient"}, {"q", typed}});
        found = tab.WaitFor([](const json& m) { return m["t"] == "lookup" || m["t"] == "error"; });
        EXPECT_EQ(found["t"], "lookup") << found.dump();
        EXPECT_TRUE(found["items"].empty()) << typed;
    }
    auto clients = db.Query("SELECT COUNT(*) AS n FROM REFClient");
    EXPECT_GT(clients.rows[0][0].ToInteger(), 0);
}

TEST(WebSession, ClosingTheTabEndsItsSessionAndReleasesItsWindows)
{
    const int before = gLiveTestForms.load();
    {
        Tab tab;
        tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
        tab.WaitForState(HasWindow("frmWebLong"));
        tab.Send({{"t", "run"}, {"cls", "TWebFill"}}); // a modeless window does not stop another run
        tab.WaitForState(HasWindow("frmWebParams"));
        EXPECT_EQ(gLiveTestForms.load(), before + 2);
        // A second report while a dialog waits is refused.
        tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
        json error = tab.WaitFor([](const json& m) { return m["t"] == "error"; });
        EXPECT_NE(error["message"].get<std::string>().find("Close the dialog"), std::string::npos);
        const auto started = std::chrono::steady_clock::now();
        tab.session->Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "a waiting dialog must not hold the tab open";
        EXPECT_FALSE(tab.session->Running());
    }
    EXPECT_EQ(gLiveTestForms.load(), before);
}

TEST(WebSession, EachTabHasItsOwnUserAndWindows)
{
    Tab anna("anna");
    Tab ben("ben");
    EXPECT_EQ(anna.WaitFor([](const json& m) { return m["t"] == "welcome"; })["user"], "anna");
    EXPECT_EQ(ben.WaitFor([](const json& m) { return m["t"] == "welcome"; })["user"], "ben");
    anna.Send({{"t", "run"}, {"cls", "TWebLong"}});
    anna.WaitForState(HasWindow("frmWebLong"));
    ben.Send({{"t", "ping"}});
    ben.WaitFor([](const json& m) { return m["t"] == "pong"; });
    ben.Send({{"t", "close"}, {"w", "frmWebLong"}});
    json error = ben.WaitFor([](const json& m) { return m["t"] == "error"; });
    EXPECT_NE(error["message"].get<std::string>().find("No window is open"), std::string::npos);

    Web::SessionOptions nameless;
    nameless.connectString = DemoDatabaseConnectString();
    EXPECT_THROW(Web::WebSession("x", nameless, nullptr), ValueError);
    EXPECT_THROW(Web::CheckUserName("ann a"), ValueError);
    EXPECT_THROW(Web::CheckUserName("a'b"), ValueError);
    EXPECT_NO_THROW(Web::CheckUserName("jonas.petraitis"));
}

TEST(WebSession, EachUserKeepsOwnSettings)
{
    Data::Connection db = OpenDemoDatabase();
    const std::string cleanup = "DELETE FROM AdminUserSetting WHERE ReportKey = 'frmWebParams' AND UserName IN "
                                "('settings.anna', 'settings.ben')";
    db.Execute(cleanup);
    auto numberShown = [](Tab& tab) {
        tab.Send({{"t", "run"}, {"cls", "TWebFill"}});
        json state = tab.WaitForState(HasWindow("frmWebParams"));
        return Tab::ControlOf(*Tab::Window(state, "frmWebParams"), "edNumber")["value"].get<std::string>();
    };
    {
        Tab anna("settings.anna");
        EXPECT_EQ(numberShown(anna), "");
        anna.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edNumber"}, {"v", "PRSF-'7"}});
        anna.Send({{"t", "click"}, {"w", "frmWebParams"}, {"c", "btOk"}});
        anna.WaitForState(HasWindow("frmWebList"));
    }
    {
        Tab ben("settings.ben");
        EXPECT_EQ(numberShown(ben), "") << "another user's choice must not reach ben";
    }
    {
        Tab anna("settings.anna");
        EXPECT_EQ(numberShown(anna), "PRSF-'7");
    }
    db.Execute(cleanup);
}

TEST(WebSession, StartPageAndItsTileOpenTheBookThemselvesAndTheRecentReportsComeFirst)
{
    Data::Connection db = OpenDemoDatabase();
    const std::string cleanup =
        "DELETE FROM AdminUserSetting WHERE ReportKey = 'web.recent' AND UserName = 'startpage.anna'";
    db.Execute(cleanup);
    {
        Tab tab("startpage.anna");
        tab.WaitFor([](const json& m) { return m["t"] == "welcome"; });
        ASSERT_TRUE(LetsTheBookGo(tab));

        auto startPage = [&tab] {
            tab.Send({{"t", "start"}});
            const json first = tab.WaitFor([](const json& m) { return m["t"] == "recent" || m["t"] == "start"; });
            EXPECT_EQ(first["t"], "recent") << "the menu's recent reports come before the slower figures";
            const json start = tab.WaitFor([](const json& m) { return m["t"] == "start"; });
            EXPECT_EQ(start["tiles"].size(), 4u);
            return first["classes"];
        };
        EXPECT_EQ(startPage(), json::array());
        EXPECT_TRUE(LetsTheBookGo(tab)) << "the start page leaves no window that needs the Book";

        tab.Send({{"t", "tile"}, {"tile", "receivables"}});
        tab.WaitForState(HasWindow("frmDebtOfClients"));
        tab.Send({{"t", "close"}, {"w", "frmDebtOfClients"}});
        tab.WaitForState([](const json& state) { return !Tab::Window(state, "frmDebtOfClients"); });
        ASSERT_TRUE(LetsTheBookGo(tab));

        EXPECT_EQ(startPage(), json::array({"CDebtOfClients"}));
    }
    db.Execute(cleanup);
}

} // namespace
} // namespace Talvex::Testing
