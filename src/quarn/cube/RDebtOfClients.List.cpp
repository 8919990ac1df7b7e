// The data of RDebtOfClients: the open debts by document as they stood on the report date,
// and the payments not yet linked to any document, each with its department, person and
// client, read once into typed rows.
#include "quarn/cube/RDebtOfClients.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/query/CSelectByDoc.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::SqlTools;
using Talvex::Value;
using FieldType = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr long kNotGiven = 15000;

// The manager of a client is its person of role 'MATS'; the department is the one where
// that person is a primary staff member (as in the client-debt report).
constexpr const char* kManagerOn = "oTable.Client = ClntP.ClientCode AND ClntP.PersonRoleCode = 'MATS'";
constexpr const char* kStaffOn = "ClntP.PersonCode = StfM.EmployeeCode AND StfM.IsPrimary = 1";
constexpr const char* kDepartmentOn = "StfM.DepCode = Dep.Code";
constexpr const char* kPersonOn = "ClntP.PersonCode = Per.Code";
constexpr const char* kClientOn = "oTable.Client = Clnt.Code";

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::string InListOrEqual(const std::string& expression, const std::string& codes)
{
    if (codes.find(',') == std::string::npos)
        return SqlTools::CondByName(expression, FieldType::kCode, Op::kEqual, Value(codes));
    return SqlTools::CondByName(expression, FieldType::kCode, Op::kInList, Value(SqlTools::QuoteCodes(codes)));
}

long DirectionOf(bool isBuyDirection)
{
    return isBuyDirection ? 1 : 2;
}

// The outer list over a source list named oTable, with the day's rates of its currency.
std::shared_ptr<DataList> OverSource(Talvex::Book& book, std::shared_ptr<DataList> source)
{
    auto outer = book.CreateList("");
    outer->SetSource(std::move(source), "oTable", 0);
    return outer;
}

} // namespace

OverdueBands RDebtOfClients::BandsOf(const std::vector<OverdueInterval>& intervals)
{
    const auto& res = ModuleFormRes();
    return OverdueBands::FromIntervals(intervals, res.GetString(21843), res.GetString(21842));
}

// Departments, persons and clients by the client of each row, and the user's selections.
void RDebtOfClients::JoinParties(DataList& list, const DebtCubeParams& params) const
{
    Talvex::Book& book = *book_;
    list.Join(NoColumns(book.CreateList("REFClientPerson")), "ClntP", kManagerOn, 1);
    list.Join(NoColumns(book.CreateList("REFStaffMember")), "StfM", kStaffOn, 1);
    list.Join(NoColumns(book.CreateList("REFDepartment")), "Dep", kDepartmentOn, 1);
    list.Join(NoColumns(book.CreateList("REFPerson")), "Per", kPersonOn, 1);
    list.Join(NoColumns(book.CreateList("REFClient")), "Clnt", kClientOn, 1);

    std::string filter = list.Filter();
    if (!params.client.empty()) filter = SqlTools::AndFilter(filter, InListOrEqual("oTable.Client", params.client));
    if (!params.department.empty()) filter = SqlTools::AndFilter(filter, InListOrEqual("Dep.Code", params.department));
    if (!params.person.empty()) filter = SqlTools::AndFilter(filter, InListOrEqual("Per.Code", params.person));
    list.SetFilter(filter);

    const std::string notGiven = SqlTools::Literal(FieldType::kText, Value(ModuleFormRes().GetString(kNotGiven)));
    auto& f = list.Fields();
    f.AddField("Department", FieldType::kLongText, "ISNULL((Dep.Code + ': '+Dep.Name), " + notGiven + ")");
    f.AddField("Person", FieldType::kLongText, "ISNULL((Per.FirstName+' '+Per.LastName), " + notGiven + ")");
    f.AddField("Client", FieldType::kLongText, "ISNULL((Clnt.Code + ': '+Clnt.Name), " + notGiven + ")");
    f.AddField("DepCode", FieldType::kCode, "ISNULL(Dep.Code, '')");
    f.AddField("PerCode", FieldType::kCode, "ISNULL(Per.Code, '')");
    f.AddField("ClnCode", FieldType::kCode, "ISNULL(oTable.Client, '')");
}

std::shared_ptr<DataList> RDebtOfClients::DebtList(const DebtCubeParams& params) const
{
    Talvex::Book& book = *book_;
    CDebtByDoc debt;
    debt.Init(book_);
    // Every term of a document written up to the report date, due or not, with the payments
    // made up to that date: a payment dated later does not reduce the debt.
    auto terms = debt.DebtByClient_NeedPayDate3(DirectionOf(isBuyDirection_), params.repDate);
    terms->Join(NoColumns(book.CreateList("THDocument")), "D", "Doc.IDC = D.IDC", 0);
    terms->Join(NoColumns(book.CreateList("THDocumentPRSF")), "dPRSF", "Doc.IDC = dPRSF.DocID", 1);
    terms->Fields().AddField("NeedPayDate", FieldType::kDate, "Doc.NeedPayDate");
    terms->Fields().AddField("DocDate", FieldType::kDate, "D.DocumentDate");
    terms->Fields().AddField("RateDate", FieldType::kDate, "coalesce(dPRSF.RateDate, D.DocumentDate)");
    if (!params.docState.empty())
        terms->SetFilter(SqlTools::AndFilter(terms->Filter(), InListOrEqual("D.StateCode", params.docState)));

    auto list = OverSource(book, terms);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, params.isRateByDocDate ? "DocDate" : "RateDate", "CurrencyCode");
    list->Fields().SelectFields({});
    auto& f = list->Fields();
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocumentDate", FieldType::kDate, "oTable.NeedPayDate");
    f.AddField("DocDate", FieldType::kDate, "oTable.DocDate");
    f.AddField("DocSumma", FieldType::kAmount, "oTable.Summa");
    f.AddField("CurrencyCode", FieldType::kCode, "oTable.CurrencyCode");
    f.AddField("NeedPaySum", FieldType::kAmount, "oTable.RestPaySum");
    f.AddField("NextPaySum", FieldType::kAmount, "oTable.Summa");
    f.AddField("NotLinkPaySum", FieldType::kAmount, "0");
    f.AddField("AccNeedPaySum", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "oTable.RestPaySum"));
    f.AddField("AccNotLinkPaySum", FieldType::kAmount, "0");
    JoinParties(*list, params);
    return list;
}

std::shared_ptr<DataList> RDebtOfClients::PaymentList(const DebtCubeParams& params) const
{
    CSelectByDoc selDoc;
    selDoc.Init(book_);
    auto payments = selDoc.NotLinkPaySum(DirectionOf(isBuyDirection_), "", false, params.repDate);
    auto list = OverSource(*book_, payments);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "CurrencyCode");
    list->SetFilter(SqlTools::CondByName("oTable.NotLinkPaySum", FieldType::kAmount, Op::kNotEqual, Value(0)));
    list->Fields().SelectFields({});
    auto& f = list->Fields();
    f.AddField("IDC", FieldType::kId, "oTable.IDC");
    f.AddField("DocTypeCode", FieldType::kCode, "oTable.DocTypeCode");
    f.AddField("Number", FieldType::kCode, "oTable.Number");
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("DocDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("DocSumma", FieldType::kAmount, "oTable.Summa");
    f.AddField("CurrencyCode", FieldType::kCode, "oTable.CurrencyCode");
    f.AddField("NeedPaySum", FieldType::kAmount, "0");
    f.AddField("NextPaySum", FieldType::kAmount, "oTable.Summa");
    f.AddField("NotLinkPaySum", FieldType::kAmount, "oTable.NotLinkPaySum");
    f.AddField("AccNeedPaySum", FieldType::kAmount, "0");
    f.AddField("AccNotLinkPaySum", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "oTable.NotLinkPaySum"));
    JoinParties(*list, params);
    return list;
}

namespace {

void AppendRows(DataList& list, std::vector<DebtCubeSourceRow>& rows)
{
    list.Refresh();
    auto rs = list.Recordset();
    auto index = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = index("IDC"), type = index("DocTypeCode"), number = index("Number"),
                      due = index("DocumentDate"), docDate = index("DocDate"), docSumma = index("DocSumma"),
                      currency = index("CurrencyCode"), needPay = index("NeedPaySum"), nextPay = index("NextPaySum"),
                      notLink = index("NotLinkPaySum"), accNeed = index("AccNeedPaySum"),
                      accNotLink = index("AccNotLinkPaySum"), dep = index("Department"), per = index("Person"),
                      cln = index("Client"), depCode = index("DepCode"), perCode = index("PerCode"),
                      clnCode = index("ClnCode");
    for (std::size_t row : rs->ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs->StoredValue(row, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        auto money = [&](std::size_t field) {
            return at(field).IsNull() ? Talvex::Currency() : at(field).ToCurrency();
        };
        auto date = [&](std::size_t field) { return at(field).IsNull() ? Talvex::Date() : at(field).ToDate(); };
        DebtCubeSourceRow r;
        r.idc = at(idc).IsNull() ? 0 : at(idc).ToInteger();
        r.docTypeCode = text(type);
        r.number = text(number);
        r.dueDate = date(due);
        r.docDate = date(docDate);
        r.docSumma = money(docSumma);
        r.currencyCode = text(currency);
        r.needPaySum = money(needPay);
        r.nextPaySum = money(nextPay);
        r.notLinkPaySum = money(notLink);
        r.accNeedPaySum = money(accNeed);
        r.accNotLinkPaySum = money(accNotLink);
        r.department = text(dep);
        r.person = text(per);
        r.client = text(cln);
        r.depCode = text(depCode);
        r.perCode = text(perCode);
        r.clnCode = text(clnCode);
        rows.push_back(std::move(r));
    }
}

} // namespace

DebtCubeRows RDebtOfClients::ReadRows(const DebtCubeParams& params) const
{
    std::vector<DebtCubeSourceRow> rows;
    AppendRows(*DebtList(params), rows);
    AppendRows(*PaymentList(params), rows);
    return DebtCubeRows(std::move(rows), params.repDate);
}

} // namespace Quarn_DuzAde
