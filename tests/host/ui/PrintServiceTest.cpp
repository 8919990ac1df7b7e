// Printing by report code: header fields from the parameters, the body from a list, a
// sub-report from the next list, every text escaped; refusals before anything is recorded.

#include "host/ui/PrintService.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/TableRowSource.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

namespace {

void AddSalesLayouts(ReportLayouts& layouts)
{
    layouts.Register(ReportLayout{"Sales",
                                  "Sales by manager",
                                  {{"BegDate", "From", "yyyy-mm-dd"}, {"MyPlant", "Plant", ""}},
                                  {{"Manager", "Manager", "", false}, {"Summa", "Sum", "#,##0.00", true}},
                                  "Sales.Sub"});
    layouts.Register(ReportLayout{"Sales.Sub", "Documents", {}, {{"Doc", "Document", "", false}}, ""});
}

std::shared_ptr<TableRowSource> Managers()
{
    auto list = std::make_shared<TableRowSource>(std::vector<std::string>{"Summa", "Manager"});
    list->AddRow({Value(Currency::Parse("1200.5")), Value("Ona <A&B>")});
    list->AddRow({Value(Currency::Parse("0.25")), Value("Jonas")});
    return list;
}

} // namespace

TEST(PrintService, ReportShowsHeaderBodyTotalsAndSubReport)
{
    ScriptedUser user;
    ReportLayouts layouts;
    AddSalesLayouts(layouts);
    auto docs = std::make_shared<TableRowSource>(std::vector<std::string>{"Doc"});
    docs->AddRow({Value("PRSF-1")});
    PrintService printer(user.Session(), layouts);
    const std::string html = printer.Print(
        "Sales", {{"MyPlant", Value("P1")}, {"BegDate", Value(Date::Parse("2025-01-31"))}}, {Managers(), docs});

    const auto at = [&html](const std::string& part) { return html.find(part); };
    EXPECT_NE(at("<h1>Sales by manager</h1>"), std::string::npos);
    EXPECT_NE(at("<dt>From</dt><dd>2025-01-31</dd><dt>Plant</dt><dd>P1</dd>"), std::string::npos);
    // Body columns in the layout's order, whatever the list's order; the name escaped.
    EXPECT_NE(at("<tr><td>Ona &lt;A&amp;B&gt;</td><td class=\"num\">1,200.50</td></tr>"), std::string::npos);
    EXPECT_NE(at("<tfoot><tr><td></td><td class=\"num\">1,200.75</td></tr></tfoot>"), std::string::npos);
    EXPECT_LT(at("</tfoot>"), at("<h2>Documents</h2>"));
    EXPECT_NE(at("<td>PRSF-1</td>"), std::string::npos);

    ASSERT_EQ(user.Session().Prints().size(), 1u);
    EXPECT_EQ(user.Session().Prints()[0].reportCode, "Sales");
    EXPECT_EQ(user.Session().Prints()[0].html, html);
}

TEST(PrintService, RefusesWhatTheLayoutCannotPrintAndRecordsNothing)
{
    ScriptedUser user;
    ReportLayouts layouts;
    AddSalesLayouts(layouts);
    PrintService printer(user.Session(), layouts);
    const ReportParameters params{{"MyPlant", Value("P1")}, {"BegDate", Value(Date::Parse("2025-01-31"))}};
    auto docs = std::make_shared<TableRowSource>(std::vector<std::string>{"Doc"});

    EXPECT_THROW(printer.Print("Salse", params, {Managers(), docs}), UiError);
    try {
        printer.Print("Sales", {{"BegDate", Value(Date::Parse("2025-01-31"))}}, {Managers(), docs});
        ADD_FAILURE() << "printed without MyPlant";
    } catch (const ValueError& error) {
        EXPECT_EQ(std::string(error.what()), "Sales: no parameter 'MyPlant' given");
    }
    try {
        printer.Print("Sales", params, {Managers()});
        ADD_FAILURE() << "printed without the sub-report's list";
    } catch (const ValueError& error) {
        EXPECT_EQ(std::string(error.what()), "Sales.Sub: no data list 2 given");
    }
    try {
        printer.Print("Sales", params, {docs, docs});
        ADD_FAILURE() << "printed a list without the body's columns";
    } catch (const ValueError& error) {
        EXPECT_EQ(std::string(error.what()), "Sales: the list has no column 'Manager'");
    }
    EXPECT_TRUE(user.Session().Prints().empty());

    ReportLayouts loop;
    loop.Register(ReportLayout{"A", "", {}, {{"Doc", "", "", false}}, "A"});
    EXPECT_THROW(PrintService::Render(loop, "A", {}, {docs, docs, docs, docs, docs, docs}), ValueError);
    EXPECT_THROW(loop.Register(ReportLayout{"B", "", {}, {}, ""}), ValueError);
}
