#include "host/cube/CubeSource.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Talvex::Cube;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::Recordset;

TEST(CubeSource, RecordsetRowsInViewBecomeTheCubesColumns)
{
    Recordset rs;
    rs.Fields().Append("Buyer", DataTypeEnum::WChar, 20);
    rs.Fields().Append("DocumentDate", DataTypeEnum::Date);
    rs.Fields().Append("Summa", DataTypeEnum::Currency);
    rs.Open();
    struct Line {
        const char* buyer;
        const char* date;
        const char* summa;
    };
    const Line lines[] = {{"B1", "2014-02-03", "10.5"},
                          {"B2", "2014-02-20", "4"},
                          {"B1", "2014-03-01", "1.25"},
                          {"B3", "2014-02-11", "100"}};
    for (const auto& line : lines) {
        rs.AddNew();
        rs.Fields().Item("Buyer").SetValue(Value(line.buyer));
        rs.Fields().Item("DocumentDate").SetValue(Value(Date::Parse(line.date)));
        rs.Fields().Item("Summa").SetValue(Value(Currency::Parse(line.summa)));
        rs.Update();
    }
    rs.SetFilter("Buyer <> 'B3'"); // only the rows in view are loaded

    Engine engine;
    engine.AttachRecordset(rs);
    EXPECT_EQ(engine.Source().RowCount(), 3u);
    EXPECT_EQ(engine.Source().ValueAt("summa", 2).ToCurrency(), Currency::Parse("1.25"));
    engine.Dims().Add("Buyer").MoveTo(Axis::Rows, 0);
    engine.Dims().Add("DocumentDate");
    engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month).MoveTo(Axis::Columns, 0);
    engine.BaseFacts().Add("Summa");
    engine.Facts().Add("Summa");
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto b1 = *grid.FindRow({Value("B1")});
    EXPECT_DOUBLE_EQ(*grid.FactValue(b1, *grid.FindColHeader({Value(std::int64_t{2})}), "Summa"), 10.5);
    EXPECT_DOUBLE_EQ(*grid.FactValue(b1, *grid.FindColHeader({}), "Summa"), 11.75);
    EXPECT_FALSE(grid.FindRow({Value("B3")}).has_value());
    EXPECT_THROW(engine.Source().Item("Missing"), ValueError);
}
