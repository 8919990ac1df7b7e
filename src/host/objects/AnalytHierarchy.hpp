#pragma once

#include <map>
#include <string>
#include <vector>

namespace Talvex {

class Book;

// The levels of an analytic type's tree (cash-flow kinds gathered under their groups): how
// many there are and, for any object, its group on each level from the top down. An object
// the tree does not place, or places less deep than the tree goes, repeats itself on the
// levels below its own, so every object has a member on every level.
class AnalytHierarchy {
public:
    // Reads the tree of the type from GLAnalytTree; a type without a tree has one level.
    void Init(Book& book, const std::string& analytTypeCode);
    // The tree given directly: (code, parent) pairs, parent empty at the top. Throws
    // ValueError naming the code of a cycle.
    void InitFromPairs(const std::string& analytTypeCode, const std::vector<std::pair<std::string, std::string>>& nodes,
                       const std::map<std::string, std::string>& names = {});

    const std::string& AnalytTypeCode() const { return typeCode_; }
    int LevelCount() const { return levelCount_; }
    // The code of the object's group on each level, the object itself last.
    std::vector<std::string> Path(const std::string& objectCode) const;
    // The name of a group or object of the tree; empty when the tree does not name it.
    std::string Name(const std::string& code) const;

private:
    std::string typeCode_;
    std::map<std::string, std::string> parent_; // code -> parent ("" at the top)
    std::map<std::string, std::string> names_;
    int levelCount_ = 1;
};

} // namespace Talvex
