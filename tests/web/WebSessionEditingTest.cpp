// A tab editing a grid, answering a parameter dialog, opening a card and printing by report
// code, through the session's messages alone.

#include "WebTestClasses.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"
#include "web/WebSession.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace Talvex::Testing {
namespace {

using json = nlohmann::json;
using namespace std::chrono_literals;

class PlanTab {
public:
    PlanTab()
    {
        Web::SessionOptions options;
        options.connectString = DemoDatabaseConnectString();
        options.userName = "paula";
        options.extraClasses = WebTestClasses();
        options.patience = 100ms;
        session = std::make_unique<Web::WebSession>("tab-plan", options, [this](std::string text) {
            std::lock_guard lock(mutex_);
            received_.push_back(json::parse(text));
            changed_.notify_all();
        });
        session->Start();
    }
    ~PlanTab() { session.reset(); }

    void Send(const json& message) { session->Receive(message.dump()); }

    json WaitFor(const std::function<bool(const json&)>& fits)
    {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        for (;;) {
            while (!received_.empty()) {
                json message = std::move(received_.front());
                received_.pop_front();
                if (message["t"] == "error") errors.push_back(message["message"]);
                if (fits(message)) return message;
            }
            if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
                ADD_FAILURE() << "no awaited message came";
                return json();
            }
        }
    }

    // The grid grdPlan of the first snapshot where it holds.
    json WaitForPlan(const std::function<bool(const json&)>& holds)
    {
        json found;
        WaitFor([&](const json& m) {
            if (m["t"] != "state") return false;
            for (const auto& w : m["windows"])
                if (w["name"] == "frmWebPlan")
                    for (const auto& c : w["controls"])
                        if (c["name"] == "grdPlan" && holds(c)) {
                            found = c;
                            return true;
                        }
            return false;
        });
        return found;
    }

    std::unique_ptr<Web::WebSession> session;
    std::vector<std::string> errors;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<json> received_;
};

const json& Column(const json& grid, const std::string& name)
{
    for (const auto& c : grid["columns"])
        if (c["name"] == name) return c;
    throw ValueError("no column " + name);
}

const json* ControlIn(const json& state, const std::string& window, const std::string& control)
{
    for (const auto& w : state["windows"])
        if (w["name"] == window)
            for (const auto& c : w["controls"])
                if (c["name"] == control) return &c;
    return nullptr;
}

TEST(WebSessionEditing, ParameterDialogRefusesAtItsControlThenTheGridEditsAddsDeletesAndPrints)
{
    PlanTab tab;
    tab.WaitFor([](const json& m) { return m["t"] == "welcome"; });
    tab.Send({{"t", "run"}, {"cls", "TWebPlan"}});
    tab.WaitFor([](const json& m) { return m["t"] == "state" && ControlIn(m, "frmWebPlanParams", "edLimit"); });
    tab.Send({{"t", "set"}, {"w", "frmWebPlanParams"}, {"c", "edLimit"}, {"v", "-5"}});
    tab.Send({{"t", "click"}, {"w", "frmWebPlanParams"}, {"c", "btOK"}});
    const json refused = tab.WaitFor([](const json& m) {
        const json* limit = m["t"] == "state" ? ControlIn(m, "frmWebPlanParams", "edLimit") : nullptr;
        return limit != nullptr && limit->contains("refusal");
    });
    EXPECT_EQ((*ControlIn(refused, "frmWebPlanParams", "edLimit"))["refusal"], "The limit must be more than 0");
    tab.Send({{"t", "set"}, {"w", "frmWebPlanParams"}, {"c", "edLimit"}, {"v", "250"}});
    tab.Send({{"t", "click"}, {"w", "frmWebPlanParams"}, {"c", "btOK"}});

    json grid = tab.WaitForPlan([](const json& g) { return g["rowCount"] == 3; });
    EXPECT_EQ(Column(grid, "Summa")["edit"]["type"], "Number");
    EXPECT_EQ(Column(grid, "PayDate")["edit"]["required"], true);
    EXPECT_FALSE(Column(grid, "Client").contains("edit"));
    EXPECT_EQ(Column(grid, "Client")["card"], "REFClient");
    EXPECT_EQ(grid["addable"], true);
    EXPECT_EQ(grid["deletable"], true);

    // Over the limit the dialog set: kept at the cell, no error dialog, the sum unchanged.
    tab.Send({{"t", "edit"}, {"w", "frmWebPlan"}, {"g", "grdPlan"}, {"row", 2}, {"col", "Summa"}, {"v", "260"}});
    grid = tab.WaitForPlan([](const json& g) { return g["rows"][2].contains("e"); });
    EXPECT_EQ(grid["rows"][2]["e"]["1"]["text"], "260");
    EXPECT_EQ(grid["rows"][2]["e"]["1"]["message"], "Sum (Summa): over the limit of 250");
    EXPECT_EQ(grid["rows"][2]["c"][1], "300.00");

    tab.Send({{"t", "edit"}, {"w", "frmWebPlan"}, {"g", "grdPlan"}, {"row", 2}, {"col", "Summa"}, {"v", "25"}});
    grid = tab.WaitForPlan([](const json& g) { return g["rows"][2]["c"][1] == "25.00"; });
    EXPECT_FALSE(grid["rows"][2].contains("e"));
    EXPECT_EQ(Column(grid, "Summa")["footer"], "325.00");

    tab.Send({{"t", "addrow"}, {"w", "frmWebPlan"}, {"g", "grdPlan"}});
    grid = tab.WaitForPlan([](const json& g) { return g["rowCount"] == 4; });
    EXPECT_EQ(grid["currentRow"], 3);
    tab.Send({{"t", "delrow"}, {"w", "frmWebPlan"}, {"g", "grdPlan"}, {"row", 0}});
    grid = tab.WaitForPlan([](const json& g) { return g["rowCount"] == 3; });
    EXPECT_EQ(Column(grid, "Summa")["footer"], "225.00");

    tab.Send({{"t", "click"}, {"w", "frmWebPlan"}, {"c", "btPrint"}});
    const json printed = tab.WaitFor([](const json& m) { return m["t"] == "printed"; });
    EXPECT_EQ(printed["code"], "WebPlan");
    const std::string page =
        tab.session->CallOnHost([&] { return tab.session->PrintedReport(printed["report"].get<std::int64_t>()); })
            .get();
    EXPECT_NE(page.find("<dt>Rows</dt><dd>3</dd>"), std::string::npos) << page;
    EXPECT_NE(page.find("<tfoot><tr><td></td><td class=\"num\">225.00</td><td></td></tr></tfoot>"), std::string::npos)
        << page;
    EXPECT_THROW(tab.session->CallOnHost([&] { return tab.session->PrintedReport(7); }).get(), ValueError);

    // The card of the first row's client.
    const std::string client = grid["rows"][0]["c"][3];
    tab.Send({{"t", "card"}, {"w", "frmWebPlan"}, {"g", "grdPlan"}, {"row", grid["rows"][0]["i"]}, {"col", "Client"}});
    const json card =
        tab.WaitFor([](const json& m) { return m["t"] == "state" && ControlIn(m, "frmClientCard", "edCode"); });
    EXPECT_EQ((*ControlIn(card, "frmClientCard", "edCode"))["value"], client);
    EXPECT_TRUE(tab.errors.empty()) << tab.errors.front();
}

TEST(WebSessionEditing, CashPlanOpensFromItsDocumentInItsDialogAndOtherTypesAreRefused)
{
    auto db = OpenDemoDatabase();
    const std::int64_t idc =
        db.QueryPostgres("SELECT min(IDC) FROM THDocument WHERE DocTypeCode = 'CPAY'").rows.at(0).at(0).ToInteger();
    const std::int64_t lines = db.QueryPostgres("SELECT count(*) FROM THGoodSpecCPAY WHERE DocID = $1", {Value(idc)})
                                   .rows.at(0)
                                   .at(0)
                                   .ToInteger();
    const std::int64_t invoice =
        db.QueryPostgres("SELECT min(IDC) FROM THDocument WHERE DocTypeCode = 'PRSF'").rows.at(0).at(0).ToInteger();
    PlanTab tab;

    tab.Send({{"t", "editdoc"}, {"docType", "PRSF"}, {"idc", invoice}});
    tab.WaitFor([](const json& m) { return m["t"] == "error"; });
    ASSERT_EQ(tab.errors.size(), 1u);
    EXPECT_NE(tab.errors[0].find("documents of type 'PRSF' open in no dialog"), std::string::npos) << tab.errors[0];

    tab.Send({{"t", "editdoc"}, {"docType", "CPAY"}, {"idc", idc}});
    const json state =
        tab.WaitFor([](const json& m) { return m["t"] == "state" && ControlIn(m, "frmCPAY", "SpecList"); });
    const json& list = *ControlIn(state, "frmCPAY", "SpecList");
    EXPECT_EQ(list["rowCount"], lines);
    EXPECT_EQ(list["addable"], true);
    EXPECT_EQ(list["deletable"], true);
    EXPECT_EQ(Column(list, "Summa")["edit"]["type"], "Number");
    EXPECT_EQ(Column(list, "PaymentTypeCode")["edit"]["required"], true);
    EXPECT_FALSE(Column(list, "PosNumb").contains("edit"));
    EXPECT_EQ(Column(list, "Client")["card"], "REFClient");
    tab.Send({{"t", "click"}, {"w", "frmCPAY"}, {"c", "btCancel"}});
    tab.WaitFor([](const json& m) { return m["t"] == "state" && !ControlIn(m, "frmCPAY", "SpecList"); });
    EXPECT_EQ(tab.errors.size(), 1u);
}

} // namespace
} // namespace Talvex::Testing
