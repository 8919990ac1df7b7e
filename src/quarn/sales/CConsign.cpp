#include "quarn/sales/CConsign.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/PrintService.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/query/CSelectByDoc.hpp"
#include "quarn/query/CSelectByRef.hpp"
#include "quarn/sales/ConsignDlg.hpp"

#include <map>
#include <optional>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::Decimal;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

// The row's sum and quantity net of the returns to the vendor and of the discount documents.
constexpr const char* kNetSum = "(DSpec.Summa - ISNULL(Ret.Summa,0) - ISNULL(Dsc.Summa,0) + ISNULL(Dsc2.Summa,0))";
constexpr const char* kNetAmount =
    "(DSpec.AmountAccount - ISNULL(Ret.Amount,0) - ISNULL(Dsc.Amount,0) + ISNULL(Dsc2.Amount,0))";
constexpr long kSelectNode = 2;

std::shared_ptr<DataList> Bare(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

Decimal DecimalOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Decimal() : v.ToDecimal();
}

// "Client" and "Summa" of a list summed by client.
std::map<std::string, Currency> SumsByClient(DataList& list)
{
    list.Refresh();
    auto rs = list.Recordset();
    const std::size_t client = rs->Fields().Item("Client").Index(), summa = rs->Fields().Item("Summa").Index();
    std::map<std::string, Currency> sums;
    for (const std::size_t r : rs->ViewRows()) {
        const Value& v = rs->StoredValue(r, summa);
        if (!v.IsNull() && !v.IsEmpty()) sums[StoredText(*rs, r, client)] += v.ToCurrency();
    }
    return sums;
}

// The money columns of the vendor list, in order.
constexpr const char* kDebtMoneyColumns[] = {"DebtSum",    "Rest",  "RestForPay", "Sale",
                                             "SaleForPay", "Payed", "OverPayed",  "NeedPay"};
constexpr const char* kMoney = "#,##0.00";
// The client analytic of the ledger, and the document category of the payments.
constexpr const char* kClientAnalyt = "CL";
constexpr int kPaymentCategory = 2;
constexpr long kSelectOne = 3;

} // namespace

void CConsign::Init(std::shared_ptr<Talvex::Book> book)
{
    book_ = std::move(book);
}

bool CConsign::Run(Talvex::FieldList& inParams, Talvex::FieldList& /*outParams*/)
{
    try {
        auto book = GetBook(&inParams, false);
        Init(book);
        ConsignDlg form;
        Talvex::Ui::BaseDialog dialog;
        form.Init(dialog, inParams);
        dialog.Init(form, std::make_shared<Talvex::Erp::THDocumentObject>(book), Value());
        dialog.RunForm(false, false, nullptr);
        dialog.UnloadForm();
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

Talvex::Book& CConsign::BookChecked() const
{
    if (!book_) throw Talvex::ValueError("CConsign: no Book (Init was not called)");
    return *book_;
}

void CConsign::JoinAdjustments(DataList& list, const ConsignScope& scope) const
{
    const Date repDate = scope.repDate;
    CSelectByDoc byDoc;
    byDoc.Init(book_);
    const std::string byRow = " AND DSpec.PosNumb = ";
    list.JoinForConditions(byDoc.RetOrderSum("PISF", "PGA", "GR", {}, repDate), "Ret",
                           "DSpec.DocID = Ret.DocID" + byRow + "Ret.PosNumb", 1);
    list.JoinForConditions(byDoc.DiscountSum("PISF", "PISD", "DC", {}, repDate), "Dsc",
                           "DSpec.DocID = Dsc.DocID" + byRow + "Dsc.PosNumb", 1);
    list.JoinForConditions(byDoc.DiscountSum("PISF", "BCN", "DC", {}, repDate), "Dsc2",
                           "DSpec.DocID = Dsc2.DocID" + byRow + "Dsc2.PosNumb", 1);
    // What went back to the vendor is in Ret already; the fixation counts what was sold or used.
    // Its own log goes by "Fix" inside it, so the result joins as "Fixed".
    list.JoinForConditions(byDoc.InGoodFixRezult(scope.docTypes, "PGA", {}, repDate, scope.fixCatList), "Fixed",
                           "DSpec.DocID = Fixed.IDC" + byRow + "Fixed.PosNumb", 1);
    // A purchase with several terms is due by its last one.
    auto payTerms = BookChecked().CreateList("THDocumentPayTerm");
    payTerms->Fields().SelectFields({"DocID"});
    payTerms->Fields()
        .AddField("PayTerm", Kind::kInteger, "MAX(oTable.PayTerm)")
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
    list.JoinForConditions(payTerms, "PayT", "Doc.IDC = PayT.DocID", 1);
}

void CConsign::Restrict(DataList& list, const ConsignScope& scope) const
{
    std::vector<std::string> conds{
        SqlTools::CondByName("Doc.DocTypeCode", Kind::kCode, Op::kInList, Value(scope.docTypes)), "Doc.IsPosted = 1",
        SqlTools::CondByName("Doc.DocumentDate", Kind::kDate, Op::kNotGreater, Value(scope.repDate))};
    if (!scope.marketGroup.empty())
        conds.push_back(
            SqlTools::CondByName("Vendor.MarketGrCode", Kind::kCode, Op::kInList, Value(scope.marketGroup)));
    if (!scope.fixCatList.empty())
        conds.push_back(SqlTools::CondByName("DSpec.FixCategory", Kind::kCode, Op::kInList, Value(scope.fixCatList)));
    CSelectByRef byRef;
    byRef.InitBook(book_);
    if (!scope.client.empty()) {
        const std::string cond = byRef.FiltrByClients(list, "ClientByDoc.PartyCode", scope.client,
                                                      scope.clientIsGr ? kSelectNode : kSelectOne);
        if (!cond.empty()) conds.push_back(cond);
    }
    if (!scope.good.empty()) {
        const std::string cond = byRef.FiltrByTreeObj("REFGoodT", list, "DSpec.GoodCode", scope.good,
                                                      scope.goodIsGr ? kSelectNode : kSelectOne, "GoodT");
        if (!cond.empty()) conds.push_back(cond);
    }
    list.SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    if (!scope.clientGr.empty()) (void)byRef.FiltrByClients(list, "ClientByDoc.PartyCode", scope.clientGr, kSelectNode);
}

std::shared_ptr<DataList> CConsign::RowSource(const ConsignScope& scope) const
{
    Talvex::Book& book = BookChecked();
    auto list = Bare(book, "THGoodSpec");
    list->SetAlias("DSpec");
    list->Join(Bare(book, "THDocument"), "Doc", "Doc.IDC = DSpec.DocID");
    list->Join(Bare(book, "THPartyAttribute"), "ClientByDoc",
               "Doc.IDC = ClientByDoc.DocID AND ClientByDoc.RolePartyCode = 'PAR'");
    list->Join(Bare(book, "REFClient"), "Vendor", "ClientByDoc.PartyCode = Vendor.Code");
    {
        // The good ("Good") and its accounting unit ("GUnit"): the rest is in accounting units.
        CSelectByRef byRef;
        byRef.InitBook(book_);
        byRef.GoodAccUnit(*list, "DSpec.GoodCode");
    }

    JoinAdjustments(*list, scope);
    auto& f = list->Fields();
    f.AddField("DocCurrency", Kind::kCode, "Doc.CurrencyCode");
    f.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "DocCurrency");

    Restrict(*list, scope);

    f.AddField("Client", Kind::kCode, "ClientByDoc.PartyCode");
    f.AddField("ClientName", Kind::kText, "Vendor.Name");
    f.AddField("GoodCode", Kind::kCode, "DSpec.GoodCode");
    f.AddField("GoodName", Kind::kText, "ISNULL(Good.Name, '')");
    f.AddField("UnitCode", Kind::kCode, "ISNULL(GUnit.UnitCode, DSpec.UnitCode)");
    f.AddField("NetSum", Kind::kAmount, rates.ConvertExpr("DocCurrency", kNetSum));
    f.AddField("NetAmount", Kind::kQuantity, kNetAmount);
    f.AddField("GrossAmount", Kind::kQuantity, "DSpec.AmountAccount");
    f.AddField("FixedAmount", Kind::kQuantity, "ISNULL(Fixed.Amount,0)");
    f.AddField("PayTerm", Kind::kInteger, "PayT.PayTerm");
    f.AddField("DocID", Kind::kId, "DSpec.DocID");
    f.AddField("PosNumb", Kind::kInteger, "DSpec.PosNumb");
    if (scope.withPurchaseCode)
        f.AddField("IncDocCode", Kind::kText,
                   "Doc.DocTypeCode+':'+CONVERT(CHAR(10),Doc.DocumentDate,102)+':'+Doc.Number");
    list->OrderBy("ClientByDoc.PartyCode, DSpec.GoodCode, DSpec.DocID, DSpec.PosNumb");
    return list;
}

std::vector<ConsignSourceRow> CConsign::ReadRows(const std::string& docTypes, Date repDate,
                                                 const std::string& marketGroup, const std::string& clientGr,
                                                 const std::string& sFixCatList) const
{
    ConsignScope scope;
    scope.docTypes = docTypes;
    scope.repDate = repDate;
    scope.marketGroup = marketGroup;
    scope.clientGr = clientGr;
    scope.fixCatList = sFixCatList;
    return ReadScope(scope);
}

std::vector<ConsignSourceRow> CConsign::ReadScope(const ConsignScope& scope) const
{
    auto list = RowSource(scope);
    list->Refresh();
    auto rs = list->Recordset();
    auto& f = rs->Fields();
    const auto at = [&](const char* name) { return f.Item(name).Index(); };
    const std::size_t client = at("Client"), clientName = at("ClientName"), good = at("GoodCode"),
                      goodName = at("GoodName"), unit = at("UnitCode"), netSum = at("NetSum"),
                      netAmount = at("NetAmount"), gross = at("GrossAmount"), fixed = at("FixedAmount"),
                      payTerm = at("PayTerm"), date = at("DocumentDate"), docId = at("DocID"), posNumb = at("PosNumb");
    // Past the last column when the purchase's code is not read.
    const std::size_t incDocCode = scope.withPurchaseCode ? at("IncDocCode") : f.Count();
    std::vector<ConsignSourceRow> rows;
    rows.reserve(rs->ViewRows().size());
    for (const std::size_t r : rs->ViewRows()) {
        ConsignSourceRow row;
        row.client = StoredText(*rs, r, client);
        row.clientName = StoredText(*rs, r, clientName);
        row.goodCode = StoredText(*rs, r, good);
        row.goodName = StoredText(*rs, r, goodName);
        row.unitCode = StoredText(*rs, r, unit);
        row.netSum = DecimalOf(rs->StoredValue(r, netSum));
        row.netAmount = DecimalOf(rs->StoredValue(r, netAmount));
        row.grossAmount = DecimalOf(rs->StoredValue(r, gross));
        row.fixedAmount = DecimalOf(rs->StoredValue(r, fixed));
        const Value& term = rs->StoredValue(r, payTerm);
        if (!term.IsNull() && !term.IsEmpty()) row.payTerm = static_cast<long>(term.ToInteger());
        row.docDate = rs->StoredValue(r, date).ToDate();
        row.docId = rs->StoredValue(r, docId).ToInteger();
        row.posNumb = static_cast<long>(rs->StoredValue(r, posNumb).ToInteger());
        if (scope.withPurchaseCode) row.incDocCode = StoredText(*rs, r, incDocCode);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::shared_ptr<Talvex::Data::Recordset> CConsign::RestList(const std::vector<VendorGoodRest>& rest, bool detail) const
{
    std::map<std::string, std::string> names;
    {
        auto clients = BookChecked().CreateList("REFClient");
        clients->Fields().SelectFields({"Code", "Name"});
        clients->Refresh();
        auto rs = clients->Recordset();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            names[rs->Fields().Item("Code").Value().ToText()] = rs->Fields().Item("Name").Value().ToText();
    }
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    auto& fields = rs->Fields();
    fields.Append("Code", DataTypeEnum::VarChar, 20);
    fields.Append("Name", DataTypeEnum::VarChar, 200);
    fields.Append("GoodCode", DataTypeEnum::VarChar, 30);
    fields.Append("GoodName", DataTypeEnum::VarChar, 200);
    fields.Append("UnitCode", DataTypeEnum::VarChar, 10);
    fields.Append("Rest", DataTypeEnum::Currency);
    fields.Append("RestAmount", DataTypeEnum::Numeric);
    fields.Append("RestForPayAmount", DataTypeEnum::Numeric);
    if (detail) {
        fields.Append("DocID", DataTypeEnum::Integer);
        fields.Append("PosNumb", DataTypeEnum::Integer);
        fields.Append("IncDocCode", DataTypeEnum::VarChar, 60);
    }
    rs->Open();
    for (const auto& r : rest) {
        rs->AddNew();
        fields.Item("Code").SetValue(Value(r.client));
        fields.Item("Name").SetValue(Value(names[r.client]));
        fields.Item("GoodCode").SetValue(Value(r.goodCode));
        fields.Item("GoodName").SetValue(Value(r.goodName));
        fields.Item("UnitCode").SetValue(Value(r.unitCode));
        fields.Item("Rest").SetValue(Value(r.rest));
        // Quantities as written, without trailing zeros (20, 2.5), as the other reports show them.
        fields.Item("RestAmount").SetValue(Value(r.restAmount.Normalized()));
        fields.Item("RestForPayAmount").SetValue(Value(r.restForPayAmount.Normalized()));
        if (detail) {
            fields.Item("DocID").SetValue(Value(r.docId));
            fields.Item("PosNumb").SetValue(Value(static_cast<std::int64_t>(r.posNumb)));
            fields.Item("IncDocCode").SetValue(Value(r.incDocCode));
        }
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

std::shared_ptr<Talvex::Data::Recordset> CConsign::RestByVendor(Date repDate, const std::string& marketGroup,
                                                                const std::string& clientGr,
                                                                const std::string& sFixCatList) const
{
    return RestList(RestByVendorFill(ReadRows("PISF", repDate, marketGroup, clientGr, sFixCatList), repDate), false);
}

std::shared_ptr<Talvex::Data::Recordset> CConsign::RestByVendorExt(Date repDate, const std::string& sGood,
                                                                   bool bGoodIsGr, const std::string& sClient,
                                                                   bool bClientIsGr, const std::string& sFixCatList,
                                                                   bool bDetail) const
{
    ConsignScope scope;
    scope.docTypes = "PISF,MFC,GPG";
    scope.repDate = repDate;
    scope.good = sGood;
    scope.goodIsGr = bGoodIsGr;
    scope.client = sClient;
    scope.clientIsGr = bClientIsGr;
    scope.fixCatList = sFixCatList;
    scope.withPurchaseCode = bDetail;
    return RestList(RestByVendorFill(ReadScope(scope), repDate, bDetail), bDetail);
}

std::map<std::string, Currency> CConsign::VendorCredit(Date repDate) const
{
    Talvex::Book& book = BookChecked();
    // The indicator's own account and analytic: its statement is read for them alone, which
    // is what the indicator source gives for it without working out every other account.
    auto indicator = book.CreateList("GLIndicator");
    indicator->Fields().SelectFields({"AccSetCode", "AccCode", "AnalytTypeCode"});
    indicator->SetFilter(SqlTools::CondByName("oTable.Code", Kind::kCode, Op::kEqual, Value(kVendorDebtIndicator)));
    indicator->Refresh();
    auto ind = indicator->Recordset();
    if (ind->RecordCount() == 0)
        throw Talvex::ValueError(std::string("DebtByVendor: the ledger has no indicator ") + kVendorDebtIndicator);
    ind->MoveFirst();
    auto debt = book.CreateList("GLAnalytStatementD");
    debt->SetAlias("Debt");
    auto& p = debt->Params();
    p.Item("DateFrom").SetValue(Value(repDate));
    p.Item("DateTo").SetValue(Value(repDate));
    p.Item("AccSetCode").SetValue(ind->Fields().Item("AccSetCode").Value());
    p.Item("Code").SetValue(ind->Fields().Item("AccCode").Value());
    p.Item("AnalytTypeCode").SetValue(ind->Fields().Item("AnalytTypeCode").Value());
    debt->Fields().SelectFields({});
    debt->Fields().AddField("Client", Kind::kCode, "Debt.AnalytObjectCode");
    debt->Fields()
        .AddField("Summa", Kind::kAmount, "SUM(Debt.OutcomeSaldo)")
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
    return SumsByClient(*debt);
}

std::map<std::string, Currency> CConsign::VendorPayments(Date repDate) const
{
    Talvex::Book& book = BookChecked();
    auto post = Bare(book, "GLAccountPost");
    post->SetAlias("Post");
    post->Join(Bare(book, "GLAccountParent"), "AccT",
               "AccT.AccSetCode = Post.AccSetCode AND AccT.Code = Post.DebetAccCode AND " +
                   SqlTools::CondByName("AccT.Parent", Kind::kCode, Op::kEqual, Value(kVendorAccount)));
    post->Join(Bare(book, "GLAnalytPost"), "An",
               "Post.IDC = An.AccPostID AND An.IsDebet = 1 AND " +
                   SqlTools::CondByName("An.AnalytTypeCode", Kind::kCode, Op::kEqual, Value(kClientAnalyt)));
    post->Join(Bare(book, "THDocument"), "Doc", "Post.DocId = Doc.IDC");
    post->Join(Bare(book, "THDocType"), "Dt", "Doc.DocTypeCode = Dt.Code");
    post->Fields().AddField("Client", Kind::kCode, "An.AnalytObjectCode");
    post->Fields()
        .AddField("Summa", Kind::kAmount, "SUM(Post.SumAcc)")
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
    post->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("Post.AccSetCode", Kind::kCode, Op::kEqual, book.Setting("AccSetCode")),
         "Post.IsPosted = 1", SqlTools::CondByName("Post.DatePost", Kind::kDate, Op::kNotGreater, Value(repDate)),
         "Dt.Category = " + std::to_string(kPaymentCategory)}));
    return SumsByClient(*post);
}

std::vector<VendorDebt> CConsign::DebtByVendorRows(Date repDate, const std::string& marketGroup,
                                                   const std::string& clientGr, const std::string& sFixCatList) const
{
    const auto rows = ReadRows("PISF", repDate, marketGroup, clientGr, sFixCatList);
    if (rows.empty()) return {};
    return DebtByVendorFill(rows, VendorCredit(repDate), VendorPayments(repDate), repDate);
}

std::shared_ptr<Talvex::Data::Recordset> CConsign::DebtByVendor(Date repDate, const std::string& marketGroup,
                                                                const std::string& clientGr, bool bFillList,
                                                                const std::string& sFixCatList) const
{
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    auto& fields = rs->Fields();
    fields.Append("VendCode", DataTypeEnum::VarChar, 20);
    fields.Append("VendName", DataTypeEnum::VarChar, 200);
    for (const char* money : kDebtMoneyColumns)
        fields.Append(money, DataTypeEnum::Currency);
    rs->Open();
    if (!bFillList) return rs;
    for (const VendorDebt& d : DebtByVendorRows(repDate, marketGroup, clientGr, sFixCatList)) {
        rs->AddNew();
        fields.Item("VendCode").SetValue(Value(d.vendCode));
        fields.Item("VendName").SetValue(Value(d.vendName));
        const Currency money[] = {d.debtSum,    d.rest,  d.restForPay, d.sale,
                                  d.saleForPay, d.payed, d.overPayed,  d.needPay};
        for (std::size_t i = 0; i < std::size(kDebtMoneyColumns); ++i)
            fields.Item(kDebtMoneyColumns[i]).SetValue(Value(money[i]));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

void CConsign::RegisterLayout()
{
    auto& layouts = Talvex::Ui::ReportLayouts::Host();
    if (layouts.Has(kReportCode)) return;
    std::vector<Talvex::Ui::ReportColumn> body{{"VendCode", "Vendor", "", false}, {"VendName", "Name", "", false}};
    const char* captions[] = {"Debt", "Rest", "Rest due", "Sold", "Sold, due", "Paid", "Overpaid", "To pay"};
    for (std::size_t i = 0; i < std::size(kDebtMoneyColumns); ++i)
        body.push_back({kDebtMoneyColumns[i], captions[i], kMoney, true});
    layouts.Register(Talvex::Ui::ReportLayout{kReportCode,
                                              "Consignment vendors: debt and rest",
                                              {{"MyPlant", "Company", ""}, {"RepDate", "Date", "yyyy-mm-dd"}},
                                              std::move(body),
                                              ""});
}

void CConsign::PrintDebtByVendor(const Talvex::Data::Recordset& DS, Date repDate) const
{
    RegisterLayout();
    std::vector<std::string> columns{"VendCode", "VendName"};
    columns.insert(columns.end(), std::begin(kDebtMoneyColumns), std::end(kDebtMoneyColumns));
    auto body = Talvex::Ui::RecordsetRowSource(DS, columns);
    Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent();
    if (!session) throw Talvex::ValueError("PrintDebtByVendor: no session to print in");
    Talvex::Ui::PrintService(*session).Print(
        kReportCode, {{"MyPlant", BookChecked().Setting("CompanyName")}, {"RepDate", Value(repDate)}}, {body});
}

} // namespace Quarn_DuzAde
