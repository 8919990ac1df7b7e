#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace Talvex::Ui {

class Form;
class Session;

// The host's window manager: modeless windows (cube and list windows) shown under a key
// and kept alive, with the report object behind them, until the user closes them.
class MainWindow {
public:
    explicit MainWindow(Session& session) : session_(session) {}
    MainWindow(); // on the current session

    // A key already open brings its window back instead of opening a second one: the host
    // keeps one window per report key. Returns the window shown.
    Form& ShowForm(std::shared_ptr<Form> form, std::string key);
    Form* Find(std::string_view key) const;

private:
    Session& session_;
};

} // namespace Talvex::Ui
