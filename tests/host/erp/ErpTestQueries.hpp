#pragma once

#include "host/data/Connection.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Testing {

// One value of a one-row query, for the checks of the ERP tests.
inline std::int64_t QueryCount(Data::Connection& db, std::string_view sql)
{
    auto rs = db.QueryPostgres(sql);
    return rs.rows.at(0).at(0).IsNull() ? 0 : rs.rows.at(0).at(0).ToInteger();
}

inline std::string QueryText(Data::Connection& db, std::string_view sql)
{
    auto rs = db.QueryPostgres(sql);
    return rs.rows.at(0).at(0).IsNull() ? std::string() : rs.rows.at(0).at(0).ToText();
}

// The first column of every row of a query, as ids.
inline std::vector<std::int64_t> Ids(Data::Connection& db, const std::string& sql)
{
    std::vector<std::int64_t> ids;
    for (const auto& row : db.QueryPostgres(sql).rows)
        ids.push_back(row.at(0).ToInteger());
    return ids;
}

// One of the values, drawn by the test's own random source.
template <typename T> const T& Pick(std::mt19937& random, const std::vector<T>& from)
{
    return from.at(std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random));
}

// A table, view or data source (called with sample arguments) and the columns the module names.
struct SourceColumns {
    const char* from;
    std::vector<const char*> columns;
};

// Fails for every source that cannot be read and every named column it lacks.
inline void ExpectSourcesHaveColumns(Data::Connection& db, const std::vector<SourceColumns>& sources)
{
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return text;
    };
    for (const auto& source : sources) {
        Data::ResultSet rs;
        try {
            rs = db.QueryPostgres(std::string("SELECT * FROM ") + source.from + " LIMIT 0");
        } catch (const std::exception& e) {
            ADD_FAILURE() << source.from << ": " << e.what();
            continue;
        }
        std::vector<std::string> have;
        for (const auto& c : rs.columns)
            have.push_back(lower(c.name));
        for (const char* column : source.columns)
            EXPECT_NE(std::find(have.begin(), have.end(), lower(column)), have.end())
                << source.from << " lacks " << column;
    }
}

} // namespace Talvex::Testing
