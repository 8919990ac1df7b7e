#pragma once

#include "host/types/Value.hpp"

#include <string>
#include <string_view>

namespace Talvex {

class Book;

// The host's store of per-user report parameters: a report saves and loads its parameters
// by key ("frmDebtOfClients") and name ("BegDate"). The user is the Book's user, so a
// session never reads or writes another user's settings. Values are kept as text
// (dates ISO); a setting never saved loads as empty.
class UserSettings {
public:
    explicit UserSettings(Book& book) : book_(book) {}
    Value Load(std::string_view reportKey, std::string_view name) const;
    void Save(std::string_view reportKey, std::string_view name, const Value& value);

private:
    Book& book_;
};

} // namespace Talvex
