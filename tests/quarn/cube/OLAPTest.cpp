#include "quarn/cube/OLAP.hpp"
#include "host/objects/Field.hpp"
#include "host/objects/FieldList.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
namespace OLAP = Quarn_DuzAde::OLAP;

// The defaults fill only what the caller left out, and the caption names the goods node
// (group or good) and the period.
TEST(OLAP, SaleDefaultsAndCaption)
{
    FieldList params;
    params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 3, 1)));
    OLAP::AddDefaultSaleParams(params);
    EXPECT_EQ(params.Item("DateBeg").GetValue().ToDate(), Date(2025, 3, 1));
    EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2002, 12, 31));
    EXPECT_EQ(params.Item("GoodCode").GetValue().ToText(), "");
    const std::string from = OLAP::ResString(15057);
    const std::string to = OLAP::ResString(15058);
    EXPECT_EQ(OLAP::SaleCaption(params), from + " 2025-03-01 " + to + " 2002-12-31");
    params.Add("GoodCode", FieldType::kCode, Value("G1"));
    params.Add("IsGroup", FieldType::kFlag, Value(1));
    EXPECT_EQ(OLAP::SaleCaption(params), OLAP::ResString(15156) + " G1 " + from + " 2025-03-01 " + to + " 2002-12-31");
    params.Add("IsGroup", FieldType::kFlag, Value(0));
    EXPECT_EQ(OLAP::SaleCaption(params).rfind(OLAP::ResString(15157) + " G1 ", 0), 0u);
}
