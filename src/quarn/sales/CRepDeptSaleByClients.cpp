#include "quarn/sales/CRepDeptSaleByClients.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/frmRepDeptSaleByClients.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::SqlOperator;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

std::shared_ptr<Talvex::DataList> Bare(const std::shared_ptr<Talvex::Book>& book, const std::string& table)
{
    auto list = book->CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

// The buyer of an invoice: a client, or a private person at the cash register (party type 2).
void JoinBuyer(Talvex::DataList& list, const std::shared_ptr<Talvex::Book>& book, const std::string& doc)
{
    list.Join(Bare(book, "THPartyAttribute"), "Party", doc + ".IDC = Party.DocId AND Party.RolePartyCode = 'PIR'", 1);
    list.Join(Bare(book, "REFClient"), "Cl", "Party.PartyType <> 2 AND Party.PartyCode = Cl.Code", 1);
    list.Join(Bare(book, "REFPerson"), "Buyer", "Party.PartyType = 2 AND Party.PartyCode = Buyer.Code", 1);
    list.Fields().AddField("ClientCode", FieldType::kCode, "ISNULL(Party.PartyCode, '')");
    list.Fields().AddField("ClientName", FieldType::kText,
                           "COALESCE(Cl.Name, Buyer.FirstName + ' ' + Buyer.LastName, '')");
}

Talvex::Currency MoneyAt(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field, std::int64_t docId)
{
    const Value& v = rs.StoredValue(row, field);
    if (v.IsNull() || v.IsEmpty())
        throw Talvex::ValueError("Summa: the invoice " + std::to_string(docId) + " has no currency rate of its day");
    return v.ToCurrency();
}

constexpr ResultColumn kColumns[] = {
    {"ClientCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"ClientName", DataTypeEnum::VarWChar, FieldType::kText},
    {"SaleSumma", DataTypeEnum::Currency, FieldType::kAmount},
    {"PaidSumma", DataTypeEnum::Currency, FieldType::kAmount},
    {"DebtSumma", DataTypeEnum::Currency, FieldType::kAmount},
    {"OverdueSumma", DataTypeEnum::Currency, FieldType::kAmount},
    {"SharePercent", DataTypeEnum::Numeric, FieldType::kNumber},
    {"RowType", DataTypeEnum::Integer, FieldType::kInteger},
};

} // namespace

std::vector<DeptSaleInvoice> CRepDeptSaleByClients::FetchInvoices(const std::shared_ptr<Talvex::Book>& book,
                                                                  const Params& params)
{
    auto list = book->CreateList("THDocument");
    list->Fields().SelectFields({"IDC", "DocumentDate", "CurrencyCode"});
    JoinBuyer(*list, book, "oTable");
    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "CurrencyCode");
    list->Fields().AddField("SaleSumma", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "oTable.Summa"));
    list->SetFilter(DepartmentSaleInvoices(params, "oTable"));
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = at("IDC"), code = at("ClientCode"), name = at("ClientName"), summa = at("SaleSumma");
    std::vector<DeptSaleInvoice> invoices;
    invoices.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        DeptSaleInvoice invoice;
        invoice.docId = rs->StoredValue(row, idc).ToInteger();
        invoice.clientCode = StoredText(*rs, row, code);
        invoice.clientName = StoredText(*rs, row, name);
        invoice.summa = MoneyAt(*rs, row, summa, invoice.docId);
        invoices.push_back(std::move(invoice));
    }
    return invoices;
}

std::vector<DeptSaleOpenTerm> CRepDeptSaleByClients::FetchOpenTerms(const std::shared_ptr<Talvex::Book>& book,
                                                                    const Params& params)
{
    // The terms as they stood at the period end: payments dated later do not count.
    auto list = Bare(book, "THDocumentPayTermDbt");
    list->Params().Item("PayToDate").SetValue(Value(params.endPeriod));
    list->Join(Bare(book, "THDocument"), "Doc", "oTable.IDC = Doc.IDC");
    JoinBuyer(*list, book, "oTable");
    auto& f = list->Fields();
    f.AddField("DocID", FieldType::kId, "oTable.IDC");
    f.AddField("DocumentDate", FieldType::kDate, "oTable.DocumentDate");
    f.AddField("NeedPayDate", FieldType::kDate, "oTable.NeedPayDate");
    f.AddField("DocCurrency", FieldType::kCode, "oTable.CurrencyCode");
    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "DocCurrency");
    f.AddField("Debt", FieldType::kAmount, rates.ConvertExpr("DocCurrency", "oTable.DebtSumma"));
    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {"oTable.DocTypeCode = 'PRSF'", "oTable.IsPosted = 1",
         SqlTools::CondByName("oTable.DocumentDate", FieldType::kDate, SqlOperator::kNotGreater,
                              Value(params.endPeriod)),
         SqlTools::CondByName("Doc.Department", FieldType::kCode, SqlOperator::kEqual, Value(params.department))}));
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t docId = at("DocID"), code = at("ClientCode"), name = at("ClientName"), date = at("DocumentDate"),
                      needPay = at("NeedPayDate"), debt = at("Debt");
    std::vector<DeptSaleOpenTerm> terms;
    terms.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        DeptSaleOpenTerm term;
        term.docId = rs->StoredValue(row, docId).ToInteger();
        term.clientCode = StoredText(*rs, row, code);
        term.clientName = StoredText(*rs, row, name);
        term.documentDate = rs->StoredValue(row, date).ToDate();
        const Value& due = rs->StoredValue(row, needPay);
        // A term without a due day is due on the invoice's own day.
        term.needPayDate = due.IsNull() || due.IsEmpty() ? term.documentDate : due.ToDate();
        term.debt = MoneyAt(*rs, row, debt, term.docId);
        terms.push_back(std::move(term));
    }
    return terms;
}

std::shared_ptr<Talvex::DataList> CRepDeptSaleByClients::ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                                    const std::vector<DeptSaleClientLine>& lines)
{
    ResultListBuilder result(book, kColumns);
    for (const auto& line : lines)
        result.AddRow(std::vector<Value>{Value(line.isTotal ? std::string() : line.clientCode),
                                         Value(line.isTotal ? std::string("Total") : line.clientName),
                                         Value(line.sales),
                                         Value(line.paid),
                                         Value(line.openDebt),
                                         Value(line.overdue),
                                         Value(Talvex::Decimal::Parse(line.sharePercent.ToFixed(2))),
                                         Value(line.isTotal ? 1 : 0)});
    return result.Finish();
}

bool CRepDeptSaleByClients::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        frmRepDeptSaleByClients form(book);
        const std::optional<Params> asked = AskPeriodDepartment(form, inParams, outParams);
        if (!asked) return false;
        const Params& params = *asked;
        const std::vector<DeptSaleClientLine> lines = DeptSaleByClientLines(
            FetchInvoices(book, params), FetchOpenTerms(book, params), params.begPeriod, params.endPeriod);
        if (lines.empty()) {
            SayNothingToShow();
            return false;
        }
        outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(ResultList(book, lines))));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
