#include "quarn/query/CDebtByDoc.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CSelectByDoc.hpp"
#include "quarn/query/internal/CodeList.hpp"

#include "host/objects/FormRes.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Op = Talvex::SqlOperator;
using enum Talvex::FieldType; // the host's type codes: kCode, kAmount, ...

namespace {

// Placeholder shown for a client nobody is responsible for.
constexpr long kNoResponsiblePersonText = 29100;

constexpr const char* kAccNeedPaySum = "AccNeedPaySum";
constexpr const char* kResponsPerson =
    "ISNULL((ClntPerson.LastName+' '+Left(ClntPerson.FirstName,1)+'.'+COALESCE(Left(ClntPerson.Patronymic,1)+'.', "
    "' ')),";

// A party that is a private person, not a client.
std::string IsPersonCond()
{
    return SqlTools::CondByName("Party.PartyType", kInteger, Op::kEqual, Value(2));
}

} // namespace

CDebtByDoc::CDebtByDoc() = default;
CDebtByDoc::~CDebtByDoc() = default;

std::vector<std::string> CDebtByDoc::DocTypesByDirection(long direction)
{
    switch (direction) {
    case 0: return {"PISF", "TPPI", "GPG", "TID", "PRSF", "TPPR", "PGA", "CPAY", "PISD", "PRSD", "SCN", "BCN"};
    case 1: return {"PISF", "TPPI", "GPG", "TID", "CPAY", "PRSD", "BCN"};
    case 2: return {"PRSF", "TPPR", "PGA", "PISD", "SCN"};
    default: return {};
    }
}

void CDebtByDoc::Init(std::shared_ptr<Talvex::Book> book)
{
    if (!book) throw Talvex::ValueError("CDebtByDoc.Init: no Book");
    selDoc_ = std::make_unique<CSelectByDoc>();
    selDoc_->Init(book);
    book_ = std::move(book);
}

Talvex::Book& CDebtByDoc::BookChecked() const
{
    if (!book_) throw Talvex::ValueError("CDebtByDoc: Init was not called");
    return *book_;
}

void CDebtByDoc::AddAccountSum(DataList& list)
{
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(list, "DocumentDate", "CurrencyCode");
    list.Fields().AddField(kAccNeedPaySum, kAmount, rates.ConvertExpr("CurrencyCode", "Doc.DebtSumma"));
}

std::shared_ptr<DataList> CDebtByDoc::CrSelByClient(const std::string& client, long direction, Date startDate,
                                                    Date endDate, Date datePayEnd)
{
    if (startDate == BookChecked().Today()) startDate = Date{};
    return CrSelByClient2(client, direction, startDate, endDate, datePayEnd);
}

std::shared_ptr<DataList> CDebtByDoc::CrSelByClient2(const std::string& client, long direction, Date startDate,
                                                     Date endDate, Date datePayEnd)
{
    BookChecked();
    auto list = selDoc_->NeedPayedDocList(DocTypesByDirection(direction), startDate, endDate, datePayEnd, client, "",
                                          true, false, false, "");
    list->SetAlias("Doc");
    list->OrderBy("");
    AddAccountSum(*list);
    return list;
}

std::shared_ptr<DataList> CDebtByDoc::DebtByClient_NeedPayDate(long direction, Date dateEnd, bool addFieldAccSumm)
{
    return DebtByClient_NeedPayDate2(direction, dateEnd, dateEnd, addFieldAccSumm);
}

std::shared_ptr<DataList> CDebtByDoc::DebtByClient_NeedPayDate2(long direction, Date dateEnd, Date datePayEnd,
                                                                bool addFieldAccSumm)
{
    BookChecked();
    auto list = selDoc_->NeedPayedDocList(DocTypesByDirection(direction), Date{}, dateEnd, datePayEnd, "", "", true,
                                          true, false, "");
    list->SetAlias("Doc");
    list->OrderBy("");
    if (addFieldAccSumm) AddAccountSum(*list);
    return list;
}

std::shared_ptr<DataList> CDebtByDoc::DebtByClient_NeedPayDate3(long direction, Date dateEnd, bool usePayTermDebt)
{
    BookChecked();
    auto list = selDoc_->NeedPayedDocList(DocTypesByDirection(direction), Date{}, dateEnd, dateEnd, "", "", true, false,
                                          false, "", true, usePayTermDebt);
    list->SetAlias("Doc");
    list->OrderBy("");
    return list;
}

std::shared_ptr<DataList> CDebtByDoc::DebtByNeedPayDate(Date startDate, long direction, const std::string& marketGroup,
                                                        bool isFill, bool includeCPAY, bool isGroupBranch,
                                                        const std::string& contractType, bool cubeForVR)
{
    // The cube variant reads the same rows; the cube itself chooses what it shows of them,
    // so the list does not depend on it.
    (void)cubeForVR;

    auto& book = BookChecked();
    auto list = selDoc_->NeedPayedDocList(DocTypesByDirection(direction), startDate, Date{}, Date{}, "", "", true, true,
                                          includeCPAY, contractType);
    list->SetAlias("Doc");
    list->OrderBy("");
    AddAccountSums(*list, direction);

    const std::string clientExpr = includeCPAY ? "COALESCE(Party.Partycode, SpecCPAY.Client)" : "Party.PartyCode";
    const bool withPersons = marketGroup.empty() && (direction == 0 || direction == 2) && !isGroupBranch;
    AddClientNames(book, *list, clientExpr, withPersons);
    AddResponsiblePerson(book, *list, clientExpr);
    if (!marketGroup.empty()) {
        auto clients = book.CreateList("REFClient");
        clients->SetFilter(
            SqlTools::CondByField(clients->Fields().Item("MarketGrCode"), Op::kEqual, Value(marketGroup)));
        clients->Fields().SelectFields({});
        list->Join(clients, "Client", clientExpr + " = Client.Code");
    }
    KeepClientsAndPersons(*list, includeCPAY, withPersons);

    list->OrderBy("Doc.IDC");
    list->SetAutomatic(0);
    if (isFill) list->Refresh();
    return list;
}

// The open amount in the accounting currency on the document's day; with both directions
// in one list, what we owe counts negative and what is owed to us positive.
void CDebtByDoc::AddAccountSums(DataList& list, long direction) const
{
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(list, "DocumentDate", "CurrencyCode");
    const std::string accountSum = rates.ConvertExpr("CurrencyCode", "Doc.DebtSumma");
    auto& fields = list.Fields();
    if (direction != 0) {
        fields.AddField(kAccNeedPaySum, kAmount, accountSum);
        return;
    }
    fields.AddField(std::string(kAccNeedPaySum) + "Buy", kAmount,
                    "CASE WHEN Doc.DocTypeCode IN (" + SqlTools::QuoteCodes(JoinCodes(DocTypesByDirection(1)), kCode) +
                        ") THEN -1 * " + accountSum + " ELSE 0 END");
    fields.AddField(std::string(kAccNeedPaySum) + "Sell", kAmount,
                    "CASE WHEN Doc.DocTypeCode IN (" + SqlTools::QuoteCodes(JoinCodes(DocTypesByDirection(2)), kCode) +
                        ") THEN " + accountSum + " ELSE 0 END");
}

// The client's group and name; with persons, a private buyer of a sales invoice by his own
// name and code.
void CDebtByDoc::AddClientNames(Talvex::Book& book, DataList& list, const std::string& clientExpr, bool withPersons)
{
    list.Join(WithoutColumns(book.CreateList("REFClient")), "ClGr", clientExpr + " = ClGr.Code", 1);
    std::string clientName = "ClGr.Code + ':' + ClGr.Name";
    if (withPersons) {
        list.Join(WithoutColumns(book.CreateList("REFPerson")), "PerGr",
                  SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                                         {"Party.PartyCode = PerGr.Code", IsPersonCond(),
                                          SqlTools::CondByName("Party.DocTypeCode", kCode, Op::kEqual, Value("PRSF"))}),
                  1);
        clientName = "COALESCE(PerGr.Code + ':' + PerGr.FirstName + PerGr.LastName, " + clientName + " )";
    }
    list.Fields().AddField("ClientGroup", kText, "COALESCE(UPPER(ClGr.Parent), '')");
    list.Fields().AddField("Name", kLongText, clientName);
}

// The responsible person: the client's main person in the manager role. The person list
// joins the outer list directly, after the client-person list, so that its names are
// reachable from the columns (a list joined inside another is seen only through it).
void CDebtByDoc::AddResponsiblePerson(Talvex::Book& book, DataList& list, const std::string& clientExpr)
{
    list.Join(WithoutColumns(book.CreateList("REFClientPerson")), "RepPer",
              SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                                     {"RepPer.ClientCode = " + clientExpr,
                                      SqlTools::CondByName("RepPer.IsMain", kInteger, Op::kEqual, Value(1)),
                                      SqlTools::CondByName("RepPer.PersonRoleCode", kCode, Op::kEqual, Value("MATS"))}),
              1);
    list.Join(WithoutColumns(book.CreateList("REFPerson")), "ClntPerson", "RepPer.PersonCode = ClntPerson.Code", 1);
    list.Fields().AddField("ResponsPerson", kLongText,
                           std::string(kResponsPerson) +
                               SqlTools::Literal(kText, Value(ModuleFormRes().GetString(kNoResponsiblePersonText))) +
                               ")");
}

// Clients only, or with persons clients and private persons, a person's code marked by '~'.
void CDebtByDoc::KeepClientsAndPersons(DataList& list, bool includeCPAY, bool withPersons)
{
    auto& fields = list.Fields();
    if (withPersons && fields.ExistsField("Client")) {
        Talvex::Field& client = fields.Item("Client");
        client.SetExpression("CASE WHEN " + IsPersonCond() + " THEN '~' ELSE '' END + " + client.SqlExpression());
    }
    const std::string partyTypeExpr = includeCPAY ? "COALESCE(Party.PartyType,1)" : "Party.PartyType";
    list.SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {list.Filter(), withPersons ? SqlTools::CondByName(partyTypeExpr, kInteger, Op::kInList, Value("1,2"))
                                    : SqlTools::CondByName(partyTypeExpr, kInteger, Op::kEqual, Value(1))}));
}

void CDebtByDoc::FilterByDepartmentAndPerson(DataList& lst, long directioin, const std::string& department,
                                             const std::string& person)
{
    auto& book = BookChecked();
    // Joined one after another to the document list, so that the department and person
    // conditions below can be written on it.
    lst.Join(DocSignPerson(directioin), "dDoc", "Doc.IDC = dDoc.IDC");
    lst.Join(WithoutColumns(book.CreateList("REFPerson")), "Per", "Per.Code = dDoc.SignPerson");
    lst.Join(WithoutColumns(book.CreateList("REFStaffMember")), "StfM",
             "Per.Code = StfM.EmployeeCode AND StfM.IsPrimary = 1", 1);
    lst.Join(WithoutColumns(book.CreateList("REFDepartment")), "Dep", "StfM.DepCode = Dep.Code", 1);

    std::vector<std::string> conds{lst.Filter()};
    if (!department.empty()) conds.push_back(SqlTools::CondByName("Dep.Code", kCode, Op::kEqual, Value(department)));
    if (!person.empty()) conds.push_back(SqlTools::CondByName("Per.Code", kCode, Op::kEqual, Value(person)));
    lst.SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
}

std::shared_ptr<DataList> CDebtByDoc::DocSignPerson(long direction)
{
    auto& book = BookChecked();
    auto docs = book.CreateList("THDocument");
    docs->SetAlias("DocAutor");
    docs->SetFilter(SqlTools::CondByName("oTable.DocTypeCode", kCode, Op::kInList,
                                         Value(JoinCodes(DocTypesByDirection(direction)))));

    // The signing person set on the document itself; the attribute table names documents
    // "$THDocument$<type>", matched without the separator.
    auto attributes = WithoutColumns(book.CreateList("AdminObjectAttrib"));
    docs->Join(attributes, "SignAttr",
               "REPLACE(SignAttr.ObjectCode,'$','') = 'THDocument' + oTable.DocTypeCode AND SignAttr.ObjectID = "
               "oTable.IDC AND SignAttr.AttribCode = 'SignPerson'",
               1);
    // Otherwise the person of the user who wrote the document.
    docs->Join(WithoutColumns(book.CreateList("REFPerson")), "AutorPer", "oTable.Author = AutorPer.UserID", 1);

    docs->Fields().SelectFields({"IDC"});
    docs->Fields().AddField("SignPerson", kCode, "COALESCE(NULLIF(SignAttr.AttribValue, ''), AutorPer.Code)");
    return docs;
}

} // namespace Quarn_DuzAde
