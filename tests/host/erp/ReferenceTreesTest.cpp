#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Descendants of a node computed in memory from the Parent column, the node included.
std::set<std::string> Descendants(const std::multimap<std::string, std::string>& children, const std::string& node)
{
    std::set<std::string> result{node};
    std::vector<std::string> open{node};
    while (!open.empty()) {
        const std::string current = open.back();
        open.pop_back();
        auto [from, to] = children.equal_range(current);
        for (auto it = from; it != to; ++it)
            if (result.insert(it->second).second) open.push_back(it->second);
    }
    return result;
}

} // namespace

TEST(ReferenceTrees, EveryNodeYieldsExactlyItselfAndItsDescendants)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    for (const std::string table : {"REFClient", "REFGood", "REFDepartment"}) {
        std::multimap<std::string, std::string> children;
        std::vector<std::string> groups;
        std::map<std::string, int> isGroup;
        std::size_t total = 0;
        for (const auto& row : db.QueryPostgres("SELECT Code, Parent, IsGroup FROM " + table).rows) {
            const std::string code = row[0].ToText();
            if (!row[1].IsNull()) children.emplace(row[1].ToText(), code);
            isGroup[code] = static_cast<int>(row[2].ToInteger());
            if (isGroup[code] == 1) groups.push_back(code);
            ++total;
        }
        ASSERT_FALSE(groups.empty()) << table;
        // Every group, and one leaf, as the node.
        std::vector<std::string> nodes = groups;
        for (const auto& [code, flag] : isGroup)
            if (flag == 0) {
                nodes.push_back(code);
                break;
            }
        for (const auto& node : nodes) {
            std::multiset<std::string> got;
            for (const auto& row :
                 db.QueryPostgres("SELECT Code, IsGroup FROM " + table + "T($1)", {Talvex::Value(node)}).rows) {
                got.insert(row[0].ToText());
                EXPECT_EQ(row[1].ToInteger(), isGroup[row[0].ToText()]) << table << " " << row[0].ToText();
            }
            const auto expected = Descendants(children, node);
            EXPECT_EQ(got, std::multiset<std::string>(expected.begin(), expected.end()))
                << table << "T(" << node << ")";
        }
        // An empty node is the whole tree; an unknown one is nothing.
        EXPECT_EQ(db.QueryPostgres("SELECT Code FROM " + table + "T('')").rows.size(), total) << table;
        EXPECT_TRUE(db.QueryPostgres("SELECT Code FROM " + table + "T('no such code')").rows.empty()) << table;
    }
}
