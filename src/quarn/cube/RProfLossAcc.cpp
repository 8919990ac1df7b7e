#include "quarn/cube/RProfLossAcc.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/frmRProfLossAcc.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kMissingText = 15000;
constexpr long kDepartmentText = 15012;
constexpr long kDateText = 15100;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kTitleText = 15800;
constexpr long kAccountText = 15801;
constexpr long kGroupText = 15802;
constexpr long kAnalyticText = 15803;
constexpr long kTurnText = 15804;
constexpr long kRestText = 15805;
constexpr long kNothingText = 15806;
constexpr long kPostingsMenuText = 15807;
constexpr long kChartText = 15809;

// Deeper than any chart is drawn; a deeper one shows its top levels.
constexpr int kMaxLevels = 9;

constexpr const char* kProfitSide = "LEFT(oTable.Code, 1) IN ('5', '6')";

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::string Level(const char* prefix, int n)
{
    return prefix + std::to_string(n);
}

std::string LevelCaption(long text, int n)
{
    return Res(text) + " [" + std::to_string(n) + "]";
}

int ReadMaximum(Talvex::Book& book, const std::string& table, const std::string& expression,
                const std::string& filter)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    list->Fields().AddField("M", FieldType::kInteger, "MAX(" + expression + ")")
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
    list->SetFilter(filter);
    list->Refresh();
    auto rs = list->Recordset();
    if (rs->RecordCount() == 0) return 0;
    rs->MoveFirst();
    const Value v = rs->Fields().Item("M").Value();
    return v.IsNull() || v.IsEmpty() ? 0 : static_cast<int>(v.ToInteger());
}

// One side of the postings: the debit side (the debit account with the posting's sum) or
// the credit side. Amount is what the side adds to the result: income (credit) adds,
// expenses (debit) take away, so that any total of the cube reads as the profit.
// The side's analytics are read here, once per side, so that the cube's list groups by
// plain columns.
std::shared_ptr<DataList> PostingSides(Talvex::Book& book, bool debit, const std::string& accSet, Date endDate,
                                       const std::vector<std::map<std::string, std::string>>& analyticTypes)
{
    const std::string account = debit ? "oTable.DebetAccCode" : "oTable.CreditAccCode";
    auto side = book.CreateList("GLAccountPost");
    FieldList& f = side->Fields();
    f.SelectFields({});
    f.AddField("PostID", FieldType::kId, "oTable.IDC");
    f.AddField("AccSetCode", FieldType::kCode, "oTable.AccSetCode");
    f.AddField("AccCode", FieldType::kCode, account);
    f.AddField("IsDebet", FieldType::kInteger, debit ? "1" : "0");
    f.AddField("DatePost", FieldType::kDate, "oTable.DatePost");
    f.AddField("DocId", FieldType::kId, "oTable.DocId");
    f.AddField("Amount", FieldType::kAmount, debit ? "-oTable.SumAcc" : "oTable.SumAcc");
    // The n-th analytic of the account (by its position) as the posting side carries it. The
    // account's type at each position is written into the statement from the chart, read
    // once, so that each side meets only its own analytic rows.
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));
    for (std::size_t level = 0; level < analyticTypes.size(); ++level) {
        std::string typeOf = "NULL";
        if (!analyticTypes[level].empty()) {
            typeOf = "CASE " + account;
            for (const auto& [acc, type] : analyticTypes[level])
                typeOf += " WHEN " + SqlTools::Literal(FieldType::kCode, Value(acc)) + " THEN " +
                          SqlTools::Literal(FieldType::kCode, Value(type));
            typeOf += " END";
        }
        f.AddField(Level("S", static_cast<int>(level) + 1), FieldType::kLongText,
                   "ISNULL((SELECT MIN(an.AnalytTypeCode + ': ' + an.AnalytObjectCode) FROM GLAnalytPost an "
                   "WHERE an.AccPostID = oTable.IDC AND an.IsDebet = " +
                       std::string(debit ? "1" : "0") + " AND an.AnalytTypeCode = " + typeOf + "), " + missing + ")");
    }
    side->SetFilter("oTable.IsPosted = 1 AND oTable.AccSetCode = " +
                    SqlTools::Literal(FieldType::kCode, Value(accSet)) +
                    " AND oTable.DatePost <= " + SqlTools::Literal(FieldType::kDate, Value(endDate)) + " AND LEFT(" +
                    account + ", 1) IN ('5', '6')");
    return side;
}

} // namespace

RProfLossAcc::RProfLossAcc() : CubeReport(kTitleText, kPostingsMenuText) {}

bool RProfLossAcc::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    OpenWindow("RProfLossAcc", [&] { return Prepare(inParams) && Visual(); });
    return false;
}

bool RProfLossAcc::Prepare(FieldList& inParams)
{
    if (!TakeParams(inParams)) return false;
    // The year so far in the Book's own chart, as the statement opens.
    AddYearDefaults(true);
    AddDefault("AccSetCode", FieldType::kCode, book_->Setting("AccSetCode"));
    LoadDepartments();
    return true;
}

ProfLossShape RProfLossAcc::ReadShape() const
{
    const std::string accSet = SqlTools::Literal(FieldType::kCode, Value(TextParam("AccSetCode")));
    ProfLossShape shape;
    // The groups above the posting accounts: a class is level 1, its groups 2 and on.
    shape.parentLevels = ReadMaximum(*book_, "GLAccountParent", "oTable.ParentLevel",
                                     "oTable.AccSetCode = " + accSet + " AND oTable.Distance > 0 AND " + kProfitSide);
    // The analytic types of the income and expense accounts by position; where an account
    // keeps two types at one position, the first by code stands there.
    auto types = book_->CreateList("GLAccountAnalytType");
    types->Fields().SelectFields({"AccCode", "AnalytTypeCode", "PosNumb"});
    types->SetFilter("oTable.AccSetCode = " + accSet + " AND LEFT(oTable.AccCode, 1) IN ('5', '6') AND oTable.PosNumb >= 1");
    types->OrderBy("oTable.PosNumb, oTable.AccCode, oTable.AnalytTypeCode");
    types->Refresh();
    auto rs = types->Recordset();
    if (rs->RecordCount() > 0) {
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const auto position = static_cast<std::size_t>(rs->Fields().Item("PosNumb").Value().ToInteger());
            if (position > static_cast<std::size_t>(kMaxLevels)) continue;
            if (shape.analyticTypes.size() < position) shape.analyticTypes.resize(position);
            shape.analyticTypes[position - 1].emplace(rs->Fields().Item("AccCode").Value().ToText(),
                                                      rs->Fields().Item("AnalytTypeCode").Value().ToText());
        }
    }
    shape.analyticLevels = static_cast<int>(shape.analyticTypes.size());
    shape.parentLevels = std::min(shape.parentLevels, kMaxLevels);
    return shape;
}

std::shared_ptr<DataList> RProfLossAcc::CreatePostingList(const ProfLossShape& shape, bool forDrillDown) const
{
    Talvex::Book& book = *book_;
    const std::string accSet = TextParam("AccSetCode");
    if (accSet.empty()) throw Talvex::ValueError("AccSetCode: the chart of accounts is not given");
    const Date begDate = DateParam("DateBeg");
    const Date endDate = DateParam("DateEnd");
    const std::string beg = SqlTools::Literal(FieldType::kDate, Value(begDate));
    const std::string missing = SqlTools::Literal(FieldType::kText, Value(Res(kMissingText)));

    auto sides = PostingSides(book, true, accSet, endDate, shape.analyticTypes);
    sides->Union(PostingSides(book, false, accSet, endDate, shape.analyticTypes), "CSide", true);

    auto list = book.CreateList("");
    list->SetSource(sides, "oTable", 0);
    list->Join(NoColumns(book.CreateList("GLAccount")), "Acc",
               "oTable.AccSetCode = Acc.AccSetCode AND oTable.AccCode = Acc.Code", 0, 0);
    list->Join(NoColumns(book.CreateList("THDocument")), "d", "oTable.DocId = d.IDC", 1, 0);
    const std::string accountText = "oTable.AccCode + ': ' + Acc.Name";
    for (int n = 1; n <= shape.parentLevels; ++n) {
        const std::string up = Level("Up", n), upAcc = Level("UpAcc", n);
        list->Join(NoColumns(book.CreateList("GLAccountParent")), up,
                   up + ".AccSetCode = oTable.AccSetCode AND " + up + ".Code = oTable.AccCode AND " + up +
                       ".Distance > 0 AND " + up + ".ParentLevel = " + std::to_string(n),
                   1, 0);
        list->Join(NoColumns(book.CreateList("GLAccount")), upAcc,
                   upAcc + ".AccSetCode = oTable.AccSetCode AND " + upAcc + ".Code = " + up + ".Parent", 1, 0);
    }

    FieldList& f = list->Fields();
    f.SelectFields({});
    auto add = [&f](const std::string& name, FieldType typeCode, const std::string& expression,
                    const std::string& caption = {}) {
        Talvex::Field& field = f.AddField(name, typeCode, expression);
        if (!caption.empty()) field.SetCaption(caption);
        return &field;
    };

    // Postings before the period build the balance only; they stand on the period's first
    // day, so that the balance runs up month by month from there.
    const std::string date = "(CASE WHEN oTable.DatePost < " + beg + " THEN " + beg + " ELSE oTable.DatePost END)";
    add("DocumentDate", FieldType::kDate, forDrillDown ? date : "DATEADD( day, -DAY( " + date + " ) + 1, " + date + " )",
        Res(kDateText));
    add("Department", FieldType::kCode, "UPPER(ISNULL(NULLIF(d.Department, ''), " + missing + "))",
        Res(kDepartmentText));
    // A posting account standing higher in the chart than a level repeats itself there.
    for (int n = 1; n <= shape.parentLevels; ++n) {
        const std::string upAcc = Level("UpAcc", n);
        add(Level("P", n), FieldType::kLongText,
            "ISNULL(" + upAcc + ".Code + ': ' + " + upAcc + ".Name, " + accountText + ")", LevelCaption(kGroupText, n));
    }
    add("AccountCode", FieldType::kLongText, accountText, Res(kAccountText));
    for (int n = 1; n <= shape.analyticLevels; ++n)
        add(Level("S", n), FieldType::kLongText, "oTable." + Level("S", n), LevelCaption(kAnalyticText, n));
    add("Rest", FieldType::kAmount, "oTable.Amount", Res(kRestText));
    add("Turn", FieldType::kAmount, "(CASE WHEN oTable.DatePost >= " + beg + " THEN oTable.Amount ELSE 0 END)",
        Res(kTurnText));
    if (forDrillDown) {
        add("DatePost", FieldType::kDate, "oTable.DatePost");
        add("IDC", FieldType::kId, "d.IDC");
        add("Number", FieldType::kCode, "d.Number");
        add("DocTypeCode", FieldType::kCode, "d.DocTypeCode");
        add("PostID", FieldType::kId, "oTable.PostID");
    } else {
        f.Item("Rest").SetAggregate(Talvex::Aggregate::kSum);
        f.Item("Turn").SetAggregate(Talvex::Aggregate::kSum);
    }
    return list;
}

void RProfLossAcc::DefineCube(Engine& engine, const ProfLossShape& shape)
{
    ClearCube(engine);

    Dims& dims = engine.Dims();
    dims.Add("Department", Res(kDepartmentText), 2);
    for (int n = 1; n <= shape.parentLevels; ++n)
        dims.Add(Level("P", n), LevelCaption(kGroupText, n));
    dims.Add("AccountCode", Res(kAccountText));
    for (int n = 1; n <= shape.analyticLevels; ++n)
        dims.Add(Level("S", n), LevelCaption(kAnalyticText, n));
    dims.Add("DocumentDate", Res(kDateText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));

    AddSummedFacts(engine, {{"Rest", kRestText}, {"Turn", kTurnText}});
    ShowAllFacts(engine);

    // The first layout: the chart's top level (the income and the expense class) down the
    // rows, years across.
    dims.Item(shape.parentLevels > 0 ? "P1" : "AccountCode").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RProfLossAcc::CubeCaption() const
{
    return Title() + " " + Res(kChartText) + " " + TextParam("AccSetCode") + " " + FromToText();
}

void RProfLossAcc::Open(Talvex::CCube& cube)
{
    frmRProfLossAcc form;
    if (!form.Browse(*params_, Title())) return;
    shape_ = ReadShape();
    DefineCube(cube.cube(), shape_);
    ShowDefined(cube, CubeCaption());
    ShowList(cube, CreatePostingList(shape_, false), kNothingText);
}

void RProfLossAcc::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return CreatePostingList(shape_, true); },
                  {"DatePost", "AccountCode", "Department", "Turn", "Rest"});
}

} // namespace Quarn_DuzAde
