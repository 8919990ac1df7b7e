#include "host/objects/AnalytHierarchy.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex {

namespace {

// A chain of parents longer than this can only be a cycle.
constexpr int kMaxDepth = 50;

} // namespace

void AnalytHierarchy::Init(Book& book, const std::string& analytTypeCode)
{
    const auto rows = book.Db().Query("SELECT Code, ISNULL(Parent, ''), Name FROM GLAnalytTree WHERE AnalytTypeCode = ?",
                                      {Value(analytTypeCode)});
    std::vector<std::pair<std::string, std::string>> nodes;
    std::map<std::string, std::string> names;
    for (const auto& row : rows.rows) {
        nodes.emplace_back(row[0].ToText(), row[1].IsNull() ? std::string() : row[1].ToText());
        names[row[0].ToText()] = row[2].IsNull() ? std::string() : row[2].ToText();
    }
    InitFromPairs(analytTypeCode, nodes, names);
}

void AnalytHierarchy::InitFromPairs(const std::string& analytTypeCode,
                                    const std::vector<std::pair<std::string, std::string>>& nodes,
                                    const std::map<std::string, std::string>& names)
{
    typeCode_ = analytTypeCode;
    parent_.clear();
    names_ = names;
    for (const auto& [code, parent] : nodes)
        parent_[code] = parent;
    levelCount_ = 1;
    for (const auto& node : parent_) {
        int depth = 1;
        for (auto at = parent_.find(node.second); at != parent_.end(); at = parent_.find(at->second)) {
            if (++depth > kMaxDepth)
                throw ValueError("analytic type " + analytTypeCode + ": the groups above '" + node.first +
                                 "' form a cycle");
        }
        // A parent the tree does not list itself is one more level at the top.
        if (!node.second.empty() && parent_.find(node.second) == parent_.end()) ++depth;
        levelCount_ = std::max(levelCount_, depth);
    }
}

std::vector<std::string> AnalytHierarchy::Path(const std::string& objectCode) const
{
    std::vector<std::string> path{objectCode};
    std::string code = objectCode;
    for (auto at = parent_.find(code); at != parent_.end() && !at->second.empty(); at = parent_.find(code)) {
        code = at->second;
        path.push_back(code);
        if (static_cast<int>(path.size()) > levelCount_) break;
    }
    std::reverse(path.begin(), path.end());
    // A shallow object repeats itself down to the last level.
    while (static_cast<int>(path.size()) < levelCount_)
        path.push_back(objectCode);
    return path;
}

std::string AnalytHierarchy::Name(const std::string& code) const
{
    const auto found = names_.find(code);
    return found == names_.end() ? std::string() : found->second;
}

} // namespace Talvex
