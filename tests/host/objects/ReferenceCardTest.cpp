// Cards of reference rows: the client's card reads its fields, persons and open debt
// through the Book (checked against SQL written apart), opens from a grid cell and from an
// answers file, and prints by its report code.

#include "host/objects/ReferenceCard.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Talvex::Testing::ScriptedUser;

namespace {

// The open debt of a client by role and currency, as the debt view and the party table say.
constexpr const char* kDebtByRole = R"sql(
SELECT p.rolepartycode, t.currencycode, count(DISTINCT t.idc), sum(t.debtsumma),
       COALESCE(sum(t.debtsumma) FILTER (WHERE t.needpaydate < $2::date), 0)
FROM thdocpaytermcurdbt t JOIN thpartyattribute p ON p.docid = t.idc
WHERE p.partycode = $1 AND t.isposted = 1
GROUP BY 1, 2 ORDER BY 1, 2)sql";

// A client of the demo company with open debt and a manager.
std::string ClientWithDebt(Book& book)
{
    return book.Db()
        .QueryPostgres("SELECT p.partycode FROM thdocpaytermcurdbt t JOIN thpartyattribute p ON p.docid = t.idc "
                       "WHERE t.isposted = 1 AND EXISTS (SELECT 1 FROM refclientperson cp WHERE cp.clientcode = "
                       "p.partycode AND cp.personrolecode = 'MATS') GROUP BY 1 ORDER BY count(*) DESC, 1 LIMIT 1")
        .rows.at(0)
        .at(0)
        .ToText();
}

// A form with a list of clients whose code column opens the client's card.
class ClientsForm : public Ui::Form {
public:
    explicit ClientsForm(const std::vector<std::string>& codes) : Form("frmClients")
    {
        Ui::Grid& grid = AddGrid("grdClients");
        grid.AddColumn("Client", "Klientas");
        grid.AddColumn("Note");
        grid.Column("Client").cardReference = "REFClient";
        for (const auto& code : codes)
            grid.AddRow({Value(code), Value("")});
    }
};

} // namespace

TEST(ClientCard, DebtIsSummedByDirectionAndCurrencyWithOverdueApart)
{
    const Date today = Date::Parse("2025-06-30");
    const std::vector<ClientDebtTerm> terms = {
        {1, "PIR", "EUR", Currency::Parse("100"), Date::Parse("2025-06-29")},
        {1, "PIR", "EUR", Currency::Parse("50.5"), Date::Parse("2025-06-30")}, // due today: not overdue
        {2, "PIR", "EUR", Currency::Parse("-20"), Date::Parse("2025-01-01")},  // a credit note
        {3, "PIR", "USD", Currency::Parse("7"), Date::Parse("2025-07-01")},
        {4, "PAR", "EUR", Currency::Parse("300"), Date::Parse("2024-12-31")},
        {5, "MOK", "EUR", Currency::Parse("-40"), Date::Parse("2025-05-01")},
    };
    const std::vector<ClientDebtLine> expected = {
        {"Payable", "EUR", 1, Currency::Parse("300"), Currency::Parse("300")},
        {"Receivable", "EUR", 2, Currency::Parse("130.5"), Currency::Parse("80")},
        {"Receivable", "USD", 1, Currency::Parse("7"), Currency()},
        {"Unallocated payments", "EUR", 1, Currency::Parse("-40"), Currency::Parse("-40")},
    };
    EXPECT_EQ(SummariseClientDebt(terms, today), expected);
    EXPECT_TRUE(SummariseClientDebt({}, today).empty());
}

TEST(ClientCard, ReadsTheClientItsPersonsAndItsOpenDebtThroughTheBook)
{
    auto book = Testing::OpenDemoBook("tester");
    const std::string code = ClientWithDebt(*book);
    const ClientCardData card = ReadClientCard(*book, code);

    const auto client =
        book->Db().QueryPostgres("SELECT name, address FROM refclient WHERE code = $1", {Value(code)}).rows.at(0);
    EXPECT_EQ(card.fields[0].second.ToText(), code);
    EXPECT_EQ(card.fields[1].second.ToText(), client[0].ToText());
    EXPECT_EQ(card.fields[3].second.ToText(), client[1].ToText());

    const auto persons =
        book->Db().QueryPostgres("SELECT count(*) FROM refclientperson WHERE clientcode = $1", {Value(code)});
    ASSERT_EQ(static_cast<std::int64_t>(card.persons.size()), persons.rows.at(0).at(0).ToInteger());
    EXPECT_EQ(card.persons.front().roleCode, "MATS"); // managers first
    EXPECT_FALSE(card.persons.front().personName.empty());

    std::map<std::pair<std::string, std::string>, std::vector<Value>> expected;
    for (const auto& row : book->Db().QueryPostgres(kDebtByRole, {Value(code), Value(book->Today().ToIso())}).rows)
        expected[{row[0].ToText(), row[1].ToText()}] = {row[2], row[3], row[4]};
    ASSERT_EQ(card.debt.size(), expected.size());
    ASSERT_FALSE(card.debt.empty());
    for (const auto& line : card.debt) {
        const std::map<std::string, std::string> roles = {
            {"Receivable", "PIR"}, {"Payable", "PAR"}, {"Unallocated payments", "MOK"}};
        const std::string role = roles.count(line.direction) ? roles.at(line.direction) : line.direction;
        const auto& sums = expected.at({role, line.currencyCode});
        EXPECT_EQ(line.documents, sums[0].ToInteger()) << line.direction << " " << line.currencyCode;
        EXPECT_EQ(line.debt, sums[1].ToCurrency()) << line.direction << " " << line.currencyCode;
        EXPECT_EQ(line.overdue, sums[2].ToCurrency()) << line.direction << " " << line.currencyCode;
    }

    EXPECT_THROW(ReadClientCard(*book, "no such client'; --"), ValueError);
}

TEST(ClientCard, OpensFromAGridCellAndFromAnAnswersFileAndPrints)
{
    auto book = Testing::OpenDemoBook("tester");
    const std::string code = ClientWithDebt(*book);
    const std::string name =
        book->Db().QueryPostgres("SELECT name FROM refclient WHERE code = $1", {Value(code)}).rows.at(0).at(0).ToText();
    const std::string department =
        book->Db().QueryPostgres("SELECT code FROM refdepartment ORDER BY code LIMIT 1").rows.at(0).at(0).ToText();

    ScriptedUser user("frmClients.grdClients card 2 Client\n"
                      "frmClientCard.edName expect = \"" +
                      name +
                      "\"\n"
                      "frmClientCard.edCode expect = " +
                      code +
                      "\n"
                      "frmClientCard.btPrint click\n"
                      "frmClientCard.grdPersons card 1 PersonCode\n"
                      "frmRefCard close\n");
    Ui::Session& session = user.Session();
    ClientApp app(session);
    ClientApp::Scope appScope(app);
    app.Context().SetBook(book);
    ClientsForm form({"K-none", code});
    form.Show();
    EXPECT_EQ(user.PlayRemaining(), 6);
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_NE(session.FindWindow(ClientCard::kFormName), nullptr);
    EXPECT_EQ(session.FindWindow(ReferenceCard::kFormName), nullptr); // the person's card was opened and closed

    // Printed by its code, with the sub-report of persons.
    ASSERT_EQ(session.Prints().size(), 1u);
    const std::string& html = session.Prints()[0].html;
    EXPECT_EQ(session.Prints()[0].reportCode, ClientCard::kReportCode);
    EXPECT_NE(html.find("<dd>" + Ui::EscapeHtml(name) + "</dd>"), std::string::npos);
    EXPECT_NE(html.find("<h2>Managers and persons</h2>"), std::string::npos);

    // A client that does not exist, a reference without a card: errors, no window.
    session.PumpPending();
    const std::size_t windows = session.Windows().size();
    EXPECT_THROW(session.Dispatch(Ui::OpenCardAction{"frmClients", "grdClients", 0, "Client"}), ValueError);
    EXPECT_THROW(session.OpenCard("REFCurrency", Value("EUR")), ValueError);
    EXPECT_THROW(session.Dispatch(Ui::OpenCardAction{"frmClients", "grdClients", 1, "Note"}), Ui::UiError);
    EXPECT_EQ(session.Windows().size(), windows);

    // A department's card, read-only.
    session.OpenCard("REFDepartment", Value(department));
    Ui::Form* card = session.FindWindow(ReferenceCard::kFormName);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->Ctl("edCode").GetValue(), Value(department));
    EXPECT_THROW(session.Dispatch(Ui::SetValueAction{ReferenceCard::kFormName, "edName", Value("x")}), Ui::UiError);
}

TEST(ClientCard, AnExpectationTheCardDoesNotMeetIsAnErrorNamingTheStep)
{
    auto book = Testing::OpenDemoBook("tester");
    const std::string code = ClientWithDebt(*book);
    ScriptedUser user("frmClients.grdClients card 1 Client\nfrmClientCard.edName expect = Somebody Else\n");
    ClientApp app(user.Session());
    ClientApp::Scope appScope(app);
    app.Context().SetBook(book);
    ClientsForm form({code});
    form.Show();
    EXPECT_EQ(user.PlayRemaining(), 2);
    const std::string errors = user.ErrorsText();
    EXPECT_NE(errors.find("answers line 2: frmClientCard.edName shows '"), std::string::npos) << errors;
    EXPECT_NE(errors.find("expected 'Somebody Else'"), std::string::npos) << errors;
}
