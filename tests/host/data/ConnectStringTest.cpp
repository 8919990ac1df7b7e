// Passwords masked in connection strings before they reach a log.

#include "host/data/ConnectString.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace Talvex::Data {
namespace {

TEST(ConnectString, MasksEveryPasswordAndKeepsTheRest)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"host=db port=5432 user=anna password=secret dbname=erp",
         "host=db port=5432 user=anna password=*** dbname=erp"},
        {"password=secret", "password=***"},
        {"host=db password = secret user=anna", "host=db password = *** user=anna"},
        {"host=db password='a secret' user=anna", "host=db password=*** user=anna"},
        {"host=db password='a \\' secret' user=anna", "host=db password=*** user=anna"},
        {"host=db PASSWORD=secret", "host=db PASSWORD=***"},
        {"host=db password=secret password=other", "host=db password=*** password=***"},
        {"host=db passwordless=yes", "host=db passwordless=yes"},
        {"host=/run/talvex dbname=erp", "host=/run/talvex dbname=erp"},
        {"host=db secret", "host=db ***"},
        {"postgresql://anna:secret@db:5432/erp", "postgresql://anna:***@db:5432/erp"},
        {"postgres://anna:s%40cret@db/erp?sslmode=require&password=secret",
         "postgres://anna:***@db/erp?sslmode=require&password=***"},
        {"postgresql://anna@db/erp", "postgresql://anna@db/erp"},
        {"postgresql:///erp?host=/run/talvex", "postgresql:///erp?host=/run/talvex"},
    };
    for (const auto& [connectString, masked] : cases)
        EXPECT_EQ(MaskPassword(connectString), masked) << connectString;
}

} // namespace
} // namespace Talvex::Data
