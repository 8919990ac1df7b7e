#include "quarn/query/CSelectByDoc.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/ClientFilter.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/query/CSelectByRef.hpp"
#include "quarn/query/internal/CodeList.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Op = Talvex::SqlOperator;
using enum Talvex::FieldType; // the host's type codes: kCode, kAmount, ...

namespace {

void AndInto(DataList& list, const std::string& condition)
{
    list.SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, {list.Filter(), condition}));
}

// The view of payment terms: as of a pay-end date or as things stand now, with every term
// or only those the debt views keep.
std::string PayTermView(bool withPayEnd, bool usePayTermDebt)
{
    if (withPayEnd) return usePayTermDebt ? "THDocumentPayTermDbt" : "THDocumentPayTermExt";
    return usePayTermDebt ? "THDocPayTermCurDbt" : "THDocumentPayTermCur";
}

} // namespace

std::string CSelectByDoc::PartyRole(const std::string& docTypeCode)
{
    static const std::array<std::pair<const char*, const char*>, 13> kRoles{{
        {"PISF", "PAR"},
        {"PGA", "PAR"},
        {"PIS", "PAR"},
        {"PISD", "PAR"},
        {"BCN", "PAR"},
        {"TID", "GAV"},
        {"GPG", "PIR"},
        {"PRSF", "PIR"},
        {"PRS", "PIR"},
        {"PRSD", "PIR"},
        {"SCN", "PIR"},
        {"TPPR", "PIR"},
        {"TPPI", "VEZ"},
    }};
    for (const auto& [type, role] : kRoles)
        if (docTypeCode == type) return role;
    return "";
}

void CSelectByDoc::Init(std::shared_ptr<Talvex::Book> book)
{
    if (!book) throw Talvex::ValueError("CSelectByDoc.Init: no Book");
    book_ = std::move(book);
}

Talvex::Book& CSelectByDoc::BookChecked() const
{
    if (!book_) throw Talvex::ValueError("CSelectByDoc: Init was not called");
    return *book_;
}

std::shared_ptr<DataList> CSelectByDoc::DocumentList(const std::string& docType, Date begDate, Date endDate)
{
    auto docs = BookChecked().CreateList("THDocument");
    const auto& fields = docs->Fields();
    // One type is asked for by equality, a list of them ("PRSF,PRS") by an in-list.
    std::string typeCond = docType.find(',') == std::string::npos
                               ? SqlTools::CondByField(fields.Item("DocTypeCode"), Op::kEqual, Value(docType))
                               : SqlTools::CondByField(fields.Item("DocTypeCode"), Op::kInList, Value(docType));
    std::vector<std::string> conds{typeCond, SqlTools::CondByField(fields.Item("IsPosted"), Op::kEqual, Value(1))};
    if (begDate != Date{})
        conds.push_back(SqlTools::CondByField(fields.Item("DocumentDate"), Op::kNotLess, Value(begDate)));
    if (endDate != Date{})
        conds.push_back(SqlTools::CondByField(fields.Item("DocumentDate"), Op::kNotGreater, Value(endDate)));
    docs->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    docs->Fields().SelectFields({"IDC"});
    return docs;
}

std::shared_ptr<DataList> CSelectByDoc::SpecList(const std::string& docType, Date begDate, Date endDate)
{
    auto docs = DocumentList(docType, begDate, endDate);
    auto goodsRows = BookChecked().CreateList("THGoodSpec");
    goodsRows->Fields().SelectFields({});
    docs->Join(goodsRows, "Gs", "oTable.IDC = gs.DocID");
    return docs;
}

std::shared_ptr<DataList> CSelectByDoc::ReturnLink(const std::string& sourceDocType, const std::string& retDocType,
                                                   const std::string& linkCode, Date begDate, Date endDate,
                                                   bool isWithOutVAT)
{
    auto list = SpecList(sourceDocType, begDate, endDate);
    auto& book = BookChecked();

    auto content = book.CreateList("THGoodContent");
    content->SetFilter(SqlTools::CondByField(content->Fields().Item("LinkKindCode"), Op::kEqual, Value(linkCode)));
    content->Fields().SelectFields({});
    auto retSpec = book.CreateList("THGoodSpec");
    retSpec->Fields().SelectFields({});
    auto retDoc = book.CreateList("THDocument");
    retDoc->SetFilter(SqlTools::CondByField(retDoc->Fields().Item("IsPosted"), Op::kEqual, Value(1)));
    retDoc->Fields().SelectFields({});

    list->Join(content, "GCont", "gs.IDC = GCont.CorSpecID");
    list->Join(retSpec, "RSpec", "GCont.SpecID = RSpec.IDC");
    if (isWithOutVAT) {
        auto addSpec = book.CreateList("THGoodSpec" + retDocType);
        addSpec->Fields().SelectFields({});
        list->Join(addSpec, "AddSp", "RSpec.DocID = AddSp.DocID AND RSpec.PosNumb = AddSp.PosNumb");
    }
    list->Join(retDoc, "RDoc", "RSpec.DocID = RDoc.IDC");

    list->Fields().AddField("DocID", kPosition, "gs.DocID");
    list->Fields().AddField("PosNumb", kPosition, "gs.PosNumb");
    return list;
}

std::shared_ptr<DataList> CSelectByDoc::RetOrderSum(const std::string& sourceDocType, const std::string& retDocType,
                                                    const std::string& linkCode, Date begDate, Date endDate,
                                                    bool isWithOutVAT)
{
    auto list = ReturnLink(sourceDocType, retDocType, linkCode, begDate, endDate, isWithOutVAT);
    list->Fields()
        .AddField("Summa", kAmount, isWithOutVAT ? "RSpec.Summa - AddSp.SummVAT" : "RSpec.Summa")
        .SetAggregate(Talvex::Aggregate::kSum);
    list->Fields().AddField("Amount", kQuantity, "RSpec.AmountAccount").SetAggregate(Talvex::Aggregate::kSum);
    return list;
}

std::shared_ptr<DataList> CSelectByDoc::DiscountSum(const std::string& sourceDocType, const std::string& retDocType,
                                                    const std::string& linkCode, Date begDate, Date endDate,
                                                    bool isWithOutVAT)
{
    auto list = ReturnLink(sourceDocType, retDocType, linkCode, begDate, endDate, isWithOutVAT);
    auto discountHeader = BookChecked().CreateList("THDocument" + retDocType);
    discountHeader->Fields().SelectFields({});
    list->Join(discountHeader, "RDAdd", "RDoc.IDC = RDAdd.DocID");
    list->Fields()
        .AddField("Summa", kAmount, isWithOutVAT ? "(RSpec.Summa - AddSp.SummVAT)" : "RSpec.Summa")
        .SetAggregate(Talvex::Aggregate::kSum);
    list->Fields()
        .AddField("Amount", kQuantity,
                  "CASE WHEN ( RDAdd.IsByAmount = 0 OR RSpec.Amount > 0 ) THEN 0 ELSE  RSpec.AmountAccount  END")
        .SetAggregate(Talvex::Aggregate::kSum);
    return list;
}

std::shared_ptr<DataList> CSelectByDoc::InGoodFixRezult(const std::string& sourceDocType, const std::string& retDocType,
                                                        Date begDate, Date endDate, const std::string& sFixCat)
{
    auto list = SpecList(sourceDocType, begDate, endDate);
    auto& book = BookChecked();

    auto fix = book.CreateList("THGoodSpecFixLog");
    fix->Fields().SelectFields({});
    if (!sFixCat.empty()) {
        CSelectByRef byRef;
        byRef.InitBook(book_);
        fix->SetFilter(byRef.FiltrByListObj(*fix, "Fix.FixCategory", sFixCat));
    }
    list->Join(fix, "Fix", "Gs.IDC = Fix.IncomeSpecID");

    if (!retDocType.empty()) {
        // The fixation towards documents of any other type: what went out by sale or use,
        // not what the return type took back.
        auto retDoc = book.CreateList("THDocument");
        retDoc->SetFilter(
            SqlTools::CondByField(retDoc->Fields().Item("DocTypeCode"), Op::kNotEqual, Value(retDocType)));
        retDoc->Fields().SelectFields({});
        auto outSpec = book.CreateList("THGoodSpec");
        outSpec->Fields().SelectFields({});
        list->Join(outSpec, "gsOut", "gsOut.IDC = Fix.OutcomeSpecID");
        list->Join(retDoc, "RetDoc", "gsOut.DocID = RetDoc.IDC");
    }

    list->Fields().AddField("PosNumb", kPosition, "Gs.PosNumb");
    list->Fields().AddField("Amount", kQuantity, "Fix.Amount").SetAggregate(Talvex::Aggregate::kSum);
    return list;
}

std::shared_ptr<DataList> CSelectByDoc::NeedPayedDocList(const std::vector<std::string>& docTypes, Date dateBeg,
                                                         Date dateEnd, Date datePayEnd, const std::string& clientCode,
                                                         const std::string& currencyCode, bool isPosted,
                                                         bool isByDatePay, bool includeCPAY,
                                                         const std::string& contractType, bool joinParty,
                                                         bool usePayTermDebt)
{
    // The ERP keeps no contract type on documents or terms, so a contract type chosen on a
    // report form narrows nothing: the list keeps one row per open term either way.
    (void)contractType;

    auto& book = BookChecked();
    const bool withPayEnd = datePayEnd != Date{};
    auto list = book.CreateList(PayTermView(withPayEnd, usePayTermDebt));
    const std::string prefix = list->Alias() + ".";
    if (withPayEnd) {
        list->Params().Item("PayToDate").SetValue(Value(datePayEnd));
        list->SetFilter(SqlTools::CondByName(prefix + "DebtSumma", kAmount, Op::kNotEqual, Value(0)));
    }

    const std::string dateColumn = isByDatePay ? "NeedPayDate" : "DocumentDate";
    std::vector<std::string> conds{list->Filter(), SqlTools::CondByName(prefix + "DocTypeCode", kCode, Op::kInList,
                                                                        Value(QuoteList(JoinCodes(docTypes), ",")))};
    if (!currencyCode.empty())
        conds.push_back(SqlTools::CondByName(prefix + "CurrencyCode", kCode, Op::kEqual, Value(currencyCode)));
    if (isPosted) conds.push_back(SqlTools::CondByName(prefix + "IsPosted", kFlag, Op::kEqual, Value(1)));
    if (dateBeg != Date{})
        conds.push_back(SqlTools::CondByName(prefix + dateColumn, kDate, Op::kNotLess, Value(dateBeg)));
    if (dateEnd != Date{})
        conds.push_back(SqlTools::CondByName(prefix + dateColumn, kDate, Op::kNotGreater, Value(dateEnd)));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));

    list->Fields().SelectFields({"IDC", "DocTypeCode", "Number", "CurrencyCode"});
    list->Fields().AddField("Summa", kAmount, prefix + "DocSumma");
    list->Fields().AddField("RestPaySum", kAmount, prefix + "DebtSumma");
    list->Fields().AddField("DocumentDate", kDate, prefix + dateColumn);

    if (joinParty) JoinParty(book, *list, docTypes, clientCode, includeCPAY);
    if (includeCPAY) JoinCashPlanLines(book, *list, clientCode, joinParty);
    // The client comes from the party of the type's role, and for cash-plan lines from the
    // line itself; only what is joined can be named.
    std::string clientExpr;
    if (joinParty && includeCPAY)
        clientExpr = "coalesce(Party.PartyCode,SpecCPAY.Client)";
    else if (joinParty)
        clientExpr = "Party.PartyCode";
    else if (includeCPAY)
        clientExpr = "SpecCPAY.Client";
    if (!clientExpr.empty()) list->Fields().AddField("Client", kText, clientExpr);
    list->OrderBy("DocumentDate");
    return list;
}

// The party of each document type's role ("Party"), narrowed to the client when one is given.
void CSelectByDoc::JoinParty(Talvex::Book& book, DataList& list, const std::vector<std::string>& docTypes,
                             const std::string& clientCode, bool includeCPAY)
{
    auto party = book.CreateList("THPartyAttribute");
    party->Fields().SelectFields({});
    if (!clientCode.empty()) party->SetFilter(Talvex::ClientFilter("Party", clientCode));
    // Each type's party is the one of its role. Written as one equality on the role per role,
    // each with the types that have it, rather than as the role computed per document: the
    // planner then counts the parties of a role from the statistics of the role column and
    // keeps only the parties of the roles asked for, where a computed role left it guessing
    // about two hundred times too few rows and choosing row-by-row lookups.
    std::vector<std::pair<std::string, std::string>> typesByRole; // role, its types
    for (const auto& type : docTypes) {
        const std::string role = PartyRole(type);
        if (role.empty()) continue;
        auto same = std::find_if(typesByRole.begin(), typesByRole.end(),
                                 [&role](const auto& entry) { return entry.first == role; });
        if (same == typesByRole.end())
            typesByRole.emplace_back(role, type);
        else
            same->second += "," + type;
    }
    std::vector<std::string> byRole;
    for (const auto& [role, types] : typesByRole)
        byRole.push_back("(Party.RolePartyCode = " + SqlTools::QuoteCodes(role, kCode) +
                         " and oTable.DocTypeCode in (" + SqlTools::QuoteCodes(types, kCode) + "))");
    // Without any type that has a role nothing could match: no party does.
    std::string on = "oTable.IDC = Party.DocId and ";
    on += byRole.empty() ? std::string("1 = 0") : "(" + SqlTools::CombineConds(Talvex::CombineMode::kOr, byRole) + ")";
    // Cash-plan lines have no party: with them the party join is outer, so that they stay.
    list.Join(party, "Party", on, includeCPAY ? 1 : 0);
}

// The cash-plan lines of the documents ("SpecCPAY"), whose client is the line's own.
void CSelectByDoc::JoinCashPlanLines(Talvex::Book& book, DataList& list, const std::string& clientCode, bool joinParty)
{
    auto planLines = book.CreateList("THGoodSpecCPAY");
    planLines->SetAlias("SpecCPAY");
    if (!clientCode.empty())
        planLines->SetFilter(SqlTools::CondByField(planLines->Fields().Item("Client"), Op::kEqual, Value(clientCode)));
    planLines->Fields().SelectFields({});
    // Written with oTable, which reads "Doc" once the caller names the list so.
    list.Join(planLines, "SpecCPAY", "oTable.IDC = SpecCPAY.DocId AND oTable.PosNumb = SpecCPAY.PosNumb", 1);
    // Both joins are outer here, so the client must be found by one of them.
    if (!clientCode.empty())
        AndInto(list,
                joinParty ? "Party.DocId IS NOT NULL OR SpecCPAY.DocId IS NOT NULL" : "SpecCPAY.DocId IS NOT NULL");
}

std::shared_ptr<DataList> CSelectByDoc::NeedPayedDocs(const std::vector<std::string>& docTypes, Date dateBeg,
                                                      Date dateEnd, Date datePayEnd, const std::string& clientCode,
                                                      const std::string& currencyCode, bool isPosted, bool isByDatePay)
{
    auto list = NeedPayedDocList(docTypes, dateBeg, dateEnd, datePayEnd, clientCode, currencyCode, isPosted,
                                 isByDatePay, false, "");
    list->SetAutomatic(0);
    list->Refresh();
    return list;
}

std::shared_ptr<DataList> CSelectByDoc::NotLinkPaySum(long direction, const std::string& client, bool isMngBKeep,
                                                      Date endDate)
{
    auto& book = BookChecked();
    const bool paidOut = direction == 1;
    const std::string payTypes = paidOut ? "KOI,MP,MPT" : "KOP,KVT,MPP,MPPT";
    const std::string role = paidOut ? "GAV" : "MOK";

    auto payDocs = book.CreateList("THDocument");
    payDocs->SetAlias("PayDocs");
    std::vector<std::string> conds{
        SqlTools::CondByName("PayDocs.DocTypeCode", kCode, Op::kInList, Value(QuoteList(payTypes, ","))),
        SqlTools::CondByName("PayDocs.IsDirectPay", kFlag, Op::kEqual, Value(0)),
        SqlTools::CondByName("PayDocs.IsPosted", kFlag, Op::kEqual, Value(1))};
    if (endDate != Date{})
        conds.push_back(SqlTools::CondByName("PayDocs.DocumentDate", kDate, Op::kNotGreater, Value(endDate)));
    if (payDocs->Fields().ExistsField("IsMngBKeeping") && isMngBKeep)
        conds.push_back(SqlTools::CondByName("PayDocs.IsMngBkeeping", kFlag, Op::kEqual, Value(1)));
    payDocs->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));

    auto party = book.CreateList("THPartyAttribute");
    party->Fields().SelectFields({});
    std::vector<std::string> partyConds{"PayDocs.IDC = DocParty.DocId"};
    if (!client.empty()) {
        // A quoted list of several clients, or one client code.
        bool quotedList = client.find(',') != std::string::npos && client.find('\'') != std::string::npos;
        partyConds.push_back(
            SqlTools::CondByName("DocParty.PartyCode", kCode, quotedList ? Op::kInList : Op::kEqual, Value(client)));
    }
    partyConds.push_back(SqlTools::CondByName("DocParty.PartyType", kInteger, Op::kEqual, Value(1)));
    partyConds.push_back(SqlTools::CondByName("DocParty.RolePartyCode", kCode, Op::kEqual, Value(role)));
    // With a client the party restricts the payments; without one it only names the payer or
    // payee in "Client", and payments without such a party stay.
    payDocs->Join(party, "DocParty", SqlTools::CombineConds(Talvex::CombineMode::kAnd, partyConds),
                  client.empty() ? 1 : 0);

    auto linked = book.CreateList("THPaySpec");
    linked->SetAlias("PaySpec");
    linked->SetFilter("PaySpec.DocID = PayDocs.IDC AND PaySpec.IsTransfered = 0");
    linked->Fields().SelectFields({"Summa"});
    linked->Fields().Item("Summa").SetAggregate(Talvex::Aggregate::kSum);

    payDocs->Fields().SelectFields({"DocumentDate", "Number", "DocTypeCode", "Summa", "CurrencyCode", "IDC"});
    payDocs->Fields().AddField("NotLinkPaySum", kAmount, "PayDocs.Summa - COALESCE((" + linked->SqlText() + "),0)");
    payDocs->Fields().AddField("Client", kCode, "DocParty.PartyCode");
    return payDocs;
}

} // namespace Quarn_DuzAde
