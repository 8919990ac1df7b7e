// The set-off operation's reads and writes: the list of clients' open debt, the unposted
// set-off documents already made today, and the writing of one client's document.
#include "quarn/settlement/frmSetOffDebt.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/documents/CPayedDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/settlement/SetOffPlan.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::SqlTools;
using Talvex::Value;
using Op = Talvex::SqlOperator;
using Agg = Talvex::Aggregate;
using enum Talvex::FieldType;

namespace {

constexpr const char* kSetOffType = "SUSM";

// The client's role on a set-off document: the buyer (PIR) of what it owes us, the seller
// (PAR) of what we owe it, as on the documents being settled.
const char* ClientRole(bool payables)
{
    return payables ? "PAR" : "PIR";
}

// The second role is filled by the same client. A set-off settles the client's debts on both
// sides against each other, so the client is the buyer and the seller of the document; the
// ledger posts a set-off from the seller's account to the buyer's, which for one client
// moves the sum between its payable and receivable accounts, as it should.
const char* OtherRole(bool payables)
{
    return payables ? "PIR" : "PAR";
}

// What a failure names: the client whose document it was.
std::string SetOffOf(const std::string& client)
{
    return "Set-off document of client \"" + client + "\" not written: ";
}

} // namespace

std::shared_ptr<DataList> frmSetOffDebt::CreateDebtList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                        Talvex::Currency maxSum)
{
    if (!book) throw Talvex::ValueError("frmSetOffDebt: no Book");
    CDebtByDoc debt;
    debt.Init(book);
    auto main = debt.CrSelByClient("", payables ? 1 : 2, Talvex::Date{}, book->Today());
    main->Fields().SelectFields({kClient, kAccNeedPaySum});

    auto list = NestList(main, "Main", 0, book, false);
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    list->Join(client, "Client", "Main.Client = Client.Code");
    list->Fields().AddField(kName, kLongText, "Client.Name");
    // Constants stand beside the sums without being grouped by.
    list->Fields().AddField(kPayDoc, kLongText, "''").SetAggregate(Agg::kGroupExpression);
    list->Fields().AddField(kPayDocID, kId, "0").SetAggregate(Agg::kGroupExpression);
    list->Fields().Item(kAccNeedPaySum).SetAggregate(Agg::kSum);
    list->OrderBy("Main.Client");
    // Only clients whose whole open debt on the side does not exceed the sum entered.
    list->SetGroupFilter(SqlTools::CondByName("SUM(Main.AccNeedPaySum)", kAmount, Op::kNotGreater, Value(maxSum)));
    return list;
}

std::shared_ptr<DataList> frmSetOffDebt::CreateClientTermsList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                               const std::string& client)
{
    if (!book) throw Talvex::ValueError("frmSetOffDebt: no Book");
    if (client.empty()) throw Talvex::ValueError("frmSetOffDebt: the client's terms need a client");
    // The list's own selection, term by term: the same documents, roles and rates.
    CDebtByDoc debt;
    debt.Init(book);
    auto terms = debt.CrSelByClient(client, payables ? 1 : 2, Talvex::Date{}, book->Today());
    terms->Fields().SelectFields(
        {"IDC", "Number", "CurrencyCode", "DocumentDate", "RestPaySum", kAccNeedPaySum, kClient});
    terms->Fields().AddField("NeedPayDate", kDate, "Doc.NeedPayDate");
    // The client filter also takes in the members of a client group: only the client's own.
    terms->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {terms->Filter(), SqlTools::CondByName("Party.PartyCode", kCode, Op::kEqual, Value(client))}));
    return terms;
}

std::vector<SetOffTerm> frmSetOffDebt::ReadClientTerms(bool payables, const std::string& client) const
{
    auto list = CreateClientTermsList(book_, payables, client);
    list->Refresh();
    std::vector<SetOffTerm> terms;
    auto rs = list->Recordset();
    if (rs->RecordCount() == 0) return terms;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& f = rs->Fields();
        auto date = [&](const char* name) {
            const Value v = f.Item(name).Value();
            return v.IsNull() ? Talvex::Date{} : v.ToDate();
        };
        auto money = [&](const char* name) {
            const Value v = f.Item(name).Value();
            return v.IsNull() ? Talvex::Currency() : v.ToCurrency();
        };
        const std::string number = f.Item("Number").Value().ToText();
        // A foreign document without a rate of its date cannot be counted in the account
        // currency: settling it at some other rate is exactly what must not happen.
        if (f.Item(kAccNeedPaySum).Value().IsNull() && money("RestPaySum") != Talvex::Currency())
            throw Talvex::ValueError("document " + number + " in " + f.Item("CurrencyCode").Value().ToText() +
                                     " has no rate of its date");
        terms.push_back({f.Item("IDC").Value().ToInteger(), number, date("DocumentDate"), date("NeedPayDate"),
                         money("RestPaySum"), money(kAccNeedPaySum)});
    }
    return terms;
}

std::map<std::string, std::pair<std::int64_t, std::string>>
frmSetOffDebt::OpenSetOffDocuments(bool payables, const std::string& client) const
{
    auto docs = book_->CreateList("THDocument");
    docs->Fields().SelectFields({"IDC", "Code"});
    auto party = book_->CreateList("THPartyAttribute");
    party->Fields().SelectFields({"PartyCode"});
    party->SetFilter(
        SqlTools::CondByField(party->Fields().Item("RolePartyCode"), Op::kEqual, Value(ClientRole(payables))));
    docs->Join(party, "Party", "oTable.IDC = Party.DocID");

    std::vector<std::string> conds{
        SqlTools::CondByField(docs->Fields().Item("DocTypeCode"), Op::kEqual, Value(kSetOffType)),
        SqlTools::CondByField(docs->Fields().Item("IsPosted"), Op::kEqual, Value(0)),
        SqlTools::CondByField(docs->Fields().Item("DocumentDate"), Op::kEqual, Value(book_->Today())),
        SqlTools::CondByField(docs->Fields().Item("IsKredit"), Op::kEqual, Value(payables ? 1 : 0)),
    };
    if (!client.empty()) conds.push_back(SqlTools::CondByName("Party.PartyCode", kCode, Op::kEqual, Value(client)));
    docs->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    docs->SetAlias("Doc");
    docs->OrderBy("Doc.IDC");
    docs->Refresh();

    // The newest document of a client wins when there should ever be two.
    std::map<std::string, std::pair<std::int64_t, std::string>> found;
    auto rs = docs->Recordset();
    if (rs->RecordCount() == 0) return found;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const Value code = rs->Fields().Item("Code").Value();
        found[rs->Fields().Item("PartyCode").Value().ToText()] = {rs->Fields().Item("IDC").Value().ToInteger(),
                                                                  code.IsNull() ? std::string() : code.ToText()};
    }
    return found;
}

bool frmSetOffDebt::WriteDocument(std::size_t row)
{
    const std::string client = Rows().Get(row, kClient).ToText();
    std::int64_t idc = 0;
    std::string code;
    bool written = false;

    try {
        // Taken before the unit begins, so that the unit reads what a session that held the
        // lock before has written: its documents and their numbers.
        Talvex::Data::SessionLock lock(book_->Db(), kWritingLock);
        // One unit of work per client: a failure anywhere below undoes the client's header,
        // parties and links, and nothing of other clients.
        Talvex::Data::Transaction unit(book_->Db());

        // A run before this one, or another user, may have set the client off already today: an
        // unposted set-off document of today on the same side is the client's document.
        const auto existing = OpenSetOffDocuments(rowsPayables_, client);
        if (auto it = existing.find(client); it != existing.end()) {
            idc = it->second.first;
            code = it->second.second;
        } else {
            // The plan of the client's document from its open terms as the list reads them,
            // read again inside the unit so that it settles what is open now.
            const SetOffDocumentPlan plan = PlanSetOff(ReadClientTerms(rowsPayables_, client));
            auto& doc = *document_;
            doc.New(kSetOffType);
            doc.Fields("DocTypeCode") = Value(kSetOffType);
            doc.Fields("Number") = Value(doc.NextNumber());
            doc.Fields("CurrencyCode") = Value(accountCurrency_);
            doc.Fields("DocumentDate") = Value(book_->Today());
            doc.Fields("Summa") = Value(plan.summa);
            doc.Fields("IsKredit") = Value(rowsPayables_ ? 1 : 0);
            idc = doc.Save();

            party_->Write({idc, kSetOffType, ClientRole(rowsPayables_), 1, client});
            party_->Write({idc, kSetOffType, OtherRole(rowsPayables_), 1, client});

            payedDoc_->Init(doc);
            for (const auto& link : plan.links)
                payedDoc_->AddDocToPay(link.idc, link.summa, link.summaCur);
            payedDoc_->SetGoodDoc(true, client);
            doc.Save();
            code = doc.Fields("Code").ToText();
            written = true;
        }
        unit.Commit();
    } catch (const Talvex::DatabaseError& e) {
        throw Talvex::DatabaseError(SetOffOf(client) + e.what());
    } catch (const std::exception& e) {
        throw Talvex::ValueError(SetOffOf(client) + e.what());
    }
    SetDocument(row, idc, code);
    return written;
}

} // namespace Quarn_DuzAde
