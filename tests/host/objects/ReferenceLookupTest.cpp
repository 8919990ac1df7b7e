#include "host/objects/ReferenceLookup.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/UiError.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// Departments whose codes and names hold what a person might type to break a statement.
const std::vector<std::pair<std::string, std::string>> kHostileDepartments = {
    {"ZQ'1", "O'Brien; DELETE FROM REFClient; --"},
    {"ZQ2", "Sales /* north */ 100%_off"},
    {"ZQ3", "plain ZQ department"},
};

// The same match written by hand for PostgreSQL, with the typed text as a parameter.
constexpr const char* kMatchingDepartments = R"sql(
SELECT code FROM refdepartment
WHERE strpos(upper(code), upper($1)) > 0 OR strpos(upper(name), upper($1)) > 0)sql";

std::vector<std::string> Codes(const std::vector<LookupItem>& items)
{
    std::vector<std::string> codes;
    for (const auto& item : items)
        codes.push_back(item.code.ToText());
    return codes;
}

} // namespace

TEST(ReferenceLookup, TypedTextMatchesCodesAndNamesAsItStandsAndReachesSqlOnlyAsText)
{
    auto book = Testing::OpenDemoBook("tester");
    Data::Transaction tx(book->Db());
    for (const auto& [code, name] : kHostileDepartments)
        book->Db().QueryPostgres("INSERT INTO refdepartment (code, name) VALUES ($1, $2)", {Value(code), Value(name)});
    const auto clientsBefore = book->Db().QueryPostgres("SELECT count(*) FROM refclient").rows.at(0).at(0).ToInteger();

    Ui::Form form("frmLookup");
    auto& combo = form.Add(Ui::ControlKind::ComboBox, "cbDepartment");
    combo.BindLookup({"REFDepartment", "Code", "Name"});
    const ReferenceLookup lookup(combo);

    for (const std::string typed : {"o'brien; delete", "; DELETE FROM REFClient; --", "/* NORTH */", "%_", "%", "_",
                                    "'", "zq", "x' OR 1=1 --", "ZQ'1"}) {
        std::vector<std::string> expected;
        for (const auto& row : book->Db().QueryPostgres(kMatchingDepartments, {Value(typed)}).rows)
            expected.push_back(row[0].ToText());
        std::sort(expected.begin(), expected.end());
        auto found = Codes(lookup.Find(*book, typed, 1000));
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected) << typed;
        if (typed != "x' OR 1=1 --") {
            EXPECT_FALSE(found.empty()) << typed;
        }
    }
    // '%' and '_' are no wildcards: only the department that holds them.
    EXPECT_EQ(Codes(lookup.Find(*book, "0%_", 1000)), std::vector<std::string>{"ZQ2"});
    EXPECT_EQ(book->Db().QueryPostgres("SELECT count(*) FROM refclient").rows.at(0).at(0).ToInteger(), clientsBefore);

    // Nothing typed: the first rows in code order, no more than asked.
    std::vector<std::string> firstThree;
    for (const auto& row : book->Db().QueryPostgres("SELECT code FROM refdepartment ORDER BY code LIMIT 3").rows)
        firstThree.push_back(row[0].ToText());
    EXPECT_EQ(Codes(lookup.Find(*book, "", 3)), firstThree);
}

TEST(ReferenceLookup, ASelectorOffersItsReferenceAndAnUnboundControlOrUnknownColumnIsRefused)
{
    auto book = Testing::OpenDemoBook("tester");
    Ui::Form form("frmLookup");
    auto& selector = form.Add(Ui::ControlKind::Selector, "selClient");
    selector.BindSelector({"REFClient"});
    auto client = book->Db().QueryPostgres("SELECT code, name FROM refclient ORDER BY code LIMIT 1").rows.at(0);
    auto items = ReferenceLookup(selector).Find(*book, client[0].ToText(), 1000);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].code.ToText(), client[0].ToText());
    EXPECT_EQ(items[0].name.ToText(), client[1].ToText());

    auto& plain = form.Add(Ui::ControlKind::TextBox, "edNote");
    try {
        ReferenceLookup{plain};
        ADD_FAILURE() << "a control bound to nothing was given a lookup";
    } catch (const Ui::UiError& refusal) {
        EXPECT_STREQ(refusal.what(), "frmLookup.edNote: not bound to a reference");
    }
    // The binding's names become names in the statement only when the reference has them.
    EXPECT_THROW(ReferenceLookup(Ui::LookupBinding{"REFDepartment", "Code", "Name) > 0 OR (1"}).Find(*book, "a", 10),
                 ValueError);
    EXPECT_THROW(
        ReferenceLookup(Ui::LookupBinding{"REFDepartment; DROP TABLE REFClient", "Code", "Name"}).Find(*book, "a", 10),
        ValueError);
}
