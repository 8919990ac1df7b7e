#include "cli/UserCommand.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/UserAccounts.hpp"
#include "host/types/Errors.hpp"
#include "web/WebSession.hpp"

#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace Talvex::Cli {

namespace {

// Echo stays off while it lives, and comes back however the read ends.
class EchoOff {
public:
    EchoOff()
    {
        active_ = ::tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!active_) return;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff()
    {
        if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

std::string ReadLine(std::istream& in)
{
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string ReadPassword(std::istream& in, const std::string& login)
{
    if (&in != &std::cin || !::isatty(STDIN_FILENO)) {
        std::string password = ReadLine(in);
        if (password.empty()) throw ValueError("Password: must not be empty");
        return password;
    }
    std::string password;
    std::string again;
    {
        EchoOff quiet;
        std::cerr << "Password for " << login << ": " << std::flush;
        password = ReadLine(in);
        std::cerr << "\nThe same again: " << std::flush;
        again = ReadLine(in);
        std::cerr << "\n";
    }
    if (password.empty()) throw ValueError("Password: must not be empty");
    if (password != again) throw ValueError("Password: the two entries differ");
    return password;
}

} // namespace

void RunUserCommand(const std::string& connectString, UserAction action, const std::string& login, std::istream& in,
                    std::ostream& out)
{
    // The web client's rule for names, so that every user made here can sign in there.
    Web::CheckUserName(login);
    Data::Connection db = Data::Connection::Open(connectString);
    Erp::UserAccounts users(db);
    switch (action) {
    case UserAction::Add: {
        if (users.Exists(login)) throw ValueError("User " + login + ": exists already");
        users.Add(login, ReadPassword(in, login));
        out << "User " << login << " added.\n";
        break;
    }
    case UserAction::ChangePassword: {
        if (!users.Exists(login)) throw ValueError("User " + login + ": unknown user");
        users.ChangePassword(login, ReadPassword(in, login));
        out << "Password of " << login << " changed.\n";
        break;
    }
    case UserAction::Remove:
        users.Remove(login);
        out << "User " << login << " removed.\n";
        break;
    }
}

} // namespace Talvex::Cli
