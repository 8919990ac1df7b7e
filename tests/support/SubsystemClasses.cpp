#include "support/SubsystemClasses.hpp"

#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <gtest/gtest.h>

namespace Talvex::Testing {

std::vector<std::string> CheckSubsystemClasses(const std::string& label, const std::string& folder)
{
    using namespace Quarn_DuzAde;
    std::vector<std::string> registered;
    std::size_t listed = 0;
    for (const auto& entry : Catalogue()) {
        if (entry.subsystem != label) continue;
        ++listed;
        const std::string by = Registry().SubsystemOf(entry.name);
        EXPECT_EQ(entry.built, !by.empty()) << entry.name;
        if (entry.built) {
            EXPECT_EQ(by, folder) << entry.name << " is registered by another folder";
            EXPECT_TRUE(CreateObject(std::string(kLibraryName) + "." + entry.name)) << entry.name;
            registered.push_back(entry.name);
            continue;
        }
        Ui::Session session;
        Ui::Session::Scope sessionScope(session);
        ClientApp app(session);
        ClientApp::Scope appScope(app);
        auto object = CreateObject(std::string(kLibraryName) + "." + entry.name);
        FieldList in;
        FieldList out;
        if (auto* report = dynamic_cast<IReportExec*>(object.get())) {
            EXPECT_FALSE(report->Run(in, out)) << entry.name;
        } else if (auto* main = dynamic_cast<IMainEntry*>(object.get())) {
            main->Main(in);
        } else {
            ADD_FAILURE() << entry.name << " has no entry the host can call";
            continue;
        }
        EXPECT_EQ(out.Count(), 0u) << entry.name;
        EXPECT_EQ(session.Errors().size(), 1u) << entry.name;
        if (session.Errors().empty()) continue;
        EXPECT_NE(session.Errors()[0].message.find(entry.name + " is not available"), std::string::npos)
            << session.Errors()[0].message;
    }
    EXPECT_GT(listed, 0u) << "the catalogue lists no class of " << label;
    return registered;
}

} // namespace Talvex::Testing
