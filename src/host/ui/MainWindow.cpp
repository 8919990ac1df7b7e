#include "host/ui/MainWindow.hpp"

#include "host/ui/Form.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

MainWindow::MainWindow() : session_(Session::Current()) {}

Form& MainWindow::ShowForm(std::shared_ptr<Form> form, std::string key)
{
    if (!form) throw UiError("MainWindow.ShowForm: no form");
    if (Form* open = session_.FindWindowByKey(key)) return *open;
    Form& window = *form;
    session_.ShowModeless(window, std::move(key), std::move(form));
    return window;
}

Form* MainWindow::Find(std::string_view key) const
{
    return session_.FindWindowByKey(key);
}

} // namespace Talvex::Ui
