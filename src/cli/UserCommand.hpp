#pragma once

#include <iosfwd>
#include <string>

namespace Talvex::Cli {

enum class UserAction { Add, ChangePassword, Remove };

// talvex user add|passwd|remove NAME: the users who may sign in to the web client. The
// password is read from the terminal without echo (twice, to catch a slip), or as one line
// of standard input when that is no terminal; never from the command line, where other
// users of the machine could read it. Throws ValueError for an unknown user, a user that
// exists, an empty password.
void RunUserCommand(const std::string& connectString, UserAction action, const std::string& login, std::istream& in,
                    std::ostream& out);

} // namespace Talvex::Cli
