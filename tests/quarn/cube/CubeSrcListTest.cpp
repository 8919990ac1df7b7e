#include "CubeFixture.hpp"

#include "host/objects/Field.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/cube/CubeSrcList.hpp"
#include "quarn/cube/ISrcDocList.hpp"

using namespace Talvex;
using OlapTesting::CubeFixture;

namespace {

// A list report's own provider: goods lines of documents, several lines per document,
// shown one row per document.
class LinesProvider : public Object, public Quarn_DuzAde::ISrcDocList {
public:
    LinesProvider()
    {
        rst = std::make_shared<Data::Recordset>();
        rst->Fields().Append("IDC", Data::DataTypeEnum::Integer);
        rst->Fields().Append("DocTypeCode", Data::DataTypeEnum::VarChar, 10);
        rst->Fields().Append("Summa", Data::DataTypeEnum::Currency);
        rst->Open();
        const std::vector<std::tuple<int, const char*, int>> lines = {
            {7, "PRSF", 10}, {7, "PRSF", 20}, {8, "GPG", -5}, {7, "PRSF", 30}, {9, "PRSF", 0}};
        for (const auto& [idc, type, summa] : lines) {
            rst->AddNew();
            rst->Fields().Item("IDC").SetValue(Value(idc));
            rst->Fields().Item("DocTypeCode").SetValue(Value(type));
            rst->Fields().Item("Summa").SetValue(Value(Currency::FromInteger(summa)));
            rst->Update();
        }
        fields.Add("IDC", FieldType::kInteger);
        fields.Add("DocTypeCode", FieldType::kCode).SetCaption("Type");
        fields.Add("Summa", FieldType::kAmount).SetCaption("Sum");
    }
    std::shared_ptr<DataList> SourceList() override { return nullptr; }
    std::shared_ptr<Data::Recordset> SourceRst() override { return rst; }
    bool ListIsFill() override { return true; }
    FieldList& ShowFields() override { return fields; }
    std::string Filter() override { return filter; }
    std::string FltrInfo() override { return "Type: PRSF;  "; }
    std::string PeriodFltrInfo() override { return ""; }
    std::string Caption() override { return "Lines"; }
    bool DistinctByIDC() override { return distinct; }

    std::shared_ptr<Data::Recordset> rst;
    FieldList fields;
    std::string filter;
    bool distinct = true;
};

std::vector<std::int64_t> ShownIds(const Ui::Grid& grid)
{
    std::vector<std::int64_t> ids;
    for (std::size_t r = 0; r < grid.RowCount(); ++r)
        ids.push_back(grid.Cell(r, "IDC").ToInteger());
    return ids;
}

} // namespace

// A document with three lines shows once; the filter narrows the recordset first; the
// print command prints what is shown.
TEST_F(CubeFixture, RecordsetListShowsEachDocumentOnceWhenDistinct)
{
    auto provider = std::make_shared<LinesProvider>();
    auto params = std::make_shared<FieldList>();
    params->Add("Parent", FieldType::kObject, Value(std::shared_ptr<Object>(provider)));
    const Value param{std::shared_ptr<Object>(params)};
    Quarn_DuzAde::CubeSrcList form;
    Ui::BaseDialog dialog;
    dialog.Init(form, book->CreateDocList("THDocument"), param);
    ASSERT_TRUE(form.Init(dialog, param));
    dialog.RunForm(false, false);
    auto& grid = form.ListCtl("SpecGrid");
    EXPECT_EQ(ShownIds(grid), (std::vector<std::int64_t>{7, 8, 9}));
    EXPECT_EQ(form.Caption(), "Lines");
    EXPECT_EQ(form.Ctl("lbFltrInfo").Caption(), "Type: PRSF;  ");

    provider->filter = "DocTypeCode = 'PRSF' AND Summa <> 0";
    grid.Refresh();
    EXPECT_EQ(ShownIds(grid), (std::vector<std::int64_t>{7}));
    provider->distinct = false;
    grid.Refresh();
    EXPECT_EQ(ShownIds(grid), (std::vector<std::int64_t>{7, 7, 7}));
    Currency sum;
    for (std::size_t r = 0; r < grid.RowCount(); ++r)
        sum += grid.Cell(r, "Summa").ToCurrency();
    EXPECT_EQ(sum, Currency::FromInteger(60));

    grid.ChooseMenuItem("12");
    EXPECT_EQ(form.LastPrint(), "Type\tSum\nPRSF\t10.00\nPRSF\t20.00\nPRSF\t30.00\n");
    EXPECT_EQ(user.ErrorsText(), "");
}

// A list that cannot be read leaves the cube as it was and says so by returning false.
TEST_F(CubeFixture, FailedLoadLeavesTheCube)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Cube::Engine& e) { e.Dims().Item("DocTypeCode").MoveTo(Cube::Axis::Rows, 0); });
    const auto rows = cube.cube().Grid().RowCount();
    auto broken = book->CreateList("THDocument");
    broken->Fields().AddField("Broken", FieldType::kText, "oTable.NoSuchColumn");
    EXPECT_FALSE(wrapper->SetDirectDataList(broken));
    EXPECT_EQ(&*wrapper->cube(), &cube);
    EXPECT_EQ(cube.cube().Grid().RowCount(), rows);
    EXPECT_GT(rows, 2u);
    // Rows that read but lack a dimension's column: the cube keeps its rows too.
    auto narrow = book->CreateList("THDocument");
    narrow->Fields().SelectFields({"IDC", "DocTypeCode", "DocumentDate", "Summa"});
    EXPECT_FALSE(wrapper->SetDirectDataList(narrow));
    ASSERT_TRUE(cube.cube().Active());
    EXPECT_EQ(cube.cube().Grid().RowCount(), rows);
    EXPECT_TRUE(cube.cube().Source().Exists("Tag"));
}
