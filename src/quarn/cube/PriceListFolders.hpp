#pragma once

#include "quarn/cube/SessionTable.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The price-list folders of the goods as paths from the outermost folder, read once into a
// table of the session ("#PriceListFolders3": "GoodCode", "PLFolder1" ... "PLFolderN", each
// level "code:name"), so that a sales line meets its folders by one equality. A good takes its
// folder in the first price list (by code) that files it; a folder shallower than the tree
// repeats itself on the deeper levels; a good in no price list has no row.
class PriceListFolders {
public:
    // Reads the folders again (dropping the table read before); missingText stands for a
    // level without a folder.
    void Read(const std::shared_ptr<Talvex::Book>& book, const std::string& missingText);
    // Empty when the company has no price-list folders.
    const std::string& Table() const { return table_.Name(); }
    // The level fields, outermost first.
    const std::vector<std::string>& Levels() const { return levels_; }
    static std::string Field(std::size_t level) { return "PLFolder" + std::to_string(level); }

private:
    SessionTable table_;
    std::vector<std::string> levels_;
};

} // namespace Quarn_DuzAde
