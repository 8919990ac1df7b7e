// libFuzzer target: any text as a browser tab's message to its web session. The session has a
// host thread but no database (its Book does not open), so every message kind is read and
// dispatched against an empty window model; each input is done on the host thread before the
// next one comes. A crash, a sanitizer report or a session that stops answering is a finding.

#include "web/WebSession.hpp"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace {

class Tab {
public:
    Tab() { Open(); }

    void Send(std::string text)
    {
        // A session records every error it shows; a fresh one now and then keeps memory flat.
        if (++sent_ % kMessagesPerSession == 0) Open();
        session_->Receive(text);
        // Work posted after the message runs once the host thread has done the message.
        session_->CallOnHost([] { return std::string(); }).get();
    }

private:
    static constexpr unsigned kMessagesPerSession = 5000;

    void Open()
    {
        session_.reset();
        Talvex::Web::SessionOptions options;
        options.connectString = "host=/nonexistent/talvex-fuzz port=1 dbname=none connect_timeout=1";
        options.userName = "fuzz";
        options.patience = std::chrono::milliseconds(10);
        session_ = std::make_unique<Talvex::Web::WebSession>("fuzz", std::move(options), [](std::string) {});
        session_->Start();
    }

    std::unique_ptr<Talvex::Web::WebSession> session_;
    unsigned sent_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Tab tab;
    tab.Send(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
