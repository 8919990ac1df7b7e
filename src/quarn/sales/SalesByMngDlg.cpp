#include "quarn/sales/SalesByMngDlg.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/SalesByMngDtlDlg.hpp"

#include <map>
#include <optional>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldType;
using Talvex::SqlOperator;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdList";
constexpr const char* kMoney = "#,##0.00";
constexpr long kDepartmentText = 15012;
constexpr long kPersonText = 15527;
constexpr long kPeriodReversed = 457;
constexpr long kWrongDates = 27133;

// A kind of document that enters the figures: its type, alias, the link of its rows to the
// invoice rows they return or discount ("" for the sales themselves).
struct DocumentKind {
    const char* type;
    const char* alias;
    const char* linkKind;
};

constexpr DocumentKind kKinds[] = {
    {"PRSF", "oTable", ""},
    {"GPG", "RetOrd", "GR"},
    {"PRSD", "DscDoc", "DC"},
    {"SCN", "DscDoc2", ""},
};

// The row's sum, signed: a sale as it stands; a return or discount takes away its own sum in
// the share its link holds of the row, nothing when the invoice row it is linked to has no
// quantity, and its whole sum when it is linked to no invoice row at all.
std::string SignedSum(const DocumentKind& kind, const std::string& net)
{
    if (*kind.linkKind == '\0') return net;
    return "-(CASE WHEN GCont.IDC IS NULL THEN " + net +
           " WHEN Inv.AmountAccount = 0 OR gs.AmountAccount = 0 THEN 0 ELSE " + net +
           " * GCont.AmountAccount / gs.AmountAccount END)";
}

void JoinTo(Talvex::DataList& list, Talvex::Book& book, const std::string& table, const std::string& alias,
            const std::string& on, int outer = 1)
{
    auto joined = book.CreateList(table);
    joined->Fields().SelectFields({});
    list.Join(joined, alias, on, outer);
}

std::shared_ptr<Talvex::DataList> KindList(const std::shared_ptr<Talvex::Book>& book, const DocumentKind& kind,
                                           Date begDate, Date endDate)
{
    Talvex::Book& b = *book;
    auto list = b.CreateList("THDocument");
    list->SetAlias(kind.alias);
    list->Fields().SelectFields({"DocTypeCode", "IDC", "Number", "DocumentDate", "CurrencyCode"});
    JoinTo(*list, b, "THGoodSpec", "gs", "oTable.IDC = gs.DocID", 0);
    JoinTo(*list, b, std::string("THGoodSpec") + kind.type, "sf", "oTable.IDC = sf.DocId and gs.PosNumb = sf.PosNumb");
    if (*kind.linkKind != '\0') {
        JoinTo(*list, b, "THGoodContent", "GCont",
               "GCont.SpecID = gs.IDC AND GCont.LinkKindCode = '" + std::string(kind.linkKind) + "'");
        JoinTo(*list, b, "THGoodSpec", "Inv", "Inv.IDC = GCont.CorSpecID");
    }
    JoinTo(*list, b, "THDocument", "Prnt", "oTable.ParentID = Prnt.IDC");
    JoinTo(*list, b, "THDocument", "PPDoc", "Prnt.ParentID = PPDoc.IDC");
    JoinTo(*list, b, "RefDepartment", "Dpt",
           "COALESCE(PPDoc.Department, Prnt.Department, oTable.Department) = Dpt.Code");
    JoinTo(*list, b, "RefPerson", "Prs", "COALESCE(PPDoc.Author, Prnt.Author, oTable.Author) = Prs.UserID");
    JoinTo(*list, b, "THPartyAttribute", "P", "P.DocID = oTable.IDC AND P.RolePartyCode = 'PIR'");
    JoinTo(*list, b, "RefClient", "Cl", "P.PartyCode = Cl.Code");
    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "CurrencyCode");

    auto& f = list->Fields();
    f.AddField("BillIDC", FieldType::kId, "ISNULL(Prnt.IDC, 0)");
    f.AddField("Code", FieldType::kText,
               "ISNULL(Prnt.DocTypeCode+':'+CONVERT(CHAR(10),Prnt.DocumentDate,102)+':'+Prnt.Number, '')");
    f.AddField("DepCode", FieldType::kCode, "ISNULL(Dpt.Code, '')");
    f.AddField("DepName", FieldType::kText, "ISNULL(Dpt.Name, '')");
    f.AddField("PersonCode", FieldType::kCode, "ISNULL(Prs.Code, '')");
    f.AddField("PersonName", FieldType::kText, "ISNULL(Prs.FirstName, '') + ' ' + ISNULL(Prs.LastName, '')");
    f.AddField("IsSubsidiary", FieldType::kFlag, "CASE WHEN Cl.IsSubsidiary = 1 THEN 1 ELSE 0 END");
    f.AddField("ClientCode", FieldType::kCode, "ISNULL(Cl.Code, '')");
    f.AddField("ClientName", FieldType::kText, "ISNULL(Cl.Name, '')");
    f.AddField("Summa", FieldType::kAmount,
               rates.ConvertExpr("CurrencyCode", SignedSum(kind, "(gs.Summa - ISNULL(sf.SummVAT, 0))")));
    f.AddField("SummVAT", FieldType::kAmount,
               rates.ConvertExpr("CurrencyCode", SignedSum(kind, "ISNULL(sf.SummVAT, 0)")));

    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.DocTypeCode", FieldType::kCode, SqlOperator::kEqual, Value(kind.type)),
         "oTable.IsPosted = 1",
         SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, SqlOperator::kBetween, Value(begDate),
                              Value(endDate))}));
    return list;
}

} // namespace

SalesByMngDlg::SalesByMngDlg() : Form("SalesByMngDlg", "Pardavimai pagal padalinius ir vadybininkus")
{
    Add(ControlKind::DateBox, "edDateBeg", "Nuo");
    Add(ControlKind::DateBox, "edDateEnd", "Iki");
    Add(ControlKind::Button, "btFillList", "Fill");
    Add(ControlKind::Button, "btDocList", "Documents");
    Add(ControlKind::Button, "btUsePrint", "Print");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    AddLocalList(kList).AddMenuItem("DocList", "Documents");

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btFillList", "Click", [this](EventArgs&) { btFillList_Click(); });
    On("btDocList", "Click", [this](EventArgs&) { btDocList_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "DblClick", [this](EventArgs&) { btDocList_Click(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) {
        if (args.key == "DocList") btDocList_Click();
    });
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "AfterRefresh", [this](EventArgs&) { mLocalList_AfterRefresh(); });
}

SalesByMngDlg::~SalesByMngDlg() = default;

void SalesByMngDlg::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = std::dynamic_pointer_cast<Talvex::Book>(param.Item("Book").GetValue().ToObject());
    if (!book_) throw Talvex::ValueError("SalesByMngDlg: the parameter \"Book\" holds no Book");
    const Date today = book_->Today();
    begDate_ = today.FirstOfMonth();
    endDate_ = today;
    if (param.ExistsField("BegDate"))
        if (auto d = ControlDate(param.Item("BegDate").GetValue())) begDate_ = *d;
    if (param.ExistsField("EndDate"))
        if (auto d = ControlDate(param.Item("EndDate").GetValue())) endDate_ = *d;
}

void SalesByMngDlg::mBaseDlg_BeforeLoadHandling()
{
    Ctl("edDateBeg").SetValue(Value(begDate_));
    Ctl("edDateEnd").SetValue(Value(endDate_));
}

std::shared_ptr<Talvex::DataList> SalesByMngDlg::CrListSel(const std::shared_ptr<Talvex::Book>& book, Date begDate,
                                                           Date endDate)
{
    auto main = KindList(book, kKinds[0], begDate, endDate);
    for (std::size_t i = 1; i < std::size(kKinds); ++i)
        main->Union(KindList(book, kKinds[i], begDate, endDate), kKinds[i].alias, true);
    return main;
}

std::vector<SalesByMngRow> SalesByMngDlg::FetchRows(const std::shared_ptr<Talvex::Book>& book, Date begDate,
                                                    Date endDate)
{
    auto list = CrListSel(book, begDate, endDate);
    list->Refresh();
    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t type = at("DocTypeCode"), idc = at("IDC"), number = at("Number"), date = at("DocumentDate"),
                      bill = at("BillIDC"), code = at("Code"), depCode = at("DepCode"), depName = at("DepName"),
                      personCode = at("PersonCode"), personName = at("PersonName"), subsidiary = at("IsSubsidiary"),
                      clientCode = at("ClientCode"), clientName = at("ClientName"), summa = at("Summa"),
                      summVat = at("SummVAT");
    std::vector<SalesByMngRow> rows;
    rows.reserve(rs->ViewRows().size());
    for (const std::size_t r : rs->ViewRows()) {
        SalesByMngRow row;
        row.docTypeCode = StoredText(*rs, r, type);
        row.idc = rs->StoredValue(r, idc).ToInteger();
        row.number = StoredText(*rs, r, number);
        row.documentDate = rs->StoredValue(r, date).ToDate();
        row.billIdc = rs->StoredValue(r, bill).ToInteger();
        row.billCode = StoredText(*rs, r, code);
        row.depCode = StoredText(*rs, r, depCode);
        row.depName = StoredText(*rs, r, depName);
        row.personCode = StoredText(*rs, r, personCode);
        row.personName = StoredText(*rs, r, personName);
        row.isSubsidiary = rs->StoredValue(r, subsidiary).ToInteger() == 1;
        row.clientCode = StoredText(*rs, r, clientCode);
        row.clientName = StoredText(*rs, r, clientName);
        if (const Value& v = rs->StoredValue(r, summa); !v.IsNull()) row.summa = v.ToCurrency();
        if (const Value& v = rs->StoredValue(r, summVat); !v.IsNull()) row.summVat = v.ToCurrency();
        rows.push_back(std::move(row));
    }
    return rows;
}

void SalesByMngDlg::btFillList_Click()
{
    try {
        const auto& res = ModuleFormRes();
        const auto beg = ControlDate(Ctl("edDateBeg").GetValue());
        const auto end = ControlDate(Ctl("edDateEnd").GetValue());
        if (!beg || !end) {
            const char* at = !beg ? "edDateBeg" : "edDateEnd";
            Ctl(at).SetRefusal(res.GetString(kWrongDates));
            Talvex::Ui::MessageBox().ShowSingle(std::string(Name()) + "." + at + ": " + res.GetString(kWrongDates),
                                                "Gerai", "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        if (*end < *beg) {
            Ctl("edDateEnd").SetRefusal(res.GetString(kPeriodReversed));
            Talvex::Ui::MessageBox().ShowSingle(Name() + ".edDateEnd: " + res.GetString(kPeriodReversed), "Gerai", "",
                                                Talvex::Ui::MessageKind::Refusal);
            return;
        }
        Ctl("edDateBeg").SetRefusal("");
        Ctl("edDateEnd").SetRefusal("");
        begDate_ = *beg;
        endDate_ = *end;
        rows_ = FetchRows(book_, begDate_, endDate_);
        lines_ = SalesByMngLines(rows_);
        BindResult();
        if (lines_.empty()) SayNothingToShow();
    } catch (...) {
        ReportError();
    }
}

void SalesByMngDlg::BindResult()
{
    auto table = std::make_shared<Talvex::Ui::TableRowSource>(std::vector<std::string>{
        "PosNumb", "Department", "DepCode", "Person", "PersonCode", "Summa", "SummVAT", "TotalSum"});
    for (const auto& line : lines_) {
        table->AddRow({Value(line.posNumb), Value(line.department),
                       line.depCode ? Value(*line.depCode) : Value(Talvex::Null{}), Value(line.person),
                       Value(line.personCode), Value(line.summa), Value(line.summVat), Value(line.totalSum)});
    }
    auto& list = ListCtl(kList);
    list.SetRowSource(table);
    list.Refresh();
}

void SalesByMngDlg::mLocalList_OnAddFields()
{
    const auto& res = ModuleFormRes();
    auto& list = ListCtl(kList);
    list.DeclareField("PosNumb", "", "", false);
    list.DeclareField("Department", res.GetString(kDepartmentText));
    list.DeclareField("DepCode", "", "", false);
    list.DeclareField("Person", res.GetString(kPersonText));
    list.DeclareField("PersonCode", "", "", false);
    list.DeclareField("Summa", "Sum without VAT", kMoney);
    list.DeclareField("SummVAT", "VAT", kMoney);
    list.DeclareField("TotalSum", "Sum with VAT", kMoney);
}

void SalesByMngDlg::mLocalList_AfterRefresh()
{
    try {
        auto& list = ListCtl(kList);
        Talvex::Currency summa, vat, total;
        for (const auto& line : lines_) {
            summa += line.summa;
            vat += line.summVat;
            total += line.totalSum;
        }
        list.SetFooter("Summa", Value(summa));
        list.SetFooter("SummVAT", Value(vat));
        list.SetFooter("TotalSum", Value(total));
    } catch (...) {
        ReportError();
    }
}

void SalesByMngDlg::btDocList_Click()
{
    try {
        auto& list = ListCtl(kList);
        if (list.CurrentRow() < 0 || lines_.empty()) return;
        OpenDocList(list.CurrentRow());
    } catch (...) {
        ReportError();
    }
}

void SalesByMngDlg::OpenDocList(long row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= lines_.size()) return;
    const SalesByMngLine& line = lines_[static_cast<std::size_t>(row)];
    auto params = std::make_shared<Talvex::FieldList>();
    params->Add("Book", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book_)));
    params->Add("Parent", FieldType::kText, Value(line.department + " / " + line.person));
    params->Add("DepCode", FieldType::kCode, line.depCode ? Value(*line.depCode) : Value(Talvex::Null{}));
    params->Add("PersonCode", FieldType::kCode, Value(line.personCode));

    SalesByMngDtlDlg docList;
    docList.SetDocuments(SalesByMngDocuments(rows_, line.depCode, line.personCode));
    Talvex::Ui::BaseDialog dialog;
    docList.Init(dialog, *params);
    dialog.Init(docList, nullptr, Value(std::shared_ptr<Talvex::Object>(params)));
    dialog.RunForm(false, false, this);
    dialog.UnloadForm();
}

void SalesByMngDlg::RegisterLayouts()
{
    auto& layouts = Talvex::Ui::ReportLayouts::Host();
    if (layouts.Has(kReportCode)) return;
    layouts.Register(Talvex::Ui::ReportLayout{
        kReportCode,
        "Sales by department and manager",
        {{"MyPlant", "Company", ""}, {"BegDate", "From", "yyyy-mm-dd"}, {"EndDate", "To", "yyyy-mm-dd"}},
        {{"Department", "Department", "", false},
         {"Person", "Manager", "", false},
         {"Summa", "Sum without VAT", kMoney, true},
         {"SummVAT", "VAT", kMoney, true},
         {"TotalSum", "Sum with VAT", kMoney, true}},
        kSubReportCode});
    layouts.Register(Talvex::Ui::ReportLayout{kSubReportCode,
                                              "Totals by department",
                                              {},
                                              {{"Department", "Department", "", false},
                                               {"Summa", "Sum without VAT", kMoney, true},
                                               {"SummVAT", "VAT", kMoney, true},
                                               {"TotalSum", "Sum with VAT", kMoney, true}},
                                              ""});
}

void SalesByMngDlg::btUsePrint_Click()
{
    try {
        if (lines_.empty()) {
            SayNothingToShow();
            return;
        }
        RegisterLayouts();
        auto body = std::make_shared<Talvex::Ui::TableRowSource>(
            std::vector<std::string>{"Department", "Person", "Summa", "SummVAT", "TotalSum"});
        for (const auto& line : lines_)
            body->AddRow({Value(line.department), Value(line.person), Value(line.summa), Value(line.summVat),
                          Value(line.totalSum)});
        auto departments = std::make_shared<Talvex::Ui::TableRowSource>(
            std::vector<std::string>{"Department", "Summa", "SummVAT", "TotalSum"});
        for (const auto& total : SalesByMngDepartmentTotals(lines_))
            departments->AddRow(
                {Value(total.groupComment), Value(total.summa), Value(total.summVat), Value(total.totalSum)});
        Talvex::Ui::PrintService(*GetSession())
            .Print(kReportCode,
                   {{"MyPlant", book_->Setting("CompanyName")},
                    {"BegDate", Value(begDate_)},
                    {"EndDate", Value(endDate_)}},
                   {body, departments});
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
