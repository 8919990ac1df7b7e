#include "quarn/debt/frmDebtOfClients.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/GridPrinter.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/debt/frmDebtDocList.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CDebtByDoc.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <variant>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::Recordset;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Op = Talvex::SqlOperator;
using Kind = Talvex::FieldType;

namespace {

constexpr const char* kList = "grdList";
constexpr const char* kMoney = "#,##0.00";
constexpr long kDrillDownTip = 1311;
constexpr long kDepartmentCaption = 1313;
constexpr long kPersonCaption = 1314;
constexpr long kClientCaption = 1315;
constexpr long kTotalCaption = 1316;
constexpr long kBegRestCaption = 1317;
constexpr long kProgressCaption = 1319;
constexpr long kPeriodReversed = 457;
constexpr long kNotGiven = 15000;

// The manager of a client is its person of role 'MATS'; the department is the one where
// that person is a primary staff member.
// In the client list, oTable is the client.
constexpr const char* kManagerOn = "oTable.Code = ClntP.ClientCode AND ClntP.PersonRoleCode = 'MATS'";
constexpr const char* kStaffOn = "ClntP.PersonCode = StfM.EmployeeCode AND StfM.IsPrimary = 1";
constexpr const char* kDepartmentOn = "StfM.DepCode = Dep.Code";
constexpr const char* kPersonOn = "ClntP.PersonCode = Per.Code";
constexpr const char* kClientOn = "Party.PartyCode = Mng.Code";

// The display texts of a department, a manager and a client, before the missing-value text
// stands in for them.
constexpr const char* kDepartmentText = "(Dep.Code + ': '+Dep.Name)";
constexpr const char* kPersonText = "(Per.Code + ': '+Per.FirstName+' '+Per.LastName)";
constexpr const char* kClientText = "(oTable.Code + ': '+oTable.Name)";

std::string NotGivenLiteral()
{
    return SqlTools::Literal(Kind::kText, Value(ModuleFormRes().GetString(kNotGiven)));
}

// Every text the list may show for a department, a manager or a client (the missing-value
// text among them), in the database's order of text. The list comes unordered and is put in
// order by these ranks: sorting the few reference texts once costs far less than having the
// database sort every term on its three long texts.
std::string TextOrderSql()
{
    const std::string notGiven = NotGivenLiteral();
    return std::string("SELECT ISNULL(") + kDepartmentText + ", " + notGiven + ") AS Txt FROM REFDepartment Dep" +
           " UNION ALL SELECT ISNULL(" + kPersonText + ", " + notGiven + ") FROM REFPerson Per" +
           " UNION ALL SELECT ISNULL(" + kClientText + ", " + notGiven + ") FROM REFClient oTable" +
           " UNION ALL SELECT " + notGiven + " ORDER BY Txt";
}

} // namespace

frmDebtOfClients::frmDebtOfClients() : Form("frmDebtOfClients", "Debt of clients")
{
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    Add(ControlKind::ComboBox, "cbDepartment", "Department");
    Add(ControlKind::ComboBox, "cbPerson", "Manager");
    Add(ControlKind::Button, "btFillList", "Fill");
    Add(ControlKind::Button, "btDocList", "Documents");
    Add(ControlKind::Button, "btUsePrint", "Print");
    Add(ControlKind::CheckBox, "chTotalByPerson", "Manager totals").SetValue(Value(1));
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    AddLocalList(kList);

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btFillList", "Click", [this](EventArgs&) { btFillList_Click(); });
    On("btDocList", "Click", [this](EventArgs&) { btDocList_Click(); });
    On(kList, "DblClick", [this](EventArgs& args) { grdList_DblClick(args.row, args.column); });
    On("chTotalByPerson", "Click", [this](EventArgs&) { chTotalByPerson_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "OnAddColumn", [this](EventArgs& args) { mLocalList_OnAddColumn(args); });
    On(kList, "OnRefresh", [this](EventArgs& args) { mLocalList_OnRefresh(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { mLocalList_AfterRefresh(); });
}

frmDebtOfClients::~frmDebtOfClients() = default;

void frmDebtOfClients::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = std::dynamic_pointer_cast<Talvex::Book>(param.Item("Book").GetValue().ToObject());
    if (!book_) throw Talvex::ValueError("frmDebtOfClients: the parameter \"Book\" holds no Book");
}

// ---- preparation

void frmDebtOfClients::mBaseDlg_BeforeLoadHandling()
{
    try {
        const std::string monthYear = "mm" + DateSeparator(true) + "yyyy";
        Ctl("edDateBeg").SetFormat(monthYear);
        Ctl("edDateEnd").SetFormat(monthYear);
        LoadLookups();
        LoadParams();
        Ctl("btDocList").SetToolTip(ModuleFormRes().GetString(kDrillDownTip));
        auto& list = ListCtl(kList);
        list.DefineStyle("DepartmentRow", Talvex::Ui::RowStyle{true, "#000000", "#c6d9f1"});
        list.DefineStyle("PersonRow", Talvex::Ui::RowStyle{true, "#000000", "#eaf1dd"});
        SetReportControls(false);
    } catch (...) {
        ReportError();
    }
}

// The host lookups of departments and persons: the combos take the codes of the references.
void frmDebtOfClients::LoadLookups()
{
    Ctl("cbDepartment").BindLookup({"REFDepartment", "Code", "Name"});
    Ctl("cbPerson").BindLookup({"REFPerson", "Code", "LastName"});
    auto items = [](DataList& list) {
        list.OrderBy("oTable.Code");
        list.Refresh();
        std::vector<Talvex::Ui::ComboItem> out;
        auto rs = list.Recordset();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            out.push_back({rs->Fields()("Code").Value().ToText(), rs->Fields()("Name").Value().ToText()});
        return out;
    };
    auto departments = book_->CreateList("REFDepartment");
    departments->Fields().SelectFields({"Code", "Name"});
    departments->SetFilter("oTable.IsGroup = 0");
    Ctl("cbDepartment").SetItems(items(*departments));
    auto persons = book_->CreateList("REFPerson");
    persons->Fields().SelectFields({"Code"});
    persons->Fields().AddField("Name", Kind::kText, "oTable.FirstName + ' ' + oTable.LastName");
    Ctl("cbPerson").SetItems(items(*persons));
}

void frmDebtOfClients::LoadParams()
{
    Talvex::UserSettings settings(*book_);
    Value beg = settings.Load(kSettingsKey, "BegDate");
    Value end = settings.Load(kSettingsKey, "EndDate");
    Date begDate;
    Date endDate;
    // With nothing saved the period is the current calendar month.
    if (beg.IsEmpty() || !Date::TryParse(beg.ToText(), begDate)) begDate = book_->Today().FirstOfMonth();
    if (end.IsEmpty() || !Date::TryParse(end.ToText(), endDate)) endDate = book_->Today().LastOfMonth();
    Ctl("edDateBeg").SetValue(Value(begDate));
    Ctl("edDateEnd").SetValue(Value(endDate));
    // A code no longer in the reference is dropped rather than refused.
    for (const char* name : {"Department", "Person"}) {
        const std::string control = std::string(name) == "Department" ? "cbDepartment" : "cbPerson";
        try {
            Ctl(control).SetValue(settings.Load(kSettingsKey, name));
        } catch (const Talvex::ValueError&) {
            Ctl(control).SetValue(Value(std::string()));
        }
    }
}

void frmDebtOfClients::SaveParams()
{
    Talvex::UserSettings settings(*book_);
    settings.Save(kSettingsKey, "BegDate", Value(m_BegDate));
    settings.Save(kSettingsKey, "EndDate", Value(m_EndDate));
    settings.Save(kSettingsKey, "Department", Value(m_Department));
    settings.Save(kSettingsKey, "Person", Value(m_Person));
}

// ---- fill

bool frmDebtOfClients::ReadParams()
{
    const Value beg = Ctl("edDateBeg").GetValue();
    const Value end = Ctl("edDateEnd").GetValue();
    Talvex::Ui::MessageBox box(*GetSession());
    auto refuse = [&box](const std::string& text) {
        box.Show(text, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
        return false;
    };
    if (!beg.IsDate()) return refuse("edDateBeg: enter the first month of the period.");
    if (!end.IsDate()) return refuse("edDateEnd: enter the last month of the period.");
    const Date begDate = beg.ToDate().FirstOfMonth();
    const Date endDate = end.ToDate().LastOfMonth();
    if (begDate > endDate) return refuse(ModuleFormRes().GetString(kPeriodReversed));
    if (const std::string tooLong = PeriodTooLong("edDateEnd", begDate, endDate); !tooLong.empty())
        return refuse(tooLong);
    m_BegDate = begDate;
    m_EndDate = endDate;
    m_Department = Ctl("cbDepartment").GetValue().ToText();
    m_Person = Ctl("cbPerson").GetValue().ToText();
    monthCount_ = MonthsInPeriod(m_BegDate, m_EndDate);
    return true;
}

std::shared_ptr<DataList> frmDebtOfClients::BuildSourceList() const
{
    CDebtByDoc debt;
    debt.Init(book_);
    Date startDate;
    const Value start = book_->Setting("StartDate");
    if (start.IsDate())
        startDate = start.ToDate();
    else if (!start.IsEmpty() && !start.IsNull() && !start.ToText().empty())
        startDate = Date::Parse(start.ToText());
    auto list = debt.CrSelByClient2("", direction_, startDate, m_EndDate, Date());

    // Each client with its managers, departments and display texts, worked out once per
    // client rather than once per term: joined to the terms as they stood in the list, the
    // outer joins and the texts were evaluated for every term again. A TOP that limits nothing
    // keeps the server from folding the client list back into the statement. A client with
    // two managers still has two rows, and its terms count under both.
    auto clnt = book_->CreateList("REFClient");
    clnt->Fields().SelectFields({});
    auto clntP = book_->CreateList("REFClientPerson");
    clntP->Fields().SelectFields({});
    auto stfM = book_->CreateList("REFStaffMember");
    stfM->Fields().SelectFields({});
    auto dep = book_->CreateList("REFDepartment");
    dep->Fields().SelectFields({});
    auto per = book_->CreateList("REFPerson");
    per->Fields().SelectFields({});
    clnt->Join(clntP, "ClntP", kManagerOn, 1);
    clnt->Join(stfM, "StfM", kStaffOn, 1);
    clnt->Join(dep, "Dep", kDepartmentOn, 1);
    clnt->Join(per, "Per", kPersonOn, 1);
    // The missing-value text goes into the statement as a literal.
    const std::string notGiven = NotGivenLiteral();
    auto& managerFields = clnt->Fields();
    managerFields.AddField("DepCode", Kind::kCode, "ISNULL(Dep.Code, '')");
    managerFields.AddField("PerCode", Kind::kCode, "ISNULL(Per.Code, '')");
    managerFields.AddField("ClnCode", Kind::kCode, "ISNULL(oTable.Code, '')");
    managerFields.AddField("Department", Kind::kLongText,
                           std::string("ISNULL(") + kDepartmentText + ", " + notGiven + ")");
    managerFields.AddField("Person", Kind::kLongText, std::string("ISNULL(") + kPersonText + ", " + notGiven + ")");
    managerFields.AddField("Client", Kind::kLongText, std::string("ISNULL(") + kClientText + ", " + notGiven + ")");
    clnt->SetTop(std::numeric_limits<int>::max());
    list->Join(clnt, "Mng", kClientOn);

    std::string filter = list->Filter();
    // A chosen department or manager narrows the list by the client list's codes, which for a
    // code that is not empty are the department's and the manager's own.
    if (!m_Department.empty())
        filter = SqlTools::AndFilter(filter,
                                     SqlTools::CondByName("Mng.DepCode", Kind::kCode, Op::kEqual, Value(m_Department)));
    if (!m_Person.empty())
        filter =
            SqlTools::AndFilter(filter, SqlTools::CondByName("Mng.PerCode", Kind::kCode, Op::kEqual, Value(m_Person)));
    list->SetFilter(filter);

    auto& fields = list->Fields();
    for (const char* dropped : {"Summa", "CurrencyCode", "RestPaySum", "Client"})
        if (fields.ExistsField(dropped)) fields.Remove(dropped);
    // The document's own columns as the pay-term state keeps them: the writes that change a
    // document keep its state's copy equal, so the document table is not read again per term.
    fields.AddField("DocTypeCode", Kind::kCode, "Doc.DocTypeCode");
    fields.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    fields.AddField("Number", Kind::kText, "Doc.Number");
    fields.AddField("CurrencyCode", Kind::kCode, "Doc.CurrencyCode");
    fields.AddField("Summa", Kind::kAmount, "Doc.DocSumma");
    fields.AddField("ParentID", Kind::kId, "Doc.ParentID");
    // No ordering here: OrderSource puts the rows in the report's order.
    list->OrderBy("");
    return list;
}

void frmDebtOfClients::UseParameters(std::shared_ptr<Talvex::Book> book, Date begDate, Date endDate, long direction)
{
    if (!book) throw Talvex::ValueError("frmDebtOfClients: no Book");
    book_ = std::move(book);
    m_BegDate = begDate.FirstOfMonth();
    m_EndDate = endDate.LastOfMonth();
    m_Department.clear();
    m_Person.clear();
    direction_ = direction;
}

DebtTextRanks frmDebtOfClients::TextRanks() const
{
    const auto rs = book_->Db().Query(TextOrderSql());
    DebtTextRanks ranks;
    ranks.reserve(rs.rows.size());
    for (const auto& row : rs.rows)
        if (!row.at(0).IsNull()) ranks.emplace(row.at(0).ToText(), ranks.size());
    return ranks;
}

void frmDebtOfClients::OrderSource(Recordset& source) const
{
    if (source.RecordCount() == 0) return;
    const DebtTextRanks ranks = TextRanks();
    const SourceFields fields = FieldsOf(source);
    const auto& stored = source.ViewRows();
    // Terms of one client mostly come together, so the last text's rank usually serves again.
    struct LastRank {
        std::string text;
        std::size_t rank = 0;
        bool known = false;
    };
    auto rankOf = [&](std::size_t row, std::size_t field, LastRank& last) {
        const Value& value = source.StoredValue(row, field);
        const std::string* text = std::get_if<std::string>(&value.Raw());
        const std::string converted = text ? std::string() : value.ToText();
        const std::string& key = text ? *text : converted;
        if (!last.known || last.text != key) {
            last.rank = DebtTextRank(ranks, key);
            last.text = key;
            last.known = true;
        }
        return last.rank;
    };
    LastRank department, person, client;
    std::vector<DebtOrderKey> keys;
    keys.reserve(stored.size());
    for (std::size_t row : stored) {
        DebtOrderKey key;
        key.department = rankOf(row, fields.department, department);
        key.person = rankOf(row, fields.person, person);
        key.client = rankOf(row, fields.client, client);
        const Value& date = source.StoredValue(row, fields.documentDate);
        if (!date.IsNull()) key.documentDate = date.ToDate();
        keys.push_back(key);
    }
    std::vector<std::size_t> order;
    order.reserve(stored.size());
    for (std::size_t position : DebtSourceOrder(keys))
        order.push_back(stored[position]);
    source.SetOrder(std::move(order));
}

void frmDebtOfClients::btFillList_Click()
{
    try {
        if (!ReadParams()) return;
        auto list = BuildSourceList();
        long owner = -1;
        RefreshWithWait(*list, owner);
        if (!list->IsFilled()) return; // the failure was reported
        rsSource_ = list->Recordset();
        OrderSource(*rsSource_);
        sourceFields_ = FieldsOf(*rsSource_);
        fill_ = std::make_unique<DebtOfClientsFill>(m_BegDate, m_EndDate);
        rows_.clear();

        auto& grid = ListCtl(kList);
        grid.SetRowSource(nullptr);
        Talvex::Ui::ProgressRunner runner(*GetSession());
        runner.Run(*this);
        grid.Refresh();
        SetReportControls(grid.RowCount() > 0);
        SaveParams();
    } catch (...) {
        ReportError();
    }
}

std::string frmDebtOfClients::Caption()
{
    return ModuleFormRes().GetString(kProgressCaption);
}

long frmDebtOfClients::CountStep()
{
    R_ = rsSource_ ? static_cast<long>(rsSource_->ViewRows().size()) : 0;
    T_ = static_cast<long>(static_cast<double>(R_) * 0.1);
    return R_ + T_ + 2;
}

frmDebtOfClients::SourceFields frmDebtOfClients::FieldsOf(Recordset& source)
{
    auto index = [&](const char* name) { return source.Fields().Item(name).Index(); };
    return {index("Department"), index("Person"),  index("Client"),       index("DepCode"),
            index("PerCode"),    index("ClnCode"), index("DocumentDate"), index("AccNeedPaySum")};
}

DebtOfClientsSourceRow frmDebtOfClients::ReadSourceRow(const Recordset& source, const SourceFields& fields,
                                                       std::size_t storedRow)
{
    auto text = [&](std::size_t field) {
        const Value& v = source.StoredValue(storedRow, field);
        return v.IsNull() ? std::string() : v.ToText();
    };
    DebtOfClientsSourceRow row;
    row.department = text(fields.department);
    row.person = text(fields.person);
    row.client = text(fields.client);
    row.depCode = text(fields.depCode);
    row.perCode = text(fields.perCode);
    row.clnCode = text(fields.clnCode);
    const Value& date = source.StoredValue(storedRow, fields.documentDate);
    if (!date.IsNull()) row.documentDate = date.ToDate();
    const Value& sum = source.StoredValue(storedRow, fields.accNeedPaySum);
    if (!sum.IsNull()) row.accNeedPaySum = sum.ToCurrency();
    return row;
}

// The steps of the run: the first tenth only moves the bar, then one source row each into
// the fill, then the rows the fill gives, then the grid.
bool frmDebtOfClients::Step(long index)
{
    if (index <= T_) return true;
    if (index <= T_ + R_) {
        const auto position = static_cast<std::size_t>(index - T_ - 1);
        fill_->Add(ReadSourceRow(*rsSource_, sourceFields_, rsSource_->ViewRows()[position]));
        return true;
    }
    if (index == T_ + R_ + 1) {
        rows_ = fill_->Finish();
        return true;
    }
    BindResult();
    return true;
}

// The grid shows the fill's rows as they stand.
void frmDebtOfClients::BindResult()
{
    std::vector<std::string> columns{"Department", "Person",    "Client",  "DepCode", "PerCode",
                                     "ClnCode",    "TotalSumm", "BegRest", "RowType"};
    for (int i = 0; i < monthCount_; ++i)
        columns.push_back(DebtMonthColumn(i));
    auto table = std::make_shared<Talvex::Ui::TableRowSource>(columns);
    for (const auto& row : rows_) {
        std::vector<Value> cells{
            Value(row.department), Value(row.person),  Value(row.client),
            Value(row.depCode),    Value(row.perCode), Value(row.clnCode),
            Value(row.totalSumm),  Value(row.begRest), Value(static_cast<std::int64_t>(row.rowType))};
        for (const auto& month : row.months)
            cells.emplace_back(month);
        table->AddRow(std::move(cells));
    }
    ListCtl(kList).SetRowSource(table);
}

// ---- display

void frmDebtOfClients::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    const auto& res = ModuleFormRes();
    list.DeclareField("Department", res.GetString(kDepartmentCaption));
    list.DeclareField("Person", res.GetString(kPersonCaption));
    list.DeclareField("Client", res.GetString(kClientCaption));
    list.DeclareField("TotalSumm", res.GetString(kTotalCaption), kMoney);
    list.DeclareField("BegRest", res.GetString(kBegRestCaption), kMoney);
    list.DeclareField("RowType", "", "", false);
    list.DeclareField("DepCode", "", "", false);
    list.DeclareField("PerCode", "", "", false);
    list.DeclareField("ClnCode", "", "", false);
    const bool sameYear = m_BegDate.Year() == m_EndDate.Year();
    for (int i = 0; i < monthCount_; ++i)
        list.DeclareField(
            DebtMonthColumn(i),
            Talvex::Ui::DisplayFormat::Apply(Value(m_BegDate.AddMonthsClamped(i)), sameYear ? "mm" : "yyyy/mm"),
            kMoney);
}

void frmDebtOfClients::mLocalList_OnAddColumn(EventArgs& args)
{
    // A client, manager or department cell opens its card by the code kept beside it.
    static constexpr std::array<std::array<const char*, 3>, 3> kCards{{
        {"Client", "REFClient", "ClnCode"},
        {"Person", "REFPerson", "PerCode"},
        {"Department", "REFDepartment", "DepCode"},
    }};
    for (const auto& [column, reference, code] : kCards) {
        if (args.gridColumn->name != column) continue;
        args.gridColumn->cardReference = reference;
        args.gridColumn->cardCodeColumn = code;
    }
}

void frmDebtOfClients::mLocalList_OnRefresh(EventArgs& args)
{
    // The grid shows the result set, not the host list.
    args.filter = "oTable.IDC = 0";
}

void frmDebtOfClients::mLocalList_AfterRefresh()
{
    try {
        auto& grid = ListCtl(kList);
        grid.ClearFooters();
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const long rowType = static_cast<long>(grid.Cell(row, "RowType").ToInteger());
            if (rowType == kDepartmentRow) grid.SetRowStyle(row, "DepartmentRow");
            if (rowType == kPersonRow) grid.SetRowStyle(row, "PersonRow");
            if (rowType == kGrandTotalRow) {
                grid.SetFooter("BegRest", Value(grid.Cell(row, "BegRest").ToCurrency().RoundHalfAwayFromZero(2)));
                grid.SetFooter("TotalSumm", Value(grid.Cell(row, "TotalSumm").ToCurrency().RoundHalfAwayFromZero(2)));
                for (int i = 0; i < monthCount_; ++i)
                    grid.SetFooter(DebtMonthColumn(i),
                                   Value(grid.Cell(row, DebtMonthColumn(i)).ToCurrency().RoundHalfAwayFromZero(2)));
            }
        }
        ApplyPersonFilter();
    } catch (...) {
        ReportError();
    }
}

void frmDebtOfClients::chTotalByPerson_Click()
{
    try {
        ApplyPersonFilter();
    } catch (...) {
        ReportError();
    }
}

void frmDebtOfClients::ApplyPersonFilter()
{
    auto& grid = ListCtl(kList);
    if (Ctl("chTotalByPerson").GetValue().ToInteger() == 1) {
        grid.ClearRowFilter();
        return;
    }
    grid.SetRowFilter(
        [](const Talvex::Ui::Grid& g, std::size_t row) { return g.Cell(row, "RowType").ToInteger() != kPersonRow; });
}

void frmDebtOfClients::SetReportControls(bool enabled)
{
    Ctl("btDocList").SetEnabled(enabled);
    Ctl("btUsePrint").SetEnabled(enabled);
    Ctl("chTotalByPerson").SetEnabled(enabled);
}

void frmDebtOfClients::btUsePrint_Click()
{
    try {
        Talvex::Ui::GridPrinter(*GetSession())
            .Print(ListCtl(kList),
                   Form::Caption() + ": " + Value(m_BegDate).ToText() + " - " + Value(m_EndDate).ToText());
    } catch (...) {
        ReportError();
    }
}

// ---- drill-down

void frmDebtOfClients::btDocList_Click()
{
    try {
        auto& grid = ListCtl(kList);
        if (grid.CurrentRow() < 0) return;
        OpenDocList(grid.CurrentRow(), grid.CurrentColumnName());
    } catch (...) {
        ReportError();
    }
}

void frmDebtOfClients::grdList_DblClick(long row, const std::string& column)
{
    try {
        if (row < 0) return;
        OpenDocList(row, column);
    } catch (...) {
        ReportError();
    }
}

frmDebtOfClients::DrillRange frmDebtOfClients::RangeOf(const std::string& column) const
{
    if (column == "BegRest") return {Date(), m_BegDate.AddDays(-1)};
    for (int i = 0; i < monthCount_; ++i) {
        if (column == DebtMonthColumn(i)) {
            const Date first = m_BegDate.AddMonthsClamped(i);
            return {first, first.LastOfMonth()};
        }
    }
    return {Date(), Date()};
}

// The documents of a cell are the fill's source rows behind it, shown as a view of the list.
std::shared_ptr<Recordset> frmDebtOfClients::CellDocuments(long row, std::string_view column) const
{
    if (!rsSource_ || !fill_) throw Talvex::ValueError("frmDebtOfClients: the list has not been filled");
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        throw Talvex::ValueError("frmDebtOfClients: the grid has no row " + std::to_string(row));
    const auto& view = rsSource_->ViewRows();
    std::vector<std::int64_t> bookmarks;
    for (std::size_t position : fill_->CellSources(rows_[static_cast<std::size_t>(row)], column))
        bookmarks.push_back(static_cast<std::int64_t>(view[position]) + 1);
    auto documents = rsSource_->Clone();
    documents->SetFilter(bookmarks);
    return documents;
}

void frmDebtOfClients::OpenDocList(long row, const std::string& column)
{
    auto documents = CellDocuments(row, column);
    auto& grid = ListCtl(kList);
    const auto r = static_cast<std::size_t>(row);
    const DrillRange range = RangeOf(column);

    auto params = std::make_shared<Talvex::FieldList>();
    params->Add("Book", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(book_)));
    params->Add("Department", Kind::kLongText, grid.Cell(r, "Department"));
    params->Add("Person", Kind::kLongText, grid.Cell(r, "Person"));
    params->Add("Client", Kind::kLongText, grid.Cell(r, "Client"));
    // The header shows the dates the documents were chosen by: a month's bounds, "up to the
    // day before the period" for BegRest (no first day), else the report's period.
    Value begDate(m_BegDate);
    Value endDate(m_EndDate);
    if (range.to != Date()) {
        begDate = range.from == Date() ? Value() : Value(range.from);
        endDate = Value(range.to);
    }
    params->Add("BegDate", Kind::kCode, begDate);
    params->Add("EndDate", Kind::kCode, endDate);
    params->Add("DataList", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(documents)));

    frmDebtDocList docList;
    Talvex::Ui::BaseDialog dialog;
    docList.Init(dialog, *params);
    dialog.Init(docList, nullptr, Value(std::shared_ptr<Talvex::Object>(params)));
    dialog.RunForm(false, false, this);
    dialog.UnloadForm();
}

} // namespace Quarn_DuzAde
