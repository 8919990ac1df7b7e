#pragma once

#include <memory>
#include <string>

namespace Talvex {

class Book;
namespace Ui {
class Session;
class Form;
} // namespace Ui

// The host's current context: the open Book and the main form that owns wait windows.
class ClientContext {
public:
    std::shared_ptr<Book> GetBook() const { return book_; }
    void SetBook(std::shared_ptr<Book> book) { book_ = std::move(book); }
    // The main window's handle; wait windows are shown over it.
    long MainFormHwnd() const { return kMainFormHwnd; }
    static constexpr long kMainFormHwnd = 1;

private:
    std::shared_ptr<Book> book_;
};

// The host client application of one user session: its context, its window manager and
// the display of errors. The module reaches it through Current(), which is the app of the
// session whose host thread is running.
class ClientApp {
public:
    // Makes the session open reference cards through this app's Book.
    explicit ClientApp(Ui::Session& session);
    ~ClientApp();
    ClientApp(const ClientApp&) = delete;
    ClientApp& operator=(const ClientApp&) = delete;

    ClientContext& Context() { return context_; }
    Ui::Session& Session() { return session_; }
    // MainWindow.ShowForm: a modeless host child window under a key.
    void ShowForm(std::shared_ptr<Ui::Form> form, const std::string& key);
    // Shows an error to the user (a dialog in the browser, a record for the scripted user,
    // standard error for the command line).
    void ShowError(const std::string& source, const std::string& message);
    // The status line; an empty text clears it.
    void ShowStatus(const std::string& text);

    // The app of this thread; throws ValueError when no host session runs here.
    static ClientApp& Current();
    static ClientApp* TryCurrent();

    // Makes an app current on this thread for its lifetime.
    class Scope {
    public:
        explicit Scope(ClientApp& app);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ClientApp* previous_;
    };

private:
    Ui::Session& session_;
    ClientContext context_;
};

} // namespace Talvex
