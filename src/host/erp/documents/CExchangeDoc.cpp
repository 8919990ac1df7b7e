#include "host/erp/documents/CExchangeDoc.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Erp {

namespace {

// The payment lines that settled the client's posted foreign-currency debt documents, paid by
// a posted document dated in the period and not yet booked by an exchange-difference
// document. The client is the party in the role its document's type names it by. Each rate
// is one unit of a currency in the account currency on a day: the latest rate of the
// currency's default rate type dated up to the day, 1 for the account currency itself.
constexpr std::string_view kSettlements = R"sql(
SELECT ps.IDC AS PaySpecID, d.IDC AS DocID, d.Number, d.DocumentDate, d.CurrencyCode, d.DocTypeCode,
       p.IDC AS PayDocID, p.DocumentDate AS PayDate, ps.Summa, ps.SummaCur,
       CASE WHEN d.CurrencyCode = ? THEN 1
            ELSE (SELECT TOP 1 r.Rate FROM REFCurrencyRate r
                  JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                  WHERE r.CurrencyCode = d.CurrencyCode AND r.DateApply <= d.DocumentDate
                  ORDER BY r.DateApply DESC) END AS DocRate,
       CASE WHEN p.CurrencyCode = ? THEN 1
            ELSE (SELECT TOP 1 r.Rate FROM REFCurrencyRate r
                  JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                  WHERE r.CurrencyCode = p.CurrencyCode AND r.DateApply <= p.DocumentDate
                  ORDER BY r.DateApply DESC) END AS PayRate
FROM THPaySpec ps
JOIN THDocument d ON d.IDC = ps.CorDocID
JOIN THDocument p ON p.IDC = ps.DocID
JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.PartyCode = ? AND pa.RolePartyCode =
     CASE d.DocTypeCode WHEN 'PISF' THEN 'PAR' WHEN 'PGA' THEN 'PAR' WHEN 'PISD' THEN 'PAR' WHEN 'BCN' THEN 'PAR'
                        WHEN 'TID' THEN 'GAV' WHEN 'GPG' THEN 'PIR' WHEN 'PRSF' THEN 'PIR' WHEN 'PRSD' THEN 'PIR'
                        WHEN 'SCN' THEN 'PIR' WHEN 'TPPR' THEN 'PIR' WHEN 'TPPI' THEN 'VEZ' END
WHERE d.IsPosted = 1 AND p.IsPosted = 1 AND d.CurrencyCode <> ?
  AND d.DocTypeCode IN ('PISF', 'TPPI', 'GPG', 'TID', 'PRSF', 'TPPR', 'PGA', 'PISD', 'PRSD', 'SCN', 'BCN')
  AND p.DocTypeCode <> 'BUSM' AND p.DocumentDate BETWEEN ? AND ? AND ps.SummaCur <> 0
  AND NOT EXISTS (SELECT 1 FROM THExchangeDiffSpec x WHERE x.PaySpecID = ps.IDC)
ORDER BY p.DocumentDate, ps.IDC
)sql";

// What we owe: the payables of the ERP's debt lists.
bool IsPayableType(const std::string& type)
{
    for (const char* payable : {"PISF", "TPPI", "GPG", "TID", "PRSD", "BCN"})
        if (type == payable) return true;
    return false;
}

constexpr std::string_view kFindDocument = R"sql(
SELECT d.IDC, d.Code
FROM THDocument d
WHERE d.DocTypeCode = 'BUSM' AND d.IsPosted = 0 AND d.DocumentDate = ?
  AND EXISTS (SELECT 1 FROM THPartyAttribute pa WHERE pa.DocID = d.IDC AND pa.PartyCode = ?)
  AND EXISTS (SELECT 1 FROM THExchangeDiffSpec x JOIN THDocument p ON p.IDC = x.PayDocID
              WHERE x.DocID = d.IDC AND p.DocumentDate BETWEEN ? AND ?)
ORDER BY d.IDC DESC
)sql";

constexpr std::string_view kWriteLine = R"sql(
INSERT INTO THExchangeDiffSpec (DocID, PaySpecID, CorDocID, PayDocID, SummaCur, BookedSumma, PaidSumma, Summa)
VALUES (?, ?, ?, ?, ?, ?, ?, ?)
)sql";

constexpr std::string_view kIsExchangeDocument = R"sql(
SELECT count(*) FROM THDocument WHERE IDC = ? AND DocTypeCode = 'BUSM'
)sql";

std::string Of(const std::string& client)
{
    return "client \"" + client + "\"";
}

} // namespace

CExchangeDoc::CExchangeDoc(std::shared_ptr<Book> book) : book_(std::move(book))
{
    if (!book_) throw ValueError("CExchangeDoc: no Book");
    document_ = std::make_unique<THDocumentObject>(book_);
}

CExchangeDoc::~CExchangeDoc() = default;

std::vector<ExchangeSettlement> CExchangeDoc::Settlements(const std::string& client, Date dateBeg, Date dateEnd)
{
    if (client.empty()) throw ValueError("Client: choose the client whose exchange differences are booked");
    if (dateEnd < dateBeg) throw ValueError("DateEnd: the period ends before it begins");
    const std::string account = book_->AccountCurrency();
    auto rs = book_->Db().Query(kSettlements, {Value(account), Value(account), Value(client), Value(account),
                                               Value(dateBeg), Value(dateEnd)});
    std::vector<ExchangeSettlement> settlements;
    settlements.reserve(rs.rows.size());
    const auto at = [&rs](const char* name) { return static_cast<std::size_t>(rs.ColumnIndex(name)); };
    const std::size_t cPaySpec = at("PaySpecID"), cDoc = at("DocID"), cNumber = at("Number"),
                      cDate = at("DocumentDate"), cCurrency = at("CurrencyCode"), cType = at("DocTypeCode"),
                      cPayDoc = at("PayDocID"), cPayDate = at("PayDate"), cSumma = at("Summa"),
                      cSummaCur = at("SummaCur"), cDocRate = at("DocRate"), cPayRate = at("PayRate");
    for (const auto& row : rs.rows) {
        const std::string number = row[cNumber].ToText();
        if (row[cDocRate].IsNull())
            throw ValueError("document " + number + " in " + row[cCurrency].ToText() + " has no rate of its date");
        if (row[cPayRate].IsNull())
            throw ValueError("the payment of document " + number + " has no rate of its date " +
                             row[cPayDate].ToDate().ToIso());
        ExchangeSettlement s;
        s.paySpecId = row[cPaySpec].ToInteger();
        s.docId = row[cDoc].ToInteger();
        s.docNumber = number;
        s.docDate = row[cDate].ToDate();
        s.docRate = row[cDocRate].ToDecimal();
        s.payDocId = row[cPayDoc].ToInteger();
        s.payDate = row[cPayDate].ToDate();
        s.payRate = row[cPayRate].ToDecimal();
        s.summa = row[cSumma].ToCurrency();
        s.summaCur = row[cSummaCur].ToCurrency();
        s.payable = IsPayableType(row[cType].ToText());
        settlements.push_back(std::move(s));
    }
    return settlements;
}

std::optional<std::pair<std::int64_t, std::string>> CExchangeDoc::FindDocument(const std::string& client,
                                                                               Date documentDate, Date dateBeg,
                                                                               Date dateEnd)
{
    auto rs = book_->Db().Query(kFindDocument, {Value(documentDate), Value(client), Value(dateBeg), Value(dateEnd)});
    if (rs.rows.empty()) return std::nullopt;
    const auto& row = rs.rows.front();
    return std::make_pair(row[0].ToInteger(), row[1].IsNull() ? std::string() : row[1].ToText());
}

bool CExchangeDoc::Create(const std::string& client, bool isKredit, const std::string& currencyCode,
                          Date documentDate, Date dateBeg, Date dateEnd)
{
    if (client.empty()) throw ValueError("Client: choose the client whose exchange differences are booked");
    if (currencyCode != book_->AccountCurrency())
        throw ValueError("CurrencyCode: exchange differences are booked in the account currency " +
                         book_->AccountCurrency() + ", not \"" + currencyCode + "\"");
    if (dateEnd < dateBeg) throw ValueError("DateEnd: the period ends before it begins");

    auto& db = book_->Db();
    // Taken before the unit begins, so that the unit reads what a writer that held the lock
    // before has booked.
    Data::SessionLock lock(db, kWritingLock);
    Data::Transaction unit(db);
    const ExchangeDocumentPlan plan = PlanExchangeDocument(Settlements(client, dateBeg, dateEnd));
    if (plan.links.empty()) return false;

    auto& doc = *document_;
    doc.New(kDocType);
    doc.Fields("DocTypeCode") = Value(kDocType);
    doc.Fields("DocumentDate") = Value(documentDate);
    doc.Fields("Number") = Value(doc.NextNumber());
    doc.Fields("CurrencyCode") = Value(currencyCode);
    doc.Fields("Summa") = Value(plan.summa);
    doc.Fields("IsKredit") = Value(isKredit ? 1 : 0);
    doc.Fields("Name") = Value(std::string("Exchange difference ") + dateBeg.ToIso() + " - " + dateEnd.ToIso());
    const std::int64_t idc = doc.Save();

    THPartyAttributeObject(book_).Write({idc, kDocType, isKredit ? "PAR" : "PIR", 1, client});
    for (const auto& line : plan.links) {
        try {
            db.Execute(kWriteLine, {Value(idc), Value(line.paySpecId), Value(line.docId), Value(line.payDocId),
                                    Value(line.summaCur), Value(line.booked), Value(line.realised),
                                    Value(line.difference)});
        } catch (const DatabaseError& e) {
            throw DatabaseError("exchange difference of " + Of(client) + ", document " + line.docNumber + ": " +
                                e.what());
        }
    }
    unit.Commit();
    return true;
}

bool CExchangeDoc::DocService::DocById(std::int64_t idc)
{
    auto& book = *owner_.book_;
    if (idc == 0 || book.Db().Query(kIsExchangeDocument, {Value(idc)}).rows.at(0).at(0).ToInteger() == 0)
        return false;
    owner_.document_->Load(idc);
    return true;
}

bool CExchangeDoc::DocService::DeleteDoc()
{
    auto& doc = *owner_.document_;
    if (doc.IDC() == 0 || doc.IsPosted()) return false;
    // The lines go with the document (their key cascades), the party with it.
    doc.Delete();
    return true;
}

} // namespace Talvex::Erp
