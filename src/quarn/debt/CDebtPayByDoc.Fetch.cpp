// Debt payment by document: the lists it reads (the side's instalments and their payments,
// the short form's open documents and unlinked payments) and the list it hands back.
#include "quarn/debt/CDebtPayByDoc.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/query/CSelectByDoc.hpp"

#include <algorithm>
#include <cctype>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

// An invoice type of a side and the party role that names its client. A derived type (a
// return) is a debt of the other direction under its parent and counts its parent's payments.
struct DebtSource {
    const char* type;
    const char* role;
    bool derived;
    bool persons; // private persons may be the party ("~" + person code)
};

std::vector<DebtSource> SourcesOf(long direction)
{
    if (direction == 1)
        return {{"PISF", "PAR", false, false}, {"TPPI", "VEZ", false, false}, {"GPG", "PIR", true, false}};
    return {{"PRSF", "PIR", false, true}, {"TPPR", "PIR", false, false}, {"PGA", "PAR", true, false}};
}

constexpr const char* kPersonClientCode =
    "CASE WHEN ClientDoc.PartyType = 2 THEN '~' + ClientDoc.PartyCode ELSE ClientDoc.PartyCode END";
constexpr const char* kPersonClientName = "COALESCE(PersonDoc.FirstName + ' ' + PersonDoc.LastName, Cl.Name)";
// A return stands for itself only where it does not exceed its parent, unless the parent is
// paid directly, in which case the parent's payments are the return's too.
constexpr const char* kReturnWithinParent =
    "( CASE WHEN PD.IsDirectPay<>0 THEN 1 ELSE CASE WHEN oTHDoc.Summa<=PD.Summa THEN 1 ELSE 0 END END = 1 )";

std::shared_ptr<DataList> NoColumns(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

bool HasColumn(Talvex::Book& book, const std::string& table, std::string_view column)
{
    const auto info = book.Describe(table);
    return std::any_of(info.columns.begin(), info.columns.end(), [&](const Talvex::SourceColumn& c) {
        return std::equal(c.name.begin(), c.name.end(), column.begin(), column.end(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    });
}

// The documents of one source with their client, department and the report's filters;
// no columns yet.
std::shared_ptr<DataList> SourceDocuments(const std::shared_ptr<Talvex::Book>& book, const DebtSource& source,
                                          const DebtPayByDocQuery& query)
{
    auto doc = book->CreateList("THDocument");
    doc->SetAlias("oTHDoc");
    doc->Fields().SelectFields({});
    std::vector<std::string> conds{
        SqlTools::CondByName("oTHDoc.DocTypeCode", Kind::kCode, Op::kEqual, Value(source.type)),
        SqlTools::CondByName("oTHDoc.IsPosted", Kind::kFlag, Op::kEqual, Value(1)),
        // A document written after the report date is no debt of that day.
        SqlTools::CondByName("oTHDoc.DocumentDate", Kind::kDate, Op::kNotGreater, Value(query.repDate))};

    std::string partyOn = "oTHDoc.IDC = ClientDoc.DocId AND " +
                          SqlTools::CondByName("ClientDoc.RolePartyCode", Kind::kCode, Op::kEqual, Value(source.role));
    if (!source.persons) partyOn += " AND ClientDoc.PartyType = 1";
    doc->Join(NoColumns(*book, "THPartyAttribute"), "ClientDoc", partyOn);
    doc->Join(NoColumns(*book, "REFClient"), "Cl", "ClientDoc.PartyCode = Cl.Code AND ClientDoc.PartyType = 1", 1);
    if (source.persons)
        doc->Join(NoColumns(*book, "REFPerson"), "PersonDoc",
                  "ClientDoc.PartyCode = PersonDoc.Code AND ClientDoc.PartyType = 2", 1);
    doc->Join(NoColumns(*book, "REFDepartment"), "Dep", "oTHDoc.Department = Dep.Code", 1);
    if (source.derived) {
        doc->Join(NoColumns(*book, "THDocument"), "PD", "oTHDoc.ParentID = PD.IDC");
        conds.push_back(SqlTools::CondByName("PD.IsPosted", Kind::kFlag, Op::kEqual, Value(1)));
        conds.emplace_back(kReturnWithinParent);
    }

    if (!query.client.empty()) {
        if (query.clientIsGroup) {
            conds.push_back("ClientDoc.PartyType = 1 AND ClientDoc.PartyCode IN (SELECT clFlt.Code FROM REFClientT(" +
                            SqlTools::Literal(Kind::kCode, Value(query.client)) + ") clFlt WHERE clFlt.IsGroup = 0)");
        } else if (query.client.front() == '~') {
            conds.push_back("ClientDoc.PartyType = 2");
            conds.push_back(
                SqlTools::CondByName("ClientDoc.PartyCode", Kind::kCode, Op::kEqual, Value(query.client.substr(1))));
        } else {
            conds.push_back("ClientDoc.PartyType = 1");
            conds.push_back(SqlTools::CondByName("ClientDoc.PartyCode", Kind::kCode, Op::kEqual, Value(query.client)));
        }
    }
    if (!query.marketGroup.empty())
        conds.push_back(SqlTools::CondByName("Cl.MarketGrCode", Kind::kCode, Op::kInList,
                                             Value(SqlTools::QuoteCodes(query.marketGroup))));
    if (!query.department.empty())
        conds.push_back(SqlTools::CondByName("oTHDoc.Department", Kind::kCode, Op::kEqual, Value(query.department)));
    if (query.stateCodeSelected)
        conds.push_back(SqlTools::CondByName("oTHDoc.StateCode", Kind::kCode, Op::kEqual, Value(query.stateCode)));
    doc->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    return doc;
}

// The columns every need-pay row carries, in the order the union needs them.
std::shared_ptr<DataList> NeedPayOf(const std::shared_ptr<Talvex::Book>& book, const DebtSource& source,
                                    const DebtPayByDocQuery& query)
{
    auto doc = SourceDocuments(book, source, query);
    const std::string addTable = std::string("THDocument") + source.type;
    const bool hasPenalty = HasColumn(*book, addTable, "Penalty");
    if (hasPenalty) doc->Join(NoColumns(*book, addTable), "DocAdd", "oTHDoc.IDC = DocAdd.DocId", 1);
    if (!source.derived) doc->Join(NoColumns(*book, "THDocumentPayTerm"), "PTerm", "oTHDoc.IDC = PTerm.DocID", 1);

    auto& f = doc->Fields();
    f.AddField("IDC", Kind::kId, "oTHDoc.IDC");
    f.AddField("DocumentDate", Kind::kDate, "oTHDoc.DocumentDate");
    f.AddField("Number", Kind::kText, "oTHDoc.Number");
    f.AddField("DocTypeCode", Kind::kCode, "oTHDoc.DocTypeCode");
    f.AddField("CurrencyCode", Kind::kCode, "oTHDoc.CurrencyCode");
    f.AddField("IsPayClosed", Kind::kFlag, "oTHDoc.IsPayClosed");
    f.AddField("StateCode", Kind::kCode, "COALESCE(oTHDoc.StateCode, '')");
    f.AddField("ParentID", Kind::kId, source.derived ? "oTHDoc.IDC" : "COALESCE(oTHDoc.ParentID, 0)");
    f.AddField("Summa", Kind::kAmount, "oTHDoc.Summa");
    f.AddField("ContractType", Kind::kCode, "' '");
    f.AddField("DepartmentCode", Kind::kCode, "COALESCE(Dep.Code, '')");
    f.AddField("Department", Kind::kLongText, "COALESCE(Dep.Code + ': ' + Dep.Name, '')");
    if (source.derived) {
        f.AddField("NeedPayDate", Kind::kDate, "oTHDoc.DocumentDate");
        f.AddField("NeedPaySum", Kind::kAmount, "oTHDoc.Summa");
        f.AddField("NeedPayID", Kind::kId, "0");
    } else {
        f.AddField("NeedPayDate", Kind::kDate,
                   "COALESCE(DATEADD( d, PTerm.PayTerm, oTHDoc.DocumentDate),oTHDoc.DocumentDate)");
        f.AddField("NeedPaySum", Kind::kAmount, "COALESCE(PTerm.Summa, oTHDoc.Summa)");
        f.AddField("NeedPayID", Kind::kId, "COALESCE(PTerm.IDC, 0)");
    }
    f.AddField("Penalty", Kind::kNumber, hasPenalty ? "COALESCE(DocAdd.Penalty, 0)" : "0");
    f.AddField("REFClientCode", Kind::kCode, source.persons ? kPersonClientCode : "ClientDoc.PartyCode");
    f.AddField("REFClientName", Kind::kLongText, source.persons ? kPersonClientName : "COALESCE(Cl.Name, '')");
    return doc;
}

// The payment lines of one source dated up to the report date; a return counts the payments
// of its parent.
std::shared_ptr<DataList> PaymentsOf(const std::shared_ptr<Talvex::Book>& book, const DebtSource& source,
                                     const DebtPayByDocQuery& query)
{
    auto doc = SourceDocuments(book, source, query);
    doc->Join(NoColumns(*book, "THPaySpec"), "PaySpec",
              source.derived ? "oTHDoc.ParentID = PaySpec.CorDocId" : "oTHDoc.IDC = PaySpec.CorDocId");
    doc->Join(NoColumns(*book, "THDocument"), "PayDoc", "PaySpec.DocId = PayDoc.IDC");
    doc->SetFilter(SqlTools::AndFilter(doc->Filter(), SqlTools::CondByName("PayDoc.DocumentDate", Kind::kDate,
                                                                           Op::kNotGreater, Value(query.repDate))));
    auto& f = doc->Fields();
    f.AddField("IDC", Kind::kId, "oTHDoc.IDC");
    f.AddField("PayDocumentDate", Kind::kDate, "PayDoc.DocumentDate");
    f.AddField("PaySumma", Kind::kAmount, "PaySpec.SummaCur");
    f.AddField("NotPostPaySumma", Kind::kAmount, "CASE WHEN PayDoc.IsPosted = 0 THEN PaySpec.SummaCur Else 0 End");
    return doc;
}

std::shared_ptr<DataList> UnionOf(std::vector<std::shared_ptr<DataList>> lists)
{
    auto first = lists.front();
    for (std::size_t i = 1; i < lists.size(); ++i)
        first->Union(lists[i], "", true);
    return first;
}

std::size_t IndexOf(Talvex::Data::Recordset& rs, const char* name)
{
    return rs.Fields().Item(name).Index();
}

} // namespace

std::shared_ptr<DataList> CDebtPayByDoc::NeedPayList(const std::shared_ptr<Talvex::Book>& book,
                                                     const DebtPayByDocQuery& query)
{
    if (!book) throw Talvex::ValueError("CDebtPayByDoc: no Book");
    std::vector<std::shared_ptr<DataList>> parts;
    for (const auto& source : SourcesOf(query.direction))
        parts.push_back(NeedPayOf(book, source, query));
    auto bookCopy = book;
    auto inv = NestList(UnionOf(std::move(parts)), "Inv", 0, bookCopy, false);
    inv->OrderBy(query.byDepartment
                     ? "Inv.DepartmentCode, Inv.REFClientCode, Inv.CurrencyCode, Inv.IDC, Inv.NeedPayDate"
                     : "Inv.REFClientCode, Inv.CurrencyCode, Inv.IDC, Inv.NeedPayDate");
    return inv;
}

std::shared_ptr<DataList> CDebtPayByDoc::PaymentList(const std::shared_ptr<Talvex::Book>& book,
                                                     const DebtPayByDocQuery& query)
{
    if (!book) throw Talvex::ValueError("CDebtPayByDoc: no Book");
    std::vector<std::shared_ptr<DataList>> parts;
    for (const auto& source : SourcesOf(query.direction))
        parts.push_back(PaymentsOf(book, source, query));
    auto bookCopy = book;
    auto pay = NestList(UnionOf(std::move(parts)), "DocPay", 0, bookCopy, false);
    pay->OrderBy("DocPay.IDC, DocPay.PayDocumentDate");
    return pay;
}

std::vector<DebtPayNeedRow> CDebtPayByDoc::ReadNeedRows(Talvex::Data::Recordset& rs)
{
    const std::size_t idc = IndexOf(rs, "IDC"), documentDate = IndexOf(rs, "DocumentDate"),
                      number = IndexOf(rs, "Number"), docType = IndexOf(rs, "DocTypeCode"),
                      currency = IndexOf(rs, "CurrencyCode"), payClosed = IndexOf(rs, "IsPayClosed"),
                      state = IndexOf(rs, "StateCode"), parent = IndexOf(rs, "ParentID"), summa = IndexOf(rs, "Summa"),
                      contract = IndexOf(rs, "ContractType"), depCode = IndexOf(rs, "DepartmentCode"),
                      dep = IndexOf(rs, "Department"), needDate = IndexOf(rs, "NeedPayDate"),
                      needSum = IndexOf(rs, "NeedPaySum"), needId = IndexOf(rs, "NeedPayID"),
                      penalty = IndexOf(rs, "Penalty"), clientCode = IndexOf(rs, "REFClientCode"),
                      clientName = IndexOf(rs, "REFClientName");
    std::vector<DebtPayNeedRow> rows;
    rows.reserve(rs.ViewRows().size());
    for (std::size_t r : rs.ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs.StoredValue(r, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        DebtPayNeedRow row;
        row.idc = at(idc).ToInteger();
        row.documentDate = at(documentDate).ToDate();
        row.number = text(number);
        row.docTypeCode = text(docType);
        row.currencyCode = text(currency);
        row.isPayClosed = !at(payClosed).IsNull() && at(payClosed).ToInteger() != 0;
        row.stateCode = text(state);
        row.parentId = at(parent).IsNull() ? 0 : at(parent).ToInteger();
        row.summa = at(summa).ToCurrency();
        row.contractType = text(contract);
        row.departmentCode = text(depCode);
        row.department = text(dep);
        row.needPayDate = at(needDate).ToDate();
        row.needPaySum = at(needSum).ToCurrency();
        row.needPayId = at(needId).ToInteger();
        row.penalty = at(penalty).IsNull() ? Talvex::Decimal() : at(penalty).ToDecimal();
        row.clientCode = text(clientCode);
        row.clientName = text(clientName);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<DebtPayPayment> CDebtPayByDoc::ReadPayments(Talvex::Data::Recordset& rs)
{
    const std::size_t idc = IndexOf(rs, "IDC"), date = IndexOf(rs, "PayDocumentDate"), sum = IndexOf(rs, "PaySumma"),
                      notPosted = IndexOf(rs, "NotPostPaySumma");
    std::vector<DebtPayPayment> payments;
    payments.reserve(rs.ViewRows().size());
    for (std::size_t r : rs.ViewRows()) {
        DebtPayPayment p;
        p.idc = rs.StoredValue(r, idc).ToInteger();
        p.payDocumentDate = rs.StoredValue(r, date).ToDate();
        p.paySumma = rs.StoredValue(r, sum).ToCurrency();
        p.isPosted = rs.StoredValue(r, notPosted).ToCurrency().IsZero() || p.paySumma.IsZero();
        payments.push_back(p);
    }
    return payments;
}

std::shared_ptr<Talvex::Data::Recordset> CDebtPayByDoc::ResultRecordset(const std::vector<DebtPayResultRow>& rows)
{
    using DT = Talvex::Data::DataTypeEnum;
    // Amounts are of the money type, so that the host prints them as money.
    const std::vector<std::pair<const char*, DT>> columns{{"REFClientCode", DT::VarWChar},
                                                          {"REFClientName", DT::VarWChar},
                                                          {"DepartmentCode", DT::VarWChar},
                                                          {"Department", DT::VarWChar},
                                                          {"IDC", DT::Integer},
                                                          {"DocTypeCode", DT::VarWChar},
                                                          {"Number", DT::VarWChar},
                                                          {"DocumentDate", DT::DBDate},
                                                          {"CurrencyCode", DT::VarWChar},
                                                          {"Summa", DT::Currency},
                                                          {"IsPayClosed", DT::Boolean},
                                                          {"StateCode", DT::VarWChar},
                                                          {"ParentID", DT::Integer},
                                                          {"ContractType", DT::VarWChar},
                                                          {"NeedPayID", DT::Integer},
                                                          {"NeedPayDate", DT::DBDate},
                                                          {"NeedPaySum", DT::Currency},
                                                          {"Penalty", DT::Numeric},
                                                          {"Debt", DT::Currency},
                                                          {"OutDebt", DT::Currency},
                                                          {"OutDay", DT::Integer},
                                                          {"PenaltySum", DT::Currency},
                                                          {"NotPostPaySumma", DT::Currency},
                                                          {"ClientDebt", DT::Currency},
                                                          {"ClientInDebt", DT::Currency}};
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (const auto& [name, type] : columns)
        rs->Fields().Append(name, type);
    rs->Open();
    for (const auto& r : rows) {
        const auto& n = r.need;
        // The rate shows the decimals it has, at least two, as a percent is written.
        const Talvex::Decimal normalized = n.penalty.Normalized();
        const Talvex::Decimal rate = normalized.WithScale(std::max(2, normalized.Scale()));
        const Value values[] = {Value(n.clientCode),
                                Value(n.clientName),
                                Value(n.departmentCode),
                                Value(n.department),
                                Value(n.idc),
                                Value(n.docTypeCode),
                                Value(n.number),
                                Value(n.documentDate),
                                Value(n.currencyCode),
                                Value(n.summa),
                                Value(n.isPayClosed),
                                Value(n.stateCode),
                                Value(n.parentId),
                                Value(n.contractType),
                                Value(n.needPayId),
                                Value(n.needPayDate),
                                Value(n.needPaySum),
                                Value(rate),
                                Value(r.debt),
                                Value(r.outDebt),
                                Value(static_cast<std::int64_t>(r.outDay)),
                                Value(r.penaltySum),
                                Value(r.notPostPaySumma),
                                Value(r.clientDebt),
                                Value(r.clientInDebt)};
        rs->AddNew();
        for (std::size_t i = 0; i < std::size(values); ++i)
            rs->Fields().Item(i).SetValue(values[i]);
        rs->Update();
    }
    if (!rows.empty()) rs->MoveFirst();
    return rs;
}

std::shared_ptr<Talvex::Data::Recordset> CDebtPayByDoc::FullForm(const std::shared_ptr<Talvex::Book>& book,
                                                                 const DebtPayByDocQuery& query)
{
    auto need = NeedPayList(book, query);
    need->Refresh();
    auto pay = PaymentList(book, query);
    pay->Refresh();
    DebtPayByDocParams params;
    params.repDate = query.repDate;
    params.byDepartment = query.byDepartment;
    return ResultRecordset(DebtPayByDocFill(ReadNeedRows(*need->Recordset()), ReadPayments(*pay->Recordset()), params));
}

// The short form: the open part of every document of the side as it stood on the report
// date, returns signed negative, and beside them the payments not linked to any document
// (RecKind 1), whose unlinked part shows in NotLinkSum.
std::shared_ptr<DataList> CDebtPayByDoc::ShortList(const std::shared_ptr<Talvex::Book>& book,
                                                   const DebtPayByDocQuery& query)
{
    if (!book) throw Talvex::ValueError("CDebtPayByDoc: no Book");
    CDebtByDoc debt;
    debt.Init(book);
    auto docs = debt.CrSelByClient2(query.clientIsGroup ? query.client : std::string(), query.direction, Date(),
                                    query.repDate, query.repDate);
    auto& df = docs->Fields();
    // The union matches columns by place: both parts bring the same new columns in one order.
    df.SelectFields({});
    df.AddField("DocIDC", Kind::kId, "Doc.IDC");
    df.AddField("DocCurrency", Kind::kCode, "Doc.CurrencyCode");
    df.AddField("DocClient", Kind::kCode, "Party.PartyCode");
    df.AddField("DocDebt", Kind::kAmount, "Doc.DebtSumma");
    df.AddField("DocPaid", Kind::kAmount, "0");
    df.AddField("DocKind", Kind::kInteger, "0");
    if (!query.client.empty() && !query.clientIsGroup)
        docs->SetFilter(SqlTools::AndFilter(
            docs->Filter(), SqlTools::CondByName("Party.PartyCode", Kind::kCode, Op::kEqual, Value(query.client))));

    CSelectByDoc select;
    select.Init(book);
    auto pays =
        select.NotLinkPaySum(query.direction, query.clientIsGroup ? std::string() : query.client, false, query.repDate);
    auto& pf = pays->Fields();
    const std::string notLinked = pf.Item("NotLinkPaySum").Expression();
    pf.SelectFields({});
    pf.AddField("DocIDC", Kind::kId, "PayDocs.IDC");
    pf.AddField("DocCurrency", Kind::kCode, "PayDocs.CurrencyCode");
    pf.AddField("DocClient", Kind::kCode, "DocParty.PartyCode");
    pf.AddField("DocDebt", Kind::kAmount, "PayDocs.Summa");
    pf.AddField("DocPaid", Kind::kAmount, "PayDocs.Summa - (" + notLinked + ")");
    pf.AddField("DocKind", Kind::kInteger, "1");
    // A payment linked in full has nothing to show beside the documents it paid.
    pays->SetFilter(SqlTools::AndFilter(pays->Filter(), "DocParty.PartyCode IS NOT NULL AND (" + notLinked + ") <> 0"));
    if (query.clientIsGroup && !query.client.empty())
        pays->SetFilter(
            SqlTools::AndFilter(pays->Filter(), "DocParty.PartyCode IN (SELECT clFlt.Code FROM REFClientT(" +
                                                    SqlTools::Literal(Kind::kCode, Value(query.client)) +
                                                    ") clFlt WHERE clFlt.IsGroup = 0)"));
    docs->Union(pays, "", true);

    auto bookCopy = book;
    auto inv = NestList(docs, "Inv", 0, bookCopy, false);
    inv->Fields().SelectFields({});
    inv->Fields().AddField("REFClientCode", Kind::kCode, "Inv.DocClient");
    inv->Fields().AddField("RecKind", Kind::kInteger, "Inv.DocKind");
    inv->Fields().AddField("IDC", Kind::kId, "Inv.DocIDC");
    inv->Fields().AddField("CurrencyCode", Kind::kCode, "Inv.DocCurrency");
    inv->Join(NoColumns(*book, "THDocument"), "Doc", "Inv.DocIDC = Doc.IDC");
    inv->Join(NoColumns(*book, "REFClient"), "Cl", "Cl.Code = Inv.DocClient");
    constexpr const char* kSigned = "case when Doc.DocTypeCode = 'PGA' then -%0 when Doc.DocTypeCode = 'GPG' then "
                                    "-%0 else %0 end";
    const std::string signedSum = FormatMsg(kSigned, {Value("Doc.Summa")});
    const std::string signedDebt = FormatMsg(kSigned, {Value("Inv.DocDebt")});
    auto& f = inv->Fields();
    f.AddField("REFClientName", Kind::kLongText, "Cl.Name");
    f.AddField("DocTypeCode", Kind::kCode, "Doc.DocTypeCode");
    f.AddField("Number", Kind::kText, "Doc.Number");
    f.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    f.AddField("Year", Kind::kInteger, "YEAR(Doc.DocumentDate)");
    f.AddField("Month", Kind::kInteger, "MONTH(Doc.DocumentDate)");
    f.AddField("Summa", Kind::kAmount, "(Case When Inv.DocKind = 1 then 0 else " + signedSum + " end)");
    f.AddField("Debt", Kind::kAmount, "(" + signedDebt + ")");
    f.AddField("NotLinkSum", Kind::kAmount,
               "(Case When Inv.DocKind = 1 then " + signedDebt + " - IsNull(Inv.DocPaid,0) else 0 end)");
    if (!query.marketGroup.empty())
        inv->SetFilter(SqlTools::CondByName("Cl.MarketGrCode", Kind::kCode, Op::kInList,
                                            Value(SqlTools::QuoteCodes(query.marketGroup))));
    inv->OrderBy("Inv.DocClient, Doc.DocumentDate, Inv.DocCurrency, Inv.DocIDC");
    return inv;
}

} // namespace Quarn_DuzAde
