#include "host/objects/ClientApp.hpp"

#include "host/objects/ReferenceCard.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Session.hpp"

namespace Talvex {
namespace {
thread_local ClientApp* currentApp = nullptr;
}

ClientApp& ClientApp::Current()
{
    if (!currentApp) throw ValueError("No host session runs on this thread");
    return *currentApp;
}

ClientApp* ClientApp::TryCurrent()
{
    return currentApp;
}

ClientApp::Scope::Scope(ClientApp& app) : previous_(currentApp)
{
    currentApp = &app;
}
ClientApp::Scope::~Scope()
{
    currentApp = previous_;
}

ClientApp::ClientApp(Ui::Session& session) : session_(session)
{
    InstallReferenceCards(session_, [this] { return context_.GetBook(); });
}

ClientApp::~ClientApp()
{
    session_.SetCardOpener(nullptr);
}

void ClientApp::ShowForm(std::shared_ptr<Ui::Form> form, const std::string& key)
{
    if (!form) throw ValueError("ShowForm: no form");
    Ui::Form& window = *form;
    session_.ShowModeless(window, key, std::move(form));
}

void ClientApp::ShowError(const std::string& source, const std::string& message)
{
    session_.ReportError(source, message);
}

void ClientApp::ShowStatus(const std::string& text)
{
    session_.ShowStatus(text);
}

} // namespace Talvex
