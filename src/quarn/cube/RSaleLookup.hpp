#pragma once

#include <string>
#include <unordered_map>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// Names of one reference table by code, so that the sales cube shows a territory,
// department, price type or client member as "CODE:Name" instead of the bare code.
class RSaleLookup {
public:
    // Reads Code and Name of every row of the table through a host list.
    void Load(Talvex::Book& book, const std::string& table);

    // The display text of a member key: its code (the key up to the separator, or the
    // whole key) with the name the table gives it; a key the table does not know stays as
    // it is. Codes compare without regard to case, as the cube's members are upper-cased.
    std::string Text(const std::string& key, const std::string& separator) const;

    std::size_t Count() const { return names_.size(); }

private:
    std::unordered_map<std::string, std::string> names_; // by upper-cased code
};

} // namespace Quarn_DuzAde
