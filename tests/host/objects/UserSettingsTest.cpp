#include "host/objects/UserSettings.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

TEST(UserSettings, EachUserKeepsAndReadsOnlyHisOwnParameters)
{
    auto anna = Testing::OpenDemoBook("anna.test");
    auto petras = Testing::OpenDemoBook("petras.test");
    UserSettings annaSettings(*anna);
    UserSettings petrasSettings(*petras);

    annaSettings.Save("frmDebtOfClients", "BegDate", Value(Date(2025, 3, 1)));
    annaSettings.Save("frmDebtOfClients", "Department", Value("D'1; --"));
    petrasSettings.Save("frmDebtOfClients", "BegDate", Value(Date(2026, 1, 1)));
    annaSettings.Save("frmDebtOfClients", "BegDate", Value(Date(2025, 4, 1))); // saving again replaces

    EXPECT_EQ(annaSettings.Load("frmDebtOfClients", "BegDate").ToDate(), Date(2025, 4, 1));
    EXPECT_EQ(annaSettings.Load("frmDebtOfClients", "Department").ToText(), "D'1; --");
    EXPECT_EQ(petrasSettings.Load("frmDebtOfClients", "BegDate").ToDate(), Date(2026, 1, 1));
    EXPECT_TRUE(petrasSettings.Load("frmDebtOfClients", "Department").IsEmpty());
    EXPECT_TRUE(annaSettings.Load("frmOther", "BegDate").IsEmpty());

    for (auto* book : {anna.get(), petras.get()})
        book->Db().Execute("DELETE FROM AdminUserSetting WHERE UserName = ?", {Value(book->UserName())});
}
