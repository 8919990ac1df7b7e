#include "quarn/debt/CDetailDocPayment.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/debt/frmDetailDocPayment.hpp"
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

namespace {

std::string TextAt(Talvex::Data::Recordset& rs, const char* name)
{
    const Value& v = rs.Fields().Item(name).Value();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace

std::int64_t CDetailDocPayment::FindDocument(Talvex::Book& book, const std::string& number, const char* control)
{
    if (number.empty())
        throw Talvex::ValueError(std::string(control) + ": type the document's number or pick it from the list");
    auto docs = book.CreateList("THDocument");
    docs->Fields().SelectFields({"IDC", "DocTypeCode"});
    docs->SetFilter(SqlTools::CondByName("oTable.Number", Kind::kText, Op::kEqual, Value(number)));
    docs->OrderBy("oTable.IDC");
    docs->Refresh();
    auto rs = docs->Recordset();
    if (rs->RecordCount() == 0)
        throw Talvex::ValueError(std::string(control) + ": there is no document with the number '" + number + "'");
    if (rs->RecordCount() > 1) {
        std::string types;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            types += (types.empty() ? "" : ", ") + TextAt(*rs, "DocTypeCode");
        throw Talvex::ValueError(std::string(control) + ": " + std::to_string(rs->RecordCount()) +
                                 " documents carry the number '" + number + "' (" + types + ")");
    }
    rs->MoveFirst();
    return rs->Fields().Item("IDC").Value().ToInteger();
}

DocPaymentHeader CDetailDocPayment::ReadHeader(const std::shared_ptr<Talvex::Book>& book, std::int64_t docId)
{
    auto doc = book->CreateList("THDocument");
    doc->SetAlias("Doc");
    auto& f = doc->Fields();
    f.SelectFields({});
    Parts::JoinParty(*book, *doc, "Doc");
    f.AddField("IDC", Kind::kId, "Doc.IDC");
    f.AddField("DocTypeCode", Kind::kCode, "Doc.DocTypeCode");
    f.AddField("Number", Kind::kText, "Doc.Number");
    f.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    f.AddField("CurrencyCode", Kind::kCode, "Doc.CurrencyCode");
    f.AddField("Summa", Kind::kAmount, "Doc.Summa");
    f.AddField("ClientCode", Kind::kCode, Parts::kPartyCode);
    f.AddField("ClientName", Kind::kLongText, Parts::kPartyName);
    doc->SetFilter(SqlTools::CondByName("Doc.IDC", Kind::kId, Op::kEqual, Value(docId)));
    doc->Refresh();
    auto rs = doc->Recordset();
    if (rs->RecordCount() == 0) throw Talvex::ValueError("DocID: there is no document " + std::to_string(docId));
    rs->MoveFirst();
    DocPaymentHeader h;
    h.idc = docId;
    h.docTypeCode = TextAt(*rs, "DocTypeCode");
    h.number = TextAt(*rs, "Number");
    h.documentDate = rs->Fields().Item("DocumentDate").Value().ToDate();
    h.currencyCode = TextAt(*rs, "CurrencyCode");
    h.summa = rs->Fields().Item("Summa").Value().ToCurrency();
    h.clientCode = TextAt(*rs, "ClientCode");
    h.clientName = TextAt(*rs, "ClientName");
    return h;
}

std::vector<PayTerm> CDetailDocPayment::ReadTerms(const std::shared_ptr<Talvex::Book>& book,
                                                  const DocPaymentHeader& doc)
{
    auto terms = book->CreateList("THDocumentPayTerm");
    terms->Fields().SelectFields({"IDC", "PayTerm", "Summa"});
    terms->SetFilter(SqlTools::CondByName("oTable.DocID", Kind::kId, Op::kEqual, Value(doc.idc)));
    terms->OrderBy("oTable.PayTerm, oTable.IDC");
    terms->Refresh();
    std::vector<PayTerm> out;
    auto rs = terms->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const auto days = rs->Fields().Item("PayTerm").Value().ToInteger();
        out.push_back({Talvex::Date::FromSerial(doc.documentDate.Serial() + static_cast<std::int32_t>(days)),
                       rs->Fields().Item("Summa").Value().ToCurrency(), rs->Fields().Item("IDC").Value().ToInteger()});
    }
    return out;
}

std::vector<DocPaymentLine> CDetailDocPayment::ReadPayments(const std::shared_ptr<Talvex::Book>& book,
                                                            std::int64_t docId)
{
    auto pays = book->CreateList("THPaySpec");
    pays->SetAlias("PaySpec");
    pays->Fields().SelectFields({});
    pays->Join(Parts::NoColumns(*book, "THDocument"), "PayDoc", "PaySpec.DocID = PayDoc.IDC");
    auto& f = pays->Fields();
    f.AddField("PayDocID", Kind::kId, "PayDoc.IDC");
    f.AddField("DocTypeCode", Kind::kCode, "PayDoc.DocTypeCode");
    f.AddField("Number", Kind::kText, "PayDoc.Number");
    f.AddField("DocumentDate", Kind::kDate, "PayDoc.DocumentDate");
    f.AddField("IsPosted", Kind::kFlag, "PayDoc.IsPosted");
    f.AddField("SummaCur", Kind::kAmount, "PaySpec.SummaCur");
    pays->SetFilter(SqlTools::CondByName("PaySpec.CorDocID", Kind::kId, Op::kEqual, Value(docId)));
    pays->OrderBy("PayDoc.DocumentDate, PaySpec.IDC");
    pays->Refresh();
    std::vector<DocPaymentLine> out;
    auto rs = pays->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        DocPaymentLine line;
        line.payDocId = rs->Fields().Item("PayDocID").Value().ToInteger();
        line.docTypeCode = TextAt(*rs, "DocTypeCode");
        line.number = TextAt(*rs, "Number");
        line.date = rs->Fields().Item("DocumentDate").Value().ToDate();
        line.isPosted = rs->Fields().Item("IsPosted").Value().ToInteger() != 0;
        line.sum = rs->Fields().Item("SummaCur").Value().ToCurrency();
        out.push_back(std::move(line));
    }
    return out;
}

std::vector<DocPaymentDetailRow> CDetailDocPayment::Detail(const std::shared_ptr<Talvex::Book>& book,
                                                           std::int64_t docId, Talvex::Date repDate,
                                                           DocPaymentHeader& header)
{
    if (!book) throw Talvex::ValueError("CDetailDocPayment: no Book");
    header = ReadHeader(book, docId);
    return DocPaymentDetailFill(header.documentDate, header.summa, ReadTerms(book, header), ReadPayments(book, docId),
                                repDate);
}

std::shared_ptr<Talvex::Data::Recordset>
CDetailDocPayment::ResultRecordset(const DocPaymentHeader& h, const std::vector<DocPaymentDetailRow>& rows)
{
    static const std::vector<Parts::Column> kColumns{
        {"DocTypeCode", DT::VarWChar},    {"Number", DT::VarWChar},       {"DocumentDate", DT::DBDate},
        {"REFClientCode", DT::VarWChar},  {"CurrencyCode", DT::VarWChar}, {"TermNo", DT::Integer},
        {"NeedPayDate", DT::DBDate},      {"NeedPaySum", DT::Currency},   {"PayDocID", DT::Integer},
        {"PayDocTypeCode", DT::VarWChar}, {"PayNumber", DT::VarWChar},    {"PayDate", DT::DBDate},
        {"PaySum", DT::Currency},         {"Days", DT::Integer},          {"OpenRest", DT::Currency},
        {"OverdueDays", DT::Integer},     {"Note", DT::VarWChar}};
    std::vector<std::vector<Value>> table;
    for (const auto& r : rows) {
        const bool onTerm = r.termNo > 0;
        const bool total = r.kind == DocPaymentDetailKind::Total;
        const bool counted = r.kind == DocPaymentDetailKind::Payment;
        table.push_back({Value(h.docTypeCode), Value(h.number), Value(h.documentDate), Value(h.clientCode),
                         Value(h.currencyCode), onTerm ? Value(std::int64_t{r.termNo}) : Value(),
                         Parts::DateCell(r.needPayDate, onTerm), onTerm || total ? Value(r.needPaySum) : Value(),
                         r.hasPayment ? Value(r.payDocId) : Value(), Value(r.payDocTypeCode), Value(r.payNumber),
                         Parts::DateCell(r.payDate, r.hasPayment),
                         r.kind == DocPaymentDetailKind::Unpaid ? Value() : Value(r.paySum),
                         counted ? Value(static_cast<std::int64_t>(r.days)) : Value(),
                         r.kind == DocPaymentDetailKind::NotCounted ? Value() : Value(r.openRest),
                         onTerm ? Value(static_cast<std::int64_t>(r.overdueDays)) : Value(), Value(r.note)});
    }
    return Parts::ResultTable(kColumns, table);
}

bool CDetailDocPayment::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        if (!Parts::Ask<frmDetailDocPayment>(Visual(), book, inParams, outParams, {"DocNumber", "DocID", "RepDate"}))
            return false;
        std::int64_t docId = 0;
        if (const std::string id = Parts::ParamText(outParams, "DocID"); !id.empty() && id != "0")
            docId = std::stoll(id);
        else
            docId = FindDocument(*book, Parts::ParamText(outParams, "DocNumber"), "DocNumber");
        const Talvex::Date repDate = Parts::ParamDate(outParams, "RepDate").value_or(book->Today());
        DocPaymentHeader header;
        const auto rows = Detail(book, docId, repDate, header);
        Parts::HandBack(outParams, ResultRecordset(header, rows));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
