#include "quarn/ledger/CFinStateRun.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/ledger/LedgerRunChecks.hpp"
#include "quarn/ledger/frmFinState.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using Quarn_DuzAde::frmFinState;

namespace {

const Date kDate = Date::Parse("2026-06-30");

Currency Sql(Book& book, const std::string& sql, const std::vector<Value>& params)
{
    const Value v = book.Db().QueryPostgres(sql, params).rows.at(0).at(0);
    return v.IsNull() ? Currency() : v.ToCurrency();
}

} // namespace

TEST(FinState, FiguresAgreeWithThePostingsAndTheOpenTermsOfTheDemoCompany)
{
    auto book = Testing::OpenDemoBook("ledger_finstate_figures");
    frmFinState::Settings settings;
    settings.bankAccounts = {"271"};
    settings.cashAccounts = {"272"};
    settings.debetDocs = {"PRSF", "SCN"};
    settings.kreditDocs = {"PISF"};
    const auto figures = frmFinState::Compute(*book, settings, kDate);

    const char* balance =
        "SELECT sum(CASE WHEN DebetAccCode = $1 THEN SumAcc ELSE -SumAcc END) FROM GLAccountPost "
        "WHERE AccSetCode = '1' AND IsPosted = 1 AND DatePost <= $2 AND $1 IN (DebetAccCode, CreditAccCode)";
    ASSERT_TRUE(figures.bank && figures.cash && figures.debit && figures.credit);
    EXPECT_EQ(*figures.bank, Sql(*book, balance, {Value(std::string("271")), Value(kDate)}));
    EXPECT_EQ(*figures.cash, Sql(*book, balance, {Value(std::string("272")), Value(kDate)}));
    // Opening plus movement is closing on the money accounts: the bank's balance at the end of
    // June is its balance at the end of May plus June's debits less its credits.
    const char* movement = "SELECT sum(CASE WHEN DebetAccCode = $1 THEN SumAcc ELSE -SumAcc END) FROM GLAccountPost "
                           "WHERE AccSetCode = '1' AND IsPosted = 1 AND DatePost BETWEEN $2 AND $3 "
                           "AND $1 IN (DebetAccCode, CreditAccCode)";
    const auto may = frmFinState::Compute(*book, settings, Date::Parse("2026-05-31"));
    EXPECT_EQ(*may.bank +
                  Sql(*book, movement, {Value(std::string("271")), Value(Date::Parse("2026-06-01")), Value(kDate)}),
              *figures.bank);

    const char* debt = "SELECT sum(DebtSumma) FROM THDocPayTermState WHERE IsPosted = 1 AND DocTypeCode = ANY($1) "
                       "AND NeedPayDate < $2";
    const char* open = "SELECT sum(DebtSumma) FROM THDocPayTermState WHERE IsPosted = 1 AND DocTypeCode = ANY($1)";
    const Value sales(std::string("{PRSF,SCN}"));
    EXPECT_EQ(figures.debit->debt, Sql(*book, open, {sales}));
    EXPECT_EQ(figures.debit->passed, Sql(*book, debt, {sales, Value(kDate)}));
    EXPECT_EQ(figures.credit->debt, Sql(*book, open, {Value(std::string("{PISF}"))}));
    EXPECT_EQ(figures.Total(), *figures.bank + *figures.cash + figures.debit->debt - figures.credit->debt);

    // A credit date leaves later terms out of both credit figures.
    settings.kreditDate = Date::Parse("2026-03-31");
    const auto limited = frmFinState::Compute(*book, settings, kDate);
    EXPECT_EQ(limited.credit->debt, Sql(*book, (std::string(open) + " AND NeedPayDate <= $2").c_str(),
                                        {Value(std::string("{PISF}")), Value(*settings.kreditDate)}));
    EXPECT_LT(limited.credit->debt, figures.credit->debt);
    // No lists at all: nothing is asked, the total is 0.
    const auto none = frmFinState::Compute(*book, frmFinState::Settings{}, kDate);
    EXPECT_FALSE(none.bank || none.cash || none.debit || none.credit);
}

TEST(FinState, SettingsAreKeptPerUserRefusedWhenUnknownAndTheScreenPrintsItsFigures)
{
    auto book = Testing::OpenDemoBook("ledger_finstate_user");
    Data::Transaction tx(book->Db());
    Testing::ScriptedUser user;
    user.Set("frmFinState", "edDate", "2026-06-30")
        .Click("frmFinState", "btParamsAccounts")
        .Set("frmFinStateSettings", "cbFirst", "271, 999")
        .Click("frmFinStateSettings", "btOK")
        .Set("frmFinStateSettings", "cbFirst", "271")
        .Set("frmFinStateSettings", "cbSecond", "")
        .Click("frmFinStateSettings", "btOK")
        .Click("frmFinState", "btParamsDocuments")
        .Set("frmFinStateSettings", "cbSecond", "PISF; X'; --")
        .Click("frmFinStateSettings", "btOK")
        .Set("frmFinStateSettings", "cbSecond", "PISF")
        .Set("frmFinStateSettings", "edDate", "2026-03-31")
        .Click("frmFinStateSettings", "btOK")
        .Click("frmFinState", "btUsePrint");
    LedgerRunChecks::ClientRun session(user, book);
    Quarn_DuzAde::CFinStateRun run;
    run.SetVisual(true);
    ASSERT_TRUE(run.Run(session.in, session.out)) << user.ErrorsText();
    const auto texts = user.MessageTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "frmFinStateSettings.cbFirst: The chart has no account '999'.");
    EXPECT_EQ(texts[1], "frmFinStateSettings.cbSecond: There is no document type 'X''.");

    const auto kept = frmFinState::LoadSettings(*book);
    EXPECT_EQ(kept.bankAccounts, std::vector<std::string>{"271"});
    EXPECT_TRUE(kept.cashAccounts.empty());
    EXPECT_EQ(kept.kreditDocs, std::vector<std::string>{"PISF"});
    ASSERT_TRUE(kept.kreditDate.has_value());
    EXPECT_EQ(*kept.kreditDate, Date::Parse("2026-03-31"));
    // Another user keeps the defaults.
    auto other = Testing::OpenDemoBook("ledger_finstate_other");
    EXPECT_EQ(frmFinState::LoadSettings(*other).cashAccounts, std::vector<std::string>{"272"});

    auto rs = session.DataList();
    ASSERT_TRUE(rs);
    const auto figures = frmFinState::Compute(*book, kept, kDate);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields()("Summa").Value().ToCurrency(), *figures.bank);
    rs->MoveNext(); // cash: the empty list left the box as it was
    rs->MoveNext();
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_EQ(rs->Fields()("Caption").Value().ToText(), "Kreditinis įsiskolinimas iki 2026-03-31 : ");
    EXPECT_EQ(rs->Fields()("Summa").Value().ToCurrency(), figures.credit->debt);
    tx.Rollback();
}
