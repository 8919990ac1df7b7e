#include "quarn/cube/SessionTable.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"

#include <atomic>

namespace Quarn_DuzAde {

SessionTable::~SessionTable()
{
    Drop();
}

void SessionTable::Drop() noexcept
{
    if (name_.empty() || !book_) return;
    try {
        book_->Db().Execute("DROP TABLE IF EXISTS " + name_);
    } catch (...) {
        // The table goes with the session in any case.
    }
    name_.clear();
}

void SessionTable::Fill(const std::shared_ptr<Talvex::Book>& book, const std::string& prefix,
                        const std::function<std::string(const std::string& table)>& select)
{
    Drop();
    book_ = book;
    static std::atomic<long> tables{0};
    const std::string name = "#" + prefix + std::to_string(++tables);
    book->Db().Execute(select(name));
    name_ = name;
    book->Db().Execute("UPDATE STATISTICS " + name_);
}

} // namespace Quarn_DuzAde
