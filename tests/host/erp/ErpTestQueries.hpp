#pragma once

#include "host/data/Connection.hpp"

#include <cstdint>
#include <string>
#include <string_view>

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

} // namespace Talvex::Testing
