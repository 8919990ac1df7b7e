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

namespace {

// The rows as the cursor reads them, one Value per cell: what the typed load must agree with.
CubeSource ValuesThroughTheCursor(Recordset& rs)
{
    std::vector<std::vector<Value>> columns(rs.Fields().Count());
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].push_back(rs.Fields().Item(i).Value());
    CubeSource source;
    for (std::size_t i = 0; i < columns.size(); ++i)
        source.AddColumn(rs.Fields().Item(i).Name(), std::move(columns[i]));
    return source;
}

// The typed load gives the same cells, members (in the same order) and sums as the
// rows read through the cursor.
void SameAsThroughTheCursor(const CubeSource& typed, Recordset& rs)
{
    const CubeSource reference = ValuesThroughTheCursor(rs);
    ASSERT_EQ(typed.RowCount(), reference.RowCount());
    for (const char* name : {"Buyer", "Kind", "DocumentDate", "Summa", "Qty"})
        for (std::size_t row = 0; row < typed.RowCount(); ++row)
            EXPECT_EQ(typed.ValueAt(name, row), reference.ValueAt(name, row)) << name << " row " << row;

    // The same members in the same order, and the same sums, from either source.
    Engine fromTyped, fromReference;
    auto define = [](Engine& engine, const CubeSource& source) {
        engine.SetSource(source);
        engine.Dims().Add("Buyer");
        engine.Dims().Add("Kind");
        engine.Dims().Add("DocumentDate");
        engine.Dims().Add("Qty");
        engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month);
        for (const char* name : {"Summa", "Qty"}) {
            engine.BaseFacts().Add(name);
            engine.Facts().Add(name);
        }
        engine.Dims().Item("Buyer").MoveTo(Axis::Rows, 0);
        engine.Dims().Item("Month").MoveTo(Axis::Columns, 0);
        engine.SetActive(true);
    };
    define(fromTyped, typed);
    define(fromReference, reference);
    for (const char* name : {"Buyer", "Kind", "DocumentDate", "Qty", "Month"}) {
        const auto& a = fromTyped.Dims().Item(name);
        const auto& b = fromReference.Dims().Item(name);
        ASSERT_EQ(a.MemberCount(), b.MemberCount()) << name;
        for (std::uint32_t code = 0; code < a.MemberCount(); ++code) {
            EXPECT_EQ(a.Member(code), b.Member(code)) << name << " member " << code;
            EXPECT_EQ(a.MemberText(code), b.MemberText(code)) << name << " member " << code;
        }
    }
    const auto& ga = fromTyped.Grid();
    const auto& gb = fromReference.Grid();
    ASSERT_EQ(ga.RowCount(), gb.RowCount());
    ASSERT_EQ(ga.ColHeaderCount(), gb.ColHeaderCount());
    for (std::size_t r = 0; r < ga.RowCount(); ++r)
        for (std::size_t c = 0; c < ga.ColHeaderCount(); ++c)
            for (const char* fact : {"Summa", "Qty"})
                EXPECT_EQ(ga.FactValue(r, c, fact), gb.FactValue(r, c, fact)) << fact << " " << r << "," << c;
}

} // namespace

TEST(CubeSource, TypedLoadOfNullsNegativeAmountsDatesAndMixedKindsMatchesTheCursor)
{
    Recordset rs;
    rs.Fields().Append("Buyer", DataTypeEnum::WChar, 20);
    rs.Fields().Append("Kind", DataTypeEnum::Variant);
    rs.Fields().Append("DocumentDate", DataTypeEnum::Date);
    rs.Fields().Append("Summa", DataTypeEnum::Currency);
    rs.Fields().Append("Qty", DataTypeEnum::Double);
    rs.Open();
    struct Line {
        Value buyer, kind, date, summa, qty;
    };
    const std::vector<Line> lines = {
        {Value("B1"), Value(std::int64_t{1}), Value(Date(2014, 2, 3)), Value(Currency::Parse("10.5")), Value(2.5)},
        {Value(Null{}), Value("2"), Value(Null{}), Value(Currency::Parse("-4.0001")), Value(Null{})},
        {Value("b1"), Value(Null{}), Value(Date(2014, 3, 1)), Value(Null{}), Value(Currency::Parse("-3"))},
        {Value("B1"), Value(std::int64_t{1}), Value(Date(2014, 2, 20)), Value(Currency::Parse("-0.25")), Value(2.5)},
        {Value(""), Value(3.5), Value(Date(2014, 2, 3)), Value(Currency::Parse("1000000.1234")), Value(1.0)},
    };
    for (const auto& line : lines) {
        rs.AddNew();
        rs.Fields().Item("Buyer").SetValue(line.buyer);
        rs.Fields().Item("Kind").SetValue(line.kind);
        rs.Fields().Item("DocumentDate").SetValue(line.date);
        rs.Fields().Item("Summa").SetValue(line.summa);
        rs.Fields().Item("Qty").SetValue(line.qty);
        rs.Update();
    }
    // A pending edit counts, as it did when the rows were read record by record.
    rs.MoveFirst();
    rs.Fields().Item("Summa").SetValue(Value(Currency::Parse("-7.5")));

    const CubeSource typed = CubeSource::FromRecordset(rs);
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.EditMode(), Talvex::Data::EditModeEnum::None);
    EXPECT_EQ(typed.ValueAt("Summa", 0).ToCurrency(), Currency::Parse("-7.5"));
    EXPECT_TRUE(std::holds_alternative<CodedColumn>(typed.Item("Buyer")));
    EXPECT_TRUE(std::holds_alternative<std::vector<Value>>(typed.Item("Summa"))); // it holds a null
    SameAsThroughTheCursor(typed, rs);
    EXPECT_EQ(typed.RowCount(), lines.size());
    {
        Engine engine;
        engine.SetSource(typed);
        engine.Dims().Add("Buyer").MoveTo(Axis::Rows, 0);
        engine.BaseFacts().Add("Summa");
        engine.Facts().Add("Summa");
        engine.SetActive(true);
        EXPECT_EQ(engine.Dims().Item("Buyer").MemberCount(), 4u); // "B1", null, "b1", ""
        const auto& grid = engine.Grid();
        EXPECT_DOUBLE_EQ(*grid.FactValue(*grid.FindRow({Value("B1")}), 0, "Summa"), -7.75);
    }

    // Without the rows that hold nulls, dates and amounts load as typed arrays.
    rs.SetFilter(std::vector<std::int64_t>{1, 4, 5});
    const CubeSource narrowed = CubeSource::FromRecordset(rs);
    EXPECT_TRUE(std::holds_alternative<std::vector<Date>>(narrowed.Item("DocumentDate")));
    EXPECT_TRUE(std::holds_alternative<std::vector<Currency>>(narrowed.Item("Summa")));
    EXPECT_TRUE(std::holds_alternative<std::vector<double>>(narrowed.Item("Qty")));
    SameAsThroughTheCursor(narrowed, rs);

    // A text that is no number names its first row when it is summed.
    Engine textFact;
    textFact.SetSource(typed);
    textFact.BaseFacts().Add("Buyer");
    try {
        textFact.SetActive(true);
        FAIL() << "a text base fact was summed";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("row 1 is not a number: \"B1\""), std::string::npos) << e.what();
    }
}

// A column whose texts the look-up hardly ever finds again (a document number) stops being
// looked up as its rows come: its members may then repeat a text. The values read back stay the rows' own, and the
// cube still makes one member of each text, also of texts met again after the look-ups ended.
// A column of a few thousand texts met in any order stays coded whole.
TEST(CubeSource, TextsOfAColumnThatStoppedLookingUpStillGroupAsOneMember)
{
    using Talvex::Data::Column;
    using Talvex::Data::ColumnKind;
    using Talvex::Data::FieldText;
    using Talvex::Data::RecordsetBuilder;
    constexpr std::size_t kRows = 40000;
    RecordsetBuilder builder(
        {{"Number", ColumnKind::Text}, {"Client", ColumnKind::Text}, {"Qty", ColumnKind::Integer}});
    auto numberOf = [](std::size_t row) {
        // Distinct for the first 30,000 rows, then the first hundred numbers again.
        return "No. " + std::to_string(row < 30000 ? row : row % 100);
    };
    for (std::size_t row = 0; row < kRows; ++row) {
        const std::string number = numberOf(row);
        const std::string client = "Client " + std::to_string((row * 7919) % 5000);
        builder.AppendTexts({FieldText{number}, FieldText{client}, FieldText{"1"}});
    }
    Recordset rs = builder.Finish();
    EXPECT_FALSE(rs.StoredCodes(0).distinct);
    EXPECT_TRUE(rs.StoredCodes(1).distinct);
    EXPECT_EQ(rs.StoredCodes(1).members->size(), 5000u);
    for (std::size_t row :
         {std::size_t{0}, std::size_t{16383}, std::size_t{16384}, std::size_t{29999}, std::size_t{30000}, kRows - 1})
        EXPECT_EQ(rs.StoredValue(row, 0).ToText(), numberOf(row)) << "row " << row;

    const CubeSource source = CubeSource::FromRecordset(rs);
    const auto& numbers = std::get<CodedColumn>(source.Item("Number"));
    EXPECT_EQ(numbers.members.size(), 30000u);
    EXPECT_EQ(numbers.codes[30005], numbers.codes[5]);
    EXPECT_EQ(numbers.codes[kRows - 1], numbers.codes[99]);
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("Number").MoveTo(Axis::Rows, 0);
    engine.BaseFacts().Add("Qty");
    engine.Facts().Add("Qty");
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    // "No. 5" came on row 5 and on every hundredth row from 30,005 on: 1 + 100 times.
    EXPECT_DOUBLE_EQ(*grid.FactValue(*grid.FindRow({Value("No. 5")}), 0, "Qty"), 101.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(*grid.FindRow({Value("No. 100")}), 0, "Qty"), 1.0);
}
