// The data of RCashFlow: six parts united (opening debts, budget postings, documents whose
// payment is due in whole, documents by their payment terms, planned cash payments, actual
// payments) and, when rests are wanted, the cash account's opening rests; then converted into
// the accounting currency and dated on payment days.
#include "quarn/cube/RCashFlow.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using FieldType = Talvex::FieldType;

namespace {

// Invoices are debts once posted; orders are plans, posted or not.
constexpr const char* kInvoiceTypes = "N'PRSF', N'PISF', N'TPPR', N'TPPI'";
constexpr const char* kDocumentTypes = "N'PRSF', N'PISF', N'TPPR', N'TPPI', N'PRS', N'PIS'";
// The sales side brings money in; purchases take it out.
constexpr const char* kIncomingTypes = "N'PRSF', N'TPPR', N'PRS'";
// Money received (+) and paid (-) by the company's payment documents.
constexpr const char* kReceiptTypes = "N'KOP', N'KVT', N'MPP', N'MPPT'";
constexpr const char* kPaymentTypes = "N'KOP', N'KVT', N'MPP', N'MPPT', N'KOI', N'MP', N'MPT'";

// The payment day of a date, with Monday as day 1: Wednesday or Saturday on or after it.
constexpr const char* kPaymentDayOf = "DATEADD(day, (CASE DATEPART(dw,oTable.RecDate) "
                                      " WHEN 1 THEN 2 "
                                      " WHEN 2 THEN 1 "
                                      " WHEN 3 THEN 0 "
                                      " WHEN 4 THEN 2 "
                                      " WHEN 5 THEN 1 "
                                      " WHEN 6 THEN 0 "
                                      " WHEN 7 THEN 3 "
                                      " ELSE 0 "
                                      "END), oTable.RecDate)";

constexpr const char* kMoneyColumns[] = {"BegDebtSumma", "DebtSumma", "PlanSumma", "BPlanSumma", "PaySumma",
                                         "BegPlanRest"};

// The columns every part gives, in the order of the union; what a part does not have is 0,
// "--" or empty.
struct PartColumns {
    std::string part;
    std::string recDate;
    std::string flowKindCode = "'--'";
    std::string partyCode = "'--'";
    std::string currencyCode;
    std::string rateDate;
    std::string begDebtSumma = "0";
    std::string debtSumma = "0";
    std::string planSumma = "0";
    std::string bPlanSumma = "0";
    std::string paySumma = "0";
    std::string begPlanRest = "0";
    std::string idc = "0";
    std::string docTypeCode = "''";
    std::string documentDate = "NULL";
    std::string number = "''";
    std::string summa = "0";
};

void AddColumns(DataList& list, const PartColumns& c)
{
    auto& f = list.Fields();
    f.SelectFields({});
    // A union lines its parts up by place: a table's own field of the same name would keep
    // the table's place, so it is dropped and added anew in the parts' order.
    auto add = [&f](const char* name, FieldType type, const std::string& expression) {
        if (f.ExistsField(name)) f.Remove(name);
        f.AddField(name, type, expression);
    };
    add("RecDate", FieldType::kDate, c.recDate);
    add("FlowKindCode", FieldType::kCode, c.flowKindCode);
    add("PartyCode", FieldType::kCode, c.partyCode);
    add("CurrencyCode", FieldType::kCode, c.currencyCode);
    add("RateDate", FieldType::kDate, c.rateDate);
    add("BegDebtSumma", FieldType::kAmount, c.begDebtSumma);
    add("DebtSumma", FieldType::kAmount, c.debtSumma);
    add("PlanSumma", FieldType::kAmount, c.planSumma);
    add("BPlanSumma", FieldType::kAmount, c.bPlanSumma);
    add("PaySumma", FieldType::kAmount, c.paySumma);
    add("BegPlanRest", FieldType::kAmount, c.begPlanRest);
    add("IDC", FieldType::kId, c.idc);
    add("DocTypeCode", FieldType::kCode, c.docTypeCode);
    add("DocumentDate", FieldType::kDate, c.documentDate);
    add("Number", FieldType::kCode, c.number);
    add("Summa", FieldType::kAmount, c.summa);
    add("Part", FieldType::kCode, "N'" + c.part + "'");
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::string DateLiteral(Date date)
{
    return SqlTools::Literal(FieldType::kDate, Value(date));
}

std::string CodeLiteral(const std::string& code)
{
    return SqlTools::Literal(FieldType::kCode, Value(code));
}

// The document's parties: the buyer of a sale, the vendor of a purchase, the carrier.
void JoinDocumentParties(Talvex::Book& book, DataList& list, const std::string& doc)
{
    list.Join(NoColumns(book.CreateList("THPartyAttribute")), "PartyPir",
              "PartyPir.DocID = " + doc + ".IDC AND PartyPir.RolePartyCode = N'PIR' AND " + doc +
                  ".DocTypeCode IN (N'PRSF', N'TPPR', N'PRS')",
              1);
    list.Join(NoColumns(book.CreateList("THPartyAttribute")), "PartyPar",
              "PartyPar.DocID = " + doc + ".IDC AND PartyPar.RolePartyCode = N'PAR' AND " + doc +
                  ".DocTypeCode IN (N'PISF', N'PIS')",
              1);
    list.Join(NoColumns(book.CreateList("THPartyAttribute")), "PartyVez",
              "PartyVez.DocID = " + doc + ".IDC AND PartyVez.RolePartyCode = N'VEZ' AND " + doc +
                  ".DocTypeCode = N'TPPI'",
              1);
}

void JoinFlowKind(Talvex::Book& book, DataList& list, const std::string& doc, const std::string& analytType)
{
    list.Join(NoColumns(book.CreateList("GLContAnalytDoc")), "FlowKind",
              "FlowKind.DocID = " + doc + ".IDC AND FlowKind.AnalytTypeCode = " + CodeLiteral(analytType), 1);
}

constexpr const char* kDocumentParty = "COALESCE( PartyPir.Partycode, PartyPar.PartyCode, PartyVez.Partycode )";
constexpr const char* kFlowKind = "IsNull( FlowKind.AnalytObjectCode, '--' ) ";

std::string Signed(const std::string& doc, const std::string& amount)
{
    return "(CASE WHEN " + doc + ".DocTypeCode IN (" + kIncomingTypes + ") THEN 1 ELSE -1 END) * " + amount;
}

// An amount that is a debt for an invoice and a plan for an order.
void SplitDebtAndPlan(PartColumns& c, const std::string& doc, const std::string& amount)
{
    const std::string isDebt = doc + ".DocTypeCode IN (" + kInvoiceTypes + ")";
    c.debtSumma = "CASE WHEN " + isDebt + " THEN " + Signed(doc, amount) + " ELSE 0 END";
    c.planSumma = "CASE WHEN " + isDebt + " THEN 0 ELSE " + Signed(doc, amount) + " END";
}

std::string PostedWhereRequired(const std::string& doc)
{
    return "1 = (CASE WHEN " + doc + ".DocTypeCode IN (" + kInvoiceTypes + ") THEN " + doc + ".IsPosted ELSE 1 END)";
}

void DocumentColumns(PartColumns& c, const std::string& doc, const std::string& summa)
{
    c.currencyCode = doc + ".CurrencyCode";
    c.rateDate = doc + ".DocumentDate";
    c.idc = doc + ".IDC";
    c.docTypeCode = doc + ".DocTypeCode";
    c.documentDate = doc + ".DocumentDate";
    c.number = doc + ".Number";
    c.summa = summa;
}

} // namespace

namespace {

// What every part of the list is built from.
struct PartContext {
    Talvex::Book& book;
    const CashFlowParams& params;
    Date windowStart;
    std::string window; // the window's first and last day, for BETWEEN
    std::string accountCurrency;
};

// Opening debts: what the payment terms due before the window still leave open.
std::shared_ptr<DataList> OpeningDebts(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    auto list = book.CreateList("THDocumentPayTermCur");
    JoinDocumentParties(book, *list, "oTable");
    JoinFlowKind(book, *list, "oTable", params.flowKindAnlt);
    PartColumns c;
    c.part = "BegDebt";
    c.recDate = DateLiteral(ctx.windowStart);
    c.flowKindCode = kFlowKind;
    c.partyCode = kDocumentParty;
    DocumentColumns(c, "oTable", "oTable.DocSumma");
    c.begDebtSumma = Signed("oTable", "oTable.DebtSumma");
    AddColumns(*list, c);
    list->SetFilter("oTable.DocTypeCode IN (" + std::string(kInvoiceTypes) +
                    ") AND oTable.IsPosted = 1 AND oTable.DebtSumma <> 0 AND oTable.NeedPayDate < " +
                    DateLiteral(ctx.windowStart));
    return list;
}

// Budget postings on the budget account (or under it), signed by the side it stands on.
std::shared_ptr<DataList> BudgetPostings(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    auto bpost = book.CreateList("GLAccountPost");
    for (const char* side : {"TD", "TC"}) {
        auto tree = NoColumns(book.CreateList("GLAccountT"));
        tree->Params().Item("AccSetCode").SetValue(Value(params.accSetBudget));
        tree->Params().Item("Node").SetValue(Value(params.accBudget));
        bpost->Join(tree, side,
                    std::string(side) + ".Code = oTable." + (side == std::string("TD") ? "DebetAccCode" : "CreditAccCode"),
                    1);
    }
    const std::string type = CodeLiteral(params.flowKindAnlt);
    bpost->Join(NoColumns(book.CreateList("GLAnalytPost")), "AnPostD",
                "AnPostD.AccPostID = oTable.IDC AND AnPostD.IsDebet = 1 AND AnPostD.AnalytTypeCode = " + type +
                    " AND TD.Code IS NOT NULL",
                1);
    bpost->Join(NoColumns(book.CreateList("GLAnalytPost")), "AnPostC",
                "AnPostC.AccPostID = oTable.IDC AND AnPostC.IsDebet = 0 AND AnPostC.AnalytTypeCode = " + type +
                    " AND TC.Code IS NOT NULL",
                1);
    PartColumns c;
    c.part = "bpost";
    c.recDate = "oTable.DatePost";
    c.flowKindCode = "coalesce( AnPostD.AnalytObjectCode, AnPostC.AnalytObjectCode )";
    c.currencyCode = ctx.accountCurrency;
    c.rateDate = "oTable.DatePost";
    // A posting without the analytic counts by the side the budget account stands on.
    c.bPlanSumma = "(Case When IsNull( AnPostD.IsDebet, IsNull( AnPostC.IsDebet, CASE WHEN TD.Code IS NULL THEN 0 "
                   "ELSE 1 END ) ) = 0 then -1 else 1 end ) * oTable.SumAcc";
    c.idc = "ISNULL(oTable.DocId, 0)";
    c.documentDate = "oTable.DatePost";
    c.summa = "oTable.SumAcc";
    AddColumns(*bpost, c);
    bpost->SetFilter("oTable.AccSetCode = " + CodeLiteral(params.accSetBudget) +
                     " AND oTable.IsPosted = 1 AND oTable.DatePost BETWEEN " + ctx.window +
                     " AND (TD.Code IS NOT NULL OR TC.Code IS NOT NULL)");
    return bpost;
}


// Documents without payment terms: their unpaid rest, due on their own date.
std::shared_ptr<DataList> DocumentsDueInWhole(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    const std::string paid = "(SELECT SUM(ps.SummaCur) FROM THPaySpec ps WHERE ps.CorDocID = oTable.IDC)";
    const std::string unpaid = "(oTable.Summa - COALESCE((" + paid + "),0))";
    const std::string hasTerms = "EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = oTable.IDC)";
    auto bdoc = book.CreateList("THDocument");
    JoinDocumentParties(book, *bdoc, "oTable");
    JoinFlowKind(book, *bdoc, "oTable", params.flowKindAnlt);
    PartColumns c;
    c.part = "BDoc";
    c.recDate = "oTable.DocumentDate";
    c.flowKindCode = kFlowKind;
    c.partyCode = kDocumentParty;
    DocumentColumns(c, "oTable", "oTable.Summa");
    SplitDebtAndPlan(c, "oTable", unpaid);
    AddColumns(*bdoc, c);
    bdoc->SetFilter("oTable.DocTypeCode IN (" + std::string(kDocumentTypes) + ") AND " +
                    PostedWhereRequired("oTable") + " AND NOT " + hasTerms + " AND oTable.DocumentDate BETWEEN " +
                    ctx.window + " AND " + unpaid + " <> 0");
    return bdoc;
}

// Documents by their payment terms, each term on its own day.
std::shared_ptr<DataList> DocumentsByTerms(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    auto terms = book.CreateList("THDocument");
    terms->Join(NoColumns(book.CreateList("THDocumentPayTerm")), "PayTerm", "PayTerm.DocId = oTable.IDC", 0);
    JoinDocumentParties(book, *terms, "oTable");
    JoinFlowKind(book, *terms, "oTable", params.flowKindAnlt);
    const std::string due = "DateAdd( d, PayTerm.PayTerm, oTable.DocumentDate )";
    PartColumns c;
    c.part = "BDocTerm";
    c.recDate = due;
    c.flowKindCode = kFlowKind;
    c.partyCode = kDocumentParty;
    DocumentColumns(c, "oTable", "oTable.Summa");
    SplitDebtAndPlan(c, "oTable", "PayTerm.Summa");
    AddColumns(*terms, c);
    terms->SetFilter("oTable.DocTypeCode IN (" + std::string(kDocumentTypes) + ") AND " +
                     PostedWhereRequired("oTable") + " AND " + due + " BETWEEN " + ctx.window);
    return terms;
}

// Planned cash payments: the lines of the cash payment plans, money going out.
std::shared_ptr<DataList> PlannedCashPayments(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    auto cpay = book.CreateList("THGoodSpecCPAY");
    cpay->Join(NoColumns(book.CreateList("THDocument")), "cpaydoc", "cpaydoc.IDC = oTable.DocID", 0);
    cpay->Join(NoColumns(book.CreateList("THGoodspec")), "cpaysp",
               "cpaysp.DocID = oTable.DocID AND cpaysp.PosNumb = oTable.PosNumb", 0);
    PartColumns c;
    c.part = "cpay";
    c.recDate = "oTable.NeedPayDate";
    c.flowKindCode = "IsNull( oTable.PaymentTypeCode, '--' ) ";
    c.partyCode = "oTable.Client";
    DocumentColumns(c, "cpaydoc", "cpaysp.Summa");
    c.planSumma = "-cpaysp.Summa";
    AddColumns(*cpay, c);
    cpay->SetFilter("cpaydoc.DocTypeCode = N'CPAY' AND oTable.NeedPayDate BETWEEN " + ctx.window);
    return cpay;
}

// Actual payments: money received and paid.
std::shared_ptr<DataList> Payments(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    auto pdoc = book.CreateList("THDocument");
    for (auto [alias, role] : {std::pair{"PartyGav", "oTable.DocTypeCode <> N'KOI' AND PartyGav.RolePartyCode = N'GAV'"},
                               {"PartyKoi", "oTable.DocTypeCode = N'KOI' AND PartyKoi.RolePartyCode IN (N'GAV', N'GAVP')"},
                               {"PartyMok", "PartyMok.RolePartyCode = N'MOK'"}})
        pdoc->Join(NoColumns(book.CreateList("THPartyAttribute")), alias,
                   std::string(alias) + ".DocID = oTable.IDC AND " + role, 1);
    JoinFlowKind(book, *pdoc, "oTable", params.flowKindAnlt);
    PartColumns c;
    c.part = "pdoc";
    c.recDate = "oTable.DocumentDate";
    c.flowKindCode = kFlowKind;
    c.partyCode = "COALESCE( PartyGav.Partycode, PartyKoi.PartyCode, PartyMok.PartyCode )";
    DocumentColumns(c, "oTable", "oTable.Summa");
    c.paySumma = "(CASE WHEN oTable.DocTypeCode IN (" + std::string(kReceiptTypes) + ") THEN 1 ELSE -1 END) * oTable.Summa";
    AddColumns(*pdoc, c);
    pdoc->SetFilter("oTable.DocTypeCode IN (" + std::string(kPaymentTypes) +
                    ") AND oTable.IsPosted = 1 AND oTable.DocumentDate BETWEEN " + ctx.window);
    return pdoc;
}

// The cash account's opening rest by flow kind, on the window's first day.
std::shared_ptr<DataList> CashRests(const PartContext& ctx)
{
    Talvex::Book& book = ctx.book;
    const CashFlowParams& params = ctx.params;
    auto rest = book.CreateList("GLAnalytStatementD");
    rest->Params().Item("DateFrom").SetValue(Value(ctx.windowStart));
    rest->Params().Item("DateTo").SetValue(Value(ctx.windowStart));
    rest->Params().Item("AccSetCode").SetValue(book.Setting("AccSetCode"));
    rest->Params().Item("Code").SetValue(Value(params.acc));
    rest->Params().Item("AnalytTypeCode").SetValue(Value(params.flowKindAnlt));
    PartColumns c;
    c.part = "CashRest";
    c.recDate = DateLiteral(ctx.windowStart);
    c.flowKindCode = "COALESCE(oTable.AnalytObjectCode, '--')";
    c.currencyCode = ctx.accountCurrency;
    c.rateDate = DateLiteral(ctx.windowStart);
    c.begPlanRest = "IsNull(oTable.IncomeSaldo, 0)";
    AddColumns(*rest, c);
    rest->SetFilter("oTable.IncomeSaldo <> 0");
    return rest;
}

} // namespace

std::shared_ptr<DataList> RCashFlow::CreateCashFlowList(const CashFlowParams& params) const
{
    Talvex::Book& book = *book_;
    const Date windowStart = CashFlowDays::WindowStart(params.begDate);
    const PartContext ctx{book, params, windowStart, DateLiteral(windowStart) + " AND " + DateLiteral(params.endDate),
                          CodeLiteral(book.AccountCurrency())};
    // The union starts from the opening debts; the other parts join it under their names.
    auto list = OpeningDebts(ctx);
    list->Union(BudgetPostings(ctx), "bpost", true);
    list->Union(DocumentsDueInWhole(ctx), "BDoc", true);
    list->Union(DocumentsByTerms(ctx), "BDocTerm", true);
    list->Union(PlannedCashPayments(ctx), "cpay", true);
    list->Union(Payments(ctx), "pdoc", true);
    if (params.RestsWanted()) list->Union(CashRests(ctx), "CashRest", true);

    // The outer list: every amount in the accounting currency, each row on its payment day.
    auto outer = book.CreateList("");
    outer->SetSource(list, "oTable", 0);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*outer, "RateDate", "CurrencyCode");
    auto& f = outer->Fields();
    f.SelectFields({});
    f.AddField("RecDate", FieldType::kDate, kPaymentDayOf);
    f.AddField("FlowKindCode", FieldType::kCode, "UPPER(ISNULL(oTable.FlowKindCode, '--'))");
    f.AddField("PartyCode", FieldType::kCode, "IsNull( oTable.PartyCode, '--' )");
    for (const char* money : kMoneyColumns)
        f.AddField(money, FieldType::kAmount, rates.ConvertExpr("CurrencyCode", std::string("oTable.") + money));
    f.AddField("Part", FieldType::kCode, "oTable.Part");
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("Summa", FieldType::kAmount, "oTable.Summa");
    f.AddField("CurrencyCode", FieldType::kCode, "oTable.CurrencyCode");
    outer->SetFilter(std::string(kPaymentDayOf) + " <= " + DateLiteral(params.endDate));
    return outer;
}

namespace {

void AppendRows(DataList& list, std::vector<CashFlowSourceRow>& rows)
{
    list.Refresh();
    auto rs = list.Recordset();
    if (!rs) return;
    auto index = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t recDate = index("RecDate"), flowKind = index("FlowKindCode"), party = index("PartyCode"),
                      begDebt = index("BegDebtSumma"), debt = index("DebtSumma"), plan = index("PlanSumma"),
                      bplan = index("BPlanSumma"), pay = index("PaySumma"), begRest = index("BegPlanRest"),
                      part = index("Part"), idc = index("IDC"), type = index("DocTypeCode"),
                      docDate = index("DocumentDate"), number = index("Number"), summa = index("Summa"),
                      currency = index("CurrencyCode");
    rows.reserve(rows.size() + rs->ViewRows().size());
    for (std::size_t row : rs->ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs->StoredValue(row, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        auto money = [&](std::size_t field) { return at(field).IsNull() ? Currency() : at(field).ToCurrency(); };
        auto date = [&](std::size_t field) { return at(field).IsNull() ? Date() : at(field).ToDate(); };
        CashFlowSourceRow r;
        r.part = text(part);
        r.recDate = date(recDate);
        r.flowKindCode = text(flowKind);
        r.partyCode = text(party);
        r.begDebtSumma = money(begDebt);
        r.debtSumma = money(debt);
        r.planSumma = money(plan);
        r.bPlanSumma = money(bplan);
        r.paySumma = money(pay);
        r.begPlanRest = money(begRest);
        r.idc = at(idc).IsNull() ? 0 : at(idc).ToInteger();
        r.docTypeCode = text(type);
        r.documentDate = date(docDate);
        r.number = text(number);
        r.summa = money(summa);
        r.currencyCode = text(currency);
        rows.push_back(std::move(r));
    }
}

} // namespace

CashFlowRows RCashFlow::ReadRows(const CashFlowParams& params) const
{
    std::vector<CashFlowSourceRow> rows;
    AppendRows(*CreateCashFlowList(params), rows);
    if (params.RestsWanted()) {
        // The cash account's opening rest of the postings without a flow kind: what the rests
        // by kind leave of the account's whole rest.
        const Date windowStart = CashFlowDays::WindowStart(params.begDate);
        auto account = book_->CreateList("GLAccountStatementD");
        account->Params().Item("DateFrom").SetValue(Value(windowStart));
        account->Params().Item("DateTo").SetValue(Value(windowStart));
        account->Params().Item("AccSetCode").SetValue(book_->Setting("AccSetCode"));
        account->Fields().SelectFields({"IncomeSaldo"});
        account->SetFilter(SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual,
                                                Value(params.acc)));
        account->Refresh();
        Currency whole;
        if (auto rs = account->Recordset(); rs && rs->RecordCount() > 0) {
            rs->MoveFirst();
            const Value& v = rs->Fields()("IncomeSaldo").Value();
            if (!v.IsNull()) whole = v.ToCurrency();
        }
        Currency byKind;
        for (const auto& row : rows)
            if (row.part == "CashRest") byKind += row.begPlanRest;
        if (whole != byKind) {
            CashFlowSourceRow rest;
            rest.part = "CashRest";
            rest.recDate = windowStart;
            rest.flowKindCode = "--";
            rest.partyCode = "--";
            rest.begPlanRest = whole - byKind;
            rest.currencyCode = book_->AccountCurrency();
            rows.push_back(std::move(rest));
        }
    }
    return CashFlowRows(std::move(rows), params.RestsWanted(), params.endDate);
}

} // namespace Quarn_DuzAde
