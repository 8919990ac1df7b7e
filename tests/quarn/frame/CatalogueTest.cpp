#include "quarn/frame/Catalogue.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/CDuzAde.hpp"
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/frame/CreateVornUserDialogs.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/TalvexUserDialogs.hpp"
#include "quarn/frame/frmClAcc.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace Talvex;
using namespace Quarn_DuzAde;

TEST(Catalogue, EveryPublicClassIsCreatedByNameAndUnknownNamesAreRefused)
{
    std::set<std::string> names;
    for (const auto& e : Catalogue()) {
        EXPECT_TRUE(names.insert(e.name).second) << "twice: " << e.name;
        auto object = CreateObject(std::string(kLibraryName) + "." + e.name);
        ASSERT_TRUE(object) << e.name;
        bool hasEntry = dynamic_cast<IReportExec*>(object.get()) || dynamic_cast<IMainEntry*>(object.get()) ||
                        dynamic_cast<TalvexUserDialogs*>(object.get()) ||
                        dynamic_cast<CreateVornUserDialogs*>(object.get()) || dynamic_cast<IPriceCalc*>(object.get()) ||
                        e.entry == "(service)"; // called by the host through its own members
        EXPECT_TRUE(hasEntry) << e.name;
    }
    EXPECT_EQ(names.size(), 58u);
    for (const char* expected : {"CDuzAde", "RSale", "CDebtOfClients", "CSetOffDebt", "RDebtOfEntpr", "ISrcDocList"})
        EXPECT_TRUE(names.count(expected)) << expected;
    EXPECT_THROW(CreateObject("Quarn_DuzAde.NoSuchReport"), ValueError);
}

TEST(Catalogue, ShellReportShowsItsBrowserAndProducesNothing)
{
    auto book = Testing::OpenDemoBook("tester");
    Ui::Session session;
    Ui::Session::Scope sessionScope(session);
    Ui::AnswerScript script = Ui::AnswerScript::Parse("frmClAcc.btUtil click\nfrmClAcc.btOk click\n");
    Ui::ScriptDriver driver(script);
    driver.Attach(session);
    ClientApp app(session);
    ClientApp::Scope appScope(app);

    auto object = CreateObject("Quarn_DuzAde.CDuzAde");
    auto* report = dynamic_cast<IReportExec*>(object.get());
    ASSERT_NE(report, nullptr);
    report->SetAlterFormCode("ALT'1");
    report->SetVisual(true);
    EXPECT_EQ(report->AlterFormCode(), "ALT'1");
    EXPECT_TRUE(report->Visual());

    FieldList in;
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    FieldList out;
    EXPECT_FALSE(report->Run(in, out)); // false even when closed with OK
    EXPECT_EQ(out.Count(), 0u);
    EXPECT_TRUE(session.Errors().empty());
    EXPECT_TRUE(driver.Remaining().empty()); // both answers were used by the form
    EXPECT_TRUE(session.Windows().empty());

    // A class not yet available says so once and returns nothing.
    auto pending = CreateObject("Quarn_DuzAde.ISrcDocList");
    EXPECT_FALSE(dynamic_cast<IReportExec*>(pending.get())->Run(in, out));
    ASSERT_EQ(session.Errors().size(), 1u);
    EXPECT_NE(session.Errors()[0].message.find("ISrcDocList"), std::string::npos);
    EXPECT_EQ(out.Count(), 0u);
}

TEST(Catalogue, PopupMenuOfTheBrowserGivesItsKey)
{
    Ui::Session session;
    Ui::Session::Scope sessionScope(session);
    frmClAcc form;
    Ui::ScriptDriver driver(Ui::AnswerScript::Parse("frmClAcc.btUtil click\nfrmClAcc.btCancel click\n"));
    driver.Attach(session);
    form.Browse();
    ASSERT_NE(form.Menu(), nullptr);
    EXPECT_TRUE(form.Menu()->IsOpen());
    EXPECT_EQ(form.Menu()->Anchor(), "btUtil");
    form.m_Menu_Click(1);
    EXPECT_EQ(form.LastMenuKey(), "MKeyParam");
    form.m_Menu_Click(7); // no such item: reported, not thrown
    EXPECT_EQ(session.Errors().size(), 1u);
    form.Unload();
    EXPECT_EQ(form.Menu(), nullptr);
}

TEST(Catalogue, ASubsystemRegistersOnlyClassesOfTheCatalogueAndEachOnce)
{
    ClassRegistry registry;
    registry.Add<CDuzAde>("frame", "CDuzAde");
    EXPECT_THROW(registry.Add<CDuzAde>("debt", "CDuzAde"), ValueError);
    EXPECT_THROW(registry.Add<CDuzAde>("debt", "CDuzAdeTypo"), ValueError);
    EXPECT_EQ(registry.SubsystemOf("CDuzAde"), "frame");
    EXPECT_EQ(registry.Find("RSale"), nullptr);
    // The library's own registry: each built class by the folder it lives in.
    EXPECT_EQ(Registry().SubsystemOf("CDebtOfClients"), "debt");
    EXPECT_EQ(Registry().SubsystemOf("CSetOffDebt"), "settlement");
    EXPECT_EQ(Registry().SubsystemOf("RSale"), "cube");
    EXPECT_EQ(Registry().SubsystemOf("TalvexUserDialogs"), "frame");
}
