#pragma once

#include <functional>
#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// A table of the session a report fills once and reads many times ("#FloorPrices3"): a new
// name per fill, so two reports of one session never meet; the table read before is dropped
// with the next fill and with the owner; its statistics are taken at once, so the server
// knows its size when the report's lists join it.
class SessionTable {
public:
    SessionTable() = default;
    SessionTable(const SessionTable&) = delete;
    SessionTable& operator=(const SessionTable&) = delete;
    ~SessionTable();

    // Drops the table filled before, then runs the statement select writes for the new
    // table's name (a SELECT ... INTO it).
    void Fill(const std::shared_ptr<Talvex::Book>& book, const std::string& prefix,
              const std::function<std::string(const std::string& table)>& select);
    // The table's name; empty before a fill or after a Drop.
    const std::string& Name() const { return name_; }
    void Drop() noexcept;

private:
    std::shared_ptr<Talvex::Book> book_;
    std::string name_;
};

} // namespace Quarn_DuzAde
