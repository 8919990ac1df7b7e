#include "quarn/debt/CPaymentDocByPRSF.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/debt/frmPaymentDocByPRSF.hpp"
#include "quarn/debt/internal/PayReportParts.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;
using DT = Talvex::Data::DataTypeEnum;
namespace Parts = PayReportParts;

std::shared_ptr<Talvex::DataList> CPaymentDocByPRSF::InvoiceList(const std::shared_ptr<Talvex::Book>& book,
                                                                 const PaymentDocByPRSFQuery& query)
{
    if (!book) throw Talvex::ValueError("CPaymentDocByPRSF: no Book");
    auto doc = book->CreateList("THDocument");
    doc->SetAlias("Doc");
    doc->Fields().SelectFields({});
    Parts::JoinParty(*book, *doc, "Doc");
    doc->Join(Parts::NoColumns(*book, "THPaySpec"), "PaySpec", "Doc.IDC = PaySpec.CorDocID", 1);
    doc->Join(Parts::NoColumns(*book, "THDocument"), "PayDoc", "PaySpec.DocID = PayDoc.IDC", 1);
    auto& f = doc->Fields();
    f.AddField("IDC", Kind::kId, "Doc.IDC");
    f.AddField("Number", Kind::kText, "Doc.Number");
    f.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    f.AddField("CurrencyCode", Kind::kCode, "Doc.CurrencyCode");
    f.AddField("Summa", Kind::kAmount, "Doc.Summa");
    f.AddField("ClientCode", Kind::kCode, Parts::kPartyCode);
    f.AddField("ClientName", Kind::kLongText, Parts::kPartyName);
    f.AddField("PayDocID", Kind::kId, "PayDoc.IDC");
    f.AddField("PayDocTypeCode", Kind::kCode, "PayDoc.DocTypeCode");
    f.AddField("PayNumber", Kind::kText, "PayDoc.Number");
    f.AddField("PayDate", Kind::kDate, "PayDoc.DocumentDate");
    f.AddField("PayIsPosted", Kind::kFlag, "PayDoc.IsPosted");
    f.AddField("Linked", Kind::kAmount, "PaySpec.SummaCur");
    std::vector<std::string> conds{
        SqlTools::CondByName("Doc.DocTypeCode", Kind::kCode, Op::kEqual, Value("PRSF")),
        SqlTools::CondByName("Doc.IsPosted", Kind::kFlag, Op::kEqual, Value(1)),
        SqlTools::CondByName("Doc.DocumentDate", Kind::kDate, Op::kNotLess, Value(query.dateBeg)),
        SqlTools::CondByName("Doc.DocumentDate", Kind::kDate, Op::kNotGreater, Value(query.dateEnd))};
    if (!query.client.empty()) {
        const bool person = query.client.front() == '~';
        conds.push_back(person ? "Party.PartyType = 2" : "Party.PartyType = 1");
        conds.push_back(SqlTools::CondByName("Party.PartyCode", Kind::kCode, Op::kEqual,
                                             Value(person ? query.client.substr(1) : query.client)));
    }
    doc->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    doc->OrderBy("Doc.DocumentDate, Doc.Number, Doc.IDC, PayDoc.DocumentDate, PaySpec.IDC");
    return doc;
}

void CPaymentDocByPRSF::ReadRows(Talvex::Data::Recordset& rs, std::vector<PrsfInvoice>& invoices,
                                 std::vector<PrsfPaymentLink>& links)
{
    auto& f = rs.Fields();
    const std::size_t idc = f.Item("IDC").Index(), number = f.Item("Number").Index(),
                      date = f.Item("DocumentDate").Index(), currency = f.Item("CurrencyCode").Index(),
                      summa = f.Item("Summa").Index(), client = f.Item("ClientCode").Index(),
                      name = f.Item("ClientName").Index(), payId = f.Item("PayDocID").Index(),
                      payType = f.Item("PayDocTypeCode").Index(), payNumber = f.Item("PayNumber").Index(),
                      payDate = f.Item("PayDate").Index(), posted = f.Item("PayIsPosted").Index(),
                      linked = f.Item("Linked").Index();
    for (std::size_t r : rs.ViewRows()) {
        auto at = [&](std::size_t field) -> const Value& { return rs.StoredValue(r, field); };
        auto text = [&](std::size_t field) { return at(field).IsNull() ? std::string() : at(field).ToText(); };
        const std::int64_t id = at(idc).ToInteger();
        if (invoices.empty() || invoices.back().idc != id)
            invoices.push_back({id, text(number), at(date).ToDate(), text(currency), at(summa).ToCurrency(),
                                text(client), text(name)});
        if (at(payId).IsNull()) continue;
        links.push_back({id, at(payId).ToInteger(), text(payType), text(payNumber), at(payDate).ToDate(),
                         at(linked).ToCurrency(), at(posted).ToInteger() != 0});
    }
}

std::vector<PaymentDocByPRSFRow> CPaymentDocByPRSF::Compute(const std::shared_ptr<Talvex::Book>& book,
                                                            const PaymentDocByPRSFQuery& query)
{
    auto list = InvoiceList(book, query);
    list->Refresh();
    std::vector<PrsfInvoice> invoices;
    std::vector<PrsfPaymentLink> links;
    ReadRows(*list->Recordset(), invoices, links);
    return PaymentDocByPRSFFill(invoices, links, query.repDate);
}

std::shared_ptr<Talvex::Data::Recordset>
CPaymentDocByPRSF::ResultRecordset(const std::vector<PaymentDocByPRSFRow>& rows)
{
    static const std::vector<Parts::Column> kColumns{{"IDC", DT::Integer},
                                                     {"Number", DT::VarWChar},
                                                     {"DocumentDate", DT::DBDate},
                                                     {"REFClientCode", DT::VarWChar},
                                                     {"REFClientName", DT::VarWChar},
                                                     {"CurrencyCode", DT::VarWChar},
                                                     {"Summa", DT::Currency},
                                                     {"PayDocID", DT::Integer},
                                                     {"PayDocTypeCode", DT::VarWChar},
                                                     {"PayNumber", DT::VarWChar},
                                                     {"PayDate", DT::DBDate},
                                                     {"Linked", DT::Currency},
                                                     {"Rest", DT::Currency}};
    std::vector<std::vector<Value>> table;
    table.reserve(rows.size());
    for (const auto& r : rows) {
        const auto& inv = r.invoice;
        if (r.kind == PaymentDocByPRSFKind::Total) {
            table.push_back(
                {Value(),
                 Value("Total (" + std::to_string(r.invoices) + (r.invoices == 1 ? " invoice)" : " invoices)")),
                 Value(), Value(), Value(), Value(inv.currencyCode), Value(inv.summa), Value(), Value(), Value(),
                 Value(), Value(r.linked), Value(r.rest)});
            continue;
        }
        table.push_back({Value(inv.idc), Value(inv.number), Value(inv.documentDate), Value(inv.clientCode),
                         Value(inv.clientName), Value(inv.currencyCode), Value(inv.summa),
                         r.hasPayment ? Value(r.payDocId) : Value(), Value(r.payDocTypeCode), Value(r.payNumber),
                         Parts::DateCell(r.payDate, r.hasPayment), r.hasPayment ? Value(r.linked) : Value(),
                         Value(r.rest)});
    }
    return Parts::ResultTable(kColumns, table);
}

PaymentDocByPRSFQuery CPaymentDocByPRSF::QueryOf(const FieldList& params)
{
    const auto asked = Parts::ReadPeriodAndClient(params);
    return {asked.dateBeg, asked.dateEnd, asked.repDate, asked.client};
}

bool CPaymentDocByPRSF::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        if (!Parts::Ask<frmPaymentDocByPRSF>(Visual(), book, inParams, outParams,
                                             {"DateBeg", "DateEnd", "RepDate", "Client"}))
            return false;
        const PaymentDocByPRSFQuery query = QueryOf(outParams);
        const auto rows = Compute(book, query);
        Parts::HandBack(outParams, ResultRecordset(rows));
        if (Visual() && rows.empty())
            Talvex::Ui::MessageBox().Show("No sale invoices from " + query.dateBeg.ToIso() + " to " +
                                          query.dateEnd.ToIso() + ".");
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
