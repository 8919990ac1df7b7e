#include "host/erp/documents/THPaymentDocument.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Erp {

namespace {

// The payee of a payment: the party it is paid to.
constexpr const char* kPayeeRole = "GAV";

constexpr std::string_view kPayeeOf = R"sql(
SELECT PartyCode FROM THPartyAttribute WHERE DocID = ? AND RolePartyCode = ?
)sql";
constexpr std::string_view kDeletePayee = R"sql(
DELETE FROM THPartyAttribute WHERE DocID = ? AND RolePartyCode = ?
)sql";
constexpr std::string_view kLinesOf = R"sql(
SELECT CorDocID, Summa FROM THPaySpec WHERE DocID = ? ORDER BY IDC
)sql";
constexpr std::string_view kDeleteLines = R"sql(
DELETE FROM THPaySpec WHERE DocID = ?
)sql";

} // namespace

THPaymentDocument::THPaymentDocument(std::shared_ptr<Book> book)
    : book_(std::move(book)), document_(std::make_unique<THDocumentObject>(book_))
{
}

THPaymentDocument::~THPaymentDocument() = default;

void THPaymentDocument::New(const std::string& client, Currency summa)
{
    document_->New(kDocType);
    // A payment of ours settles what we owe: the payables side.
    document_->Fields("IsKredit") = Value(1);
    client_.clear();
    lines_.clear();
    SetClient(client);
    SetSumma(summa);
}

void THPaymentDocument::Load(std::int64_t idc)
{
    THDocumentObject loaded(book_);
    loaded.Load(idc);
    if (loaded.Fields("DocTypeCode").ToText() != kDocType)
        throw ValueError("MP: document " + std::to_string(idc) + " is not a payment document");
    document_->Load(idc);
    auto payee = book_->Db().Query(kPayeeOf, {Value(idc), Value(kPayeeRole)});
    client_ = payee.rows.empty() ? std::string() : payee.rows[0].at(0).ToText();
    ReadLines();
}

void THPaymentDocument::ReadLines()
{
    lines_.clear();
    for (const auto& row : book_->Db().Query(kLinesOf, {Value(document_->IDC())}).rows)
        lines_.push_back({row.at(0).ToInteger(), row.at(1).ToCurrency()});
}

void THPaymentDocument::SetClient(const std::string& client)
{
    if (client.empty()) throw ValueError("MP: the client paid is empty");
    client_ = client;
}

Currency THPaymentDocument::Summa() const
{
    return document_->Fields("Summa").ToCurrency();
}

void THPaymentDocument::SetSumma(Currency summa)
{
    if (summa <= Currency()) throw ValueError("MP: the sum paid must be positive, not " + summa.ToString());
    document_->Fields("Summa") = Value(summa);
}

void THPaymentDocument::SetLines(std::vector<PayLine> lines)
{
    for (const auto& line : lines)
        if (line.corDocId <= 0 || line.summa < Currency())
            throw ValueError("MP: a line pays a document by its IDC and a sum not below 0");
    lines_ = std::move(lines);
}

std::int64_t THPaymentDocument::IDC() const
{
    return document_->IDC();
}

std::int64_t THPaymentDocument::Save()
{
    if (client_.empty()) throw ValueError("MP: the client paid is empty");
    Data::Transaction unit(book_->Db());
    const bool isNew = document_->IDC() == 0;
    const std::int64_t idc = document_->Save();
    // The payee and the lines are written anew: an edit may change the client or replace
    // any line, and the links are checked against what is open without this payment.
    if (!isNew) {
        unit.Db().Execute(kDeletePayee, {Value(idc), Value(kPayeeRole)});
        unit.Db().Execute(kDeleteLines, {Value(idc)});
    }
    THPartyAttributeObject(book_).Write({idc, kDocType, kPayeeRole, 1, client_});
    for (const auto& line : lines_)
        document_->Link(line.corDocId, line.summa);
    unit.Commit();
    ReadLines();
    return idc;
}

void THPaymentDocument::Delete()
{
    document_->Delete();
    client_.clear();
    lines_.clear();
}

} // namespace Talvex::Erp
