#include "quarn/debt/CDebtByAccPerson.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/debt/frmDebtByAccPerson.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "quarn/query/CSelectByRef.hpp"

#include <sstream>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::FieldList;
using Talvex::SqlTools;
using Talvex::Value;
using FieldType = Talvex::FieldType;

namespace {

constexpr long kReceivables = 2;

// The report's columns, in the order the host prints them.
const std::vector<std::string> kColumns = {"AccNeedPaySum", "IDC",        "DocTypeCode", "DocDate",    "Number",
                                           "Client",        "Person",     "NeedPayDate", "NeedPaySum", "NextPaySum",
                                           "Penalty",       "OutDays",    "PenaltySum",  "PersonName", "ClientName",
                                           "Order",         "DataPayType"};

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

// The persons as the person filter takes them: one code as a literal, several as an in-list.
std::string PersonListLiteral(const std::string& personList)
{
    std::vector<std::string> codes;
    std::stringstream in(personList);
    std::string code;
    while (std::getline(in, code, ',')) {
        const auto first = code.find_first_not_of(' ');
        if (first != std::string::npos) codes.push_back(code.substr(first, code.find_last_not_of(' ') - first + 1));
    }
    if (codes.empty()) return {};
    if (codes.size() == 1) return SqlTools::Literal(FieldType::kCode, Value(codes.front()));
    std::string joined;
    for (const auto& c : codes)
        joined += (joined.empty() ? "" : ",") + c;
    return SqlTools::QuoteCodes(joined);
}

} // namespace

std::shared_ptr<DataList> CDebtByAccPerson::BuildList(const std::shared_ptr<Talvex::Book>& book, Talvex::Date repDate,
                                                      const std::string& personList,
                                                      const std::vector<OverdueInterval>& intervals)
{
    CDebtByDoc debt;
    debt.Init(book);
    // Terms due up to the report date as they stood on it, with the open amount in the
    // accounting currency.
    auto list = debt.DebtByClient_NeedPayDate(kReceivables, repDate, true);
    const std::string accNeedPaySum = list->Fields().Item("AccNeedPaySum").Expression();

    // The signer of each sale invoice, with the invoice's parent document (its order).
    auto signers = debt.DocSignPerson(kReceivables);
    signers->SetFilter(
        SqlTools::AndFilter(signers->Filter(), SqlTools::CondByName("oTable.DocTypeCode", FieldType::kCode,
                                                                    Talvex::SqlOperator::kEqual, Value("PRSF"))));
    // Joined as a list of its own, its columns are read under names of their own.
    signers->Fields().AddField("SignDocID", FieldType::kId, "oTable.IDC");
    signers->Fields().AddField("SignParentID", FieldType::kId, "oTable.ParentID");
    signers->Fields().Item("IDC").SetSelected(false);
    const std::string signPerson = "dPRSF.SignPerson";

    list->Join(signers, "dPRSF", "Doc.IDC = dPRSF.SignDocID", 0);
    list->Join(NoColumns(book->CreateList("THDocumentPRSF")), "daPRSF", "Doc.IDC = daPRSF.DocID", 1);
    list->Join(NoColumns(book->CreateList("REFClient")), "Clnt", "Party.PartyCode = clnt.Code", 1);
    list->Join(NoColumns(book->CreateList("REFPerson")), "Per", signPerson + " = per.Code", 1);
    list->Join(NoColumns(book->CreateList("THDocument")), "dParent", "dPRSF.SignParentID = dParent.IDC", 1);

    // The person selection and the sale invoices, over the open terms the base list keeps.
    CSelectByRef byRef;
    byRef.InitBook(book);
    std::string filter =
        SqlTools::AndFilter(list->Filter(), SqlTools::CondByName("Doc.DocTypeCode", FieldType::kCode,
                                                                 Talvex::SqlOperator::kEqual, Value("PRSF")));
    const std::string persons = byRef.FiltrByPersonList(*list, "per.Code", PersonListLiteral(personList));
    if (!persons.empty()) filter = SqlTools::AndFilter(filter, persons);
    list->SetFilter(filter);

    const std::string repDateLiteral = SqlTools::Literal(FieldType::kDate, Value(repDate));
    const std::string delay = "DATEDIFF(day, Doc.NeedPayDate, " + repDateLiteral + ")";
    const std::string outDays = "(CASE WHEN " + delay + " < 0 THEN 0 ELSE " + delay + " END)";
    const auto& res = ModuleFormRes();
    const auto bands = OverdueBands::FromIntervals(intervals, res.GetString(21843), res.GetString(21842));

    auto& f = list->Fields();
    // The base list keeps its open amount alone; the report's columns follow it in order.
    std::vector<std::string> dropped;
    for (const auto& field : f)
        if (!Talvex::EqualsIgnoreCase(field->Name(), "AccNeedPaySum")) dropped.push_back(field->Name());
    for (const auto& name : dropped)
        f.Remove(name);
    f.AddField("IDC", FieldType::kId, "Doc.IDC");
    f.AddField("DocTypeCode", FieldType::kCode, "Doc.DocTypeCode");
    f.AddField("DocDate", FieldType::kDate, "Doc.DocumentDate");
    f.AddField("Number", FieldType::kCode, "Doc.Number");
    f.AddField("Client", FieldType::kCode, "Party.PartyCode");
    f.AddField("Person", FieldType::kText, signPerson);
    f.AddField("NeedPayDate", FieldType::kDate, "Doc.NeedPayDate");
    f.AddField("NeedPaySum", FieldType::kAmount, "Doc.DebtSumma");
    f.AddField("NextPaySum", FieldType::kAmount, "Doc.Summa");
    // The rate shows in hundredths of a percent, as the printed list gives it; the penalty is
    // worked out from the rate as stored.
    f.AddField("Penalty", FieldType::kNumber, "CAST(daPRSF.Penalty AS NUMERIC(19,2))");
    f.AddField("OutDays", FieldType::kQuantity, outDays);
    // An invoice without a penalty rate accrues none.
    f.AddField("PenaltySum", FieldType::kAmount,
               "ROUND((" + outDays + " * (" + accNeedPaySum + ") * COALESCE(daPRSF.Penalty, 0) / 100),2)");
    f.AddField("PersonName", FieldType::kLongText, "per.FirstName + ' ' + per.LastName");
    f.AddField("ClientName", FieldType::kLongText,
               "CASE WHEN clnt.IsPerson = 1 THEN '' ELSE Coalesce(clnt.EnterpriseTypeCode + ' ','') END + clnt.Name");
    f.AddField("Order", FieldType::kLongText, "dParent.Number");
    f.AddField("DataPayType", FieldType::kLongText, bands.CaseExpression("Doc.NeedPayDate", repDateLiteral));
    // The joined signers bring their own columns along; the report shows its own alone.
    auto result = book->CreateList("");
    result->SetSource(list, "oTable", 0);
    result->Fields().SelectFields(kColumns);
    // Invoices of one signer, band and due date follow each other by number and term, so that
    // the same list prints the same way every time.
    result->OrderBy("Person, DataPayType, NeedPayDate, Number, NeedPaySum, AccNeedPaySum");
    return result;
}

bool CDebtByAccPerson::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        frmDebtByAccPerson form;
        std::vector<OverdueInterval> intervals;
        Talvex::Date repDate;
        std::string personList;
        if (!form.Run(book, intervals, repDate, personList)) return false;
        outParams.Add("Enterprise", FieldType::kLongText, book->Setting("CompanyName"));
        outParams.Add("RepDate", FieldType::kDate, Value(repDate));
        auto list = BuildList(book, repDate, personList, intervals);
        outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(list)));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
