#include "host/erp/documents/CPayedDoc.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Erp {

namespace {

// What the set-off document has already settled, in its own currency.
constexpr std::string_view kLinkedBySetOff = R"sql(
SELECT COALESCE(SUM(ps.Summa), 0) FROM THPaySpec ps WHERE ps.DocID = ?
)sql";

// The client's posted documents of one side that still carry debt, oldest first: by the
// earliest term still open, then the document's date and IDC. The open amount is the smaller
// of the terms' debt and the total less every link, so that a document whose terms do not
// follow the links (a cash plan) is still never linked beyond its total.
constexpr std::string_view kOpenDocsOfClient = R"sql(
SELECT Doc.IDC, Doc.Number, Doc.CurrencyCode, Doc.DocumentDate,
       MIN(CASE WHEN Term.DebtSumma <> 0 THEN Term.NeedPayDate END) AS DueDate,
       SUM(Term.DebtSumma) AS TermDebt,
       MIN(Doc.Summa) - COALESCE((SELECT SUM(ps.SummaCur) FROM THPaySpec ps WHERE ps.CorDocID = Doc.IDC), 0) AS LinkDebt
FROM THDocument Doc
JOIN THDocumentPayTermCur Term ON Term.IDC = Doc.IDC
WHERE Doc.IsPosted = 1 AND Doc.IDC <> ? AND Doc.DocTypeCode IN (%TYPES%)
  AND EXISTS (SELECT 1 FROM THPartyAttribute Party
              WHERE Party.DocID = Doc.IDC AND Party.RolePartyCode = ? AND Party.PartyCode = ?)
GROUP BY Doc.IDC, Doc.Number, Doc.CurrencyCode, Doc.DocumentDate
HAVING SUM(Term.DebtSumma) > 0
ORDER BY DueDate, Doc.DocumentDate, Doc.IDC
)sql";

constexpr std::string_view kReceivableTypes = "'PRSF', 'TPPR', 'PGA', 'PISD', 'SCN'";
constexpr std::string_view kPayableTypes = "'PISF', 'TPPI', 'GPG', 'TID', 'CPAY', 'PRSD', 'BCN'";

// An amount from one currency into another through the accounting currency, at the latest
// rate of each currency's default rate type dated up to the given day. The accounting
// currency has no rates of its own (its rate is 1); the counts tell a missing rate apart.
constexpr std::string_view kConvert = R"sql(
SELECT ROUND(CAST(? AS NUMERIC(19,4))
             * COALESCE((SELECT TOP 1 r.Rate FROM REFCurrencyRate r
                         JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                         WHERE r.CurrencyCode = ? AND r.DateApply <= ? ORDER BY r.DateApply DESC), 1)
             / COALESCE((SELECT TOP 1 r.Rate FROM REFCurrencyRate r
                         JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                         WHERE r.CurrencyCode = ? AND r.DateApply <= ? ORDER BY r.DateApply DESC), 1), 4) AS Amount,
       (SELECT COUNT(*) FROM REFCurrencyRate r
        JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
        WHERE r.CurrencyCode = ? AND r.DateApply <= ?) AS FromRates,
       (SELECT COUNT(*) FROM REFCurrencyRate r
        JOIN REFCurrency c ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
        WHERE r.CurrencyCode = ? AND r.DateApply <= ?) AS ToRates
)sql";

// What is still open on a document by its payment terms, and what the set-off document has
// linked to it already.
constexpr std::string_view kOpenOfDocument = R"sql(
SELECT (SELECT COALESCE(SUM(Term.DebtSumma), 0) FROM THDocumentPayTermCur Term WHERE Term.IDC = ?) AS OpenDebt,
       (SELECT COUNT(*) FROM THPaySpec ps WHERE ps.DocID = ? AND ps.CorDocID = ?) AS Linked,
       (SELECT Number FROM THDocument WHERE IDC = ?) AS Number
)sql";

// One document's open amount, as the client's open documents count it.
// What a payment document paid on the target's parent: the payment's lines on the parent's
// children are among its links already, so what it paid on the parent is passed on to them.
constexpr std::string_view kPaidOnParent = R"sql(
SELECT COALESCE((SELECT SUM(ps.Summa) FROM THPaySpec ps WHERE ps.DocID = ? AND ps.CorDocID = t.ParentID), 0)
FROM THDocument t WHERE t.IDC = ? AND t.ParentID IS NOT NULL
)sql";

constexpr std::string_view kOpenOfTarget = R"sql(
SELECT Doc.Number, Doc.CurrencyCode,
       (SELECT COALESCE(SUM(Term.DebtSumma), 0) FROM THDocumentPayTermCur Term WHERE Term.IDC = Doc.IDC) AS TermDebt,
       Doc.Summa - COALESCE((SELECT SUM(ps.SummaCur) FROM THPaySpec ps WHERE ps.CorDocID = Doc.IDC), 0) AS LinkDebt
FROM THDocument Doc WHERE Doc.IDC = ?
)sql";

constexpr std::string_view kInsertLink = R"sql(
INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur, IsTransfered, CorDocument)
VALUES (?, ?, ?, ?, 0, ?)
)sql";

struct OpenDoc {
    std::int64_t idc;
    std::string number;
    std::string currency;
    Currency open;
};

Currency Convert(Data::Connection& db, const std::string& accountCurrency, Currency amount, const std::string& from,
                 const std::string& to, Date onDate)
{
    auto rs = db.Query(kConvert, {amount, from, onDate, to, onDate, from, onDate, to, onDate});
    const auto& row = rs.rows.at(0);
    for (auto [currency, rates] : {std::pair{&from, row.at(1)}, std::pair{&to, row.at(2)}})
        if (*currency != accountCurrency && rates.ToInteger() == 0)
            throw ValueError("CPayedDoc: no rate of currency " + *currency + " up to " + onDate.ToIso());
    return row.at(0).ToCurrency();
}

// The client's posted documents of the side that still hold an open debt, oldest first. The
// client is the buyer of what it owes us and the seller of what we owe it.
std::vector<OpenDoc> OpenDocsOfClient(Data::Connection& db, std::int64_t setOffId, bool payables,
                                      const std::string& client)
{
    std::string sql(kOpenDocsOfClient);
    sql.replace(sql.find("%TYPES%"), 7, payables ? kPayableTypes : kReceivableTypes);
    auto rs = db.Query(sql, {setOffId, payables ? "PAR" : "PIR", client});
    std::vector<OpenDoc> openDocs;
    for (const auto& row : rs.rows) {
        const Currency open = std::min(row.at(5).ToCurrency(), row.at(6).ToCurrency());
        if (open > Currency())
            openDocs.push_back({row.at(0).ToInteger(), row.at(1).ToText(), row.at(2).ToText(), open});
    }
    return openDocs;
}

// What one link settles of a document: in the set-off document's currency and in the paid
// document's own, at most its open debt and at most what the set-off still has.
std::pair<Currency, Currency> LinkAmounts(Data::Connection& db, const OpenDoc& doc, Currency remaining,
                                          const std::string& setOffCurrency, const std::string& accountCurrency,
                                          Date onDate)
{
    if (doc.currency == setOffCurrency) {
        const Currency both = std::min(doc.open, remaining);
        return {both, both};
    }
    const Currency openInSetOff = Convert(db, accountCurrency, doc.open, doc.currency, setOffCurrency, onDate);
    if (openInSetOff <= remaining) return {openInSetOff, doc.open};
    return {remaining,
            std::min(doc.open, Convert(db, accountCurrency, remaining, setOffCurrency, doc.currency, onDate))};
}

} // namespace

void CPayedDoc::AddDocToPay(std::int64_t docId, Currency summa, Currency summaCur)
{
    if (docId <= 0)
        throw ValueError("CPayedDoc.AddDocToPay: DocID must be a document id, not " + std::to_string(docId));
    if (summa <= Currency() || summaCur <= Currency())
        throw ValueError("CPayedDoc.AddDocToPay: the sums settled of document " + std::to_string(docId) +
                         " must be positive");
    toPay_.push_back({docId, summa, summaCur});
}

// Links the documents the caller named. A document the set-off links already is skipped, so a
// second call writes nothing twice; one asked beyond what is open on it, or beyond what is
// left of the set-off's sum, refuses the whole call.
Currency CPayedDoc::LinkGiven(Data::Connection& db, std::int64_t setOffId, Currency remaining)
{
    Currency linked;
    for (const auto& pay : toPay_) {
        const auto row = db.Query(kOpenOfDocument, {pay.docId, setOffId, pay.docId, pay.docId}).rows.at(0);
        if (row.at(2).IsNull())
            throw ValueError("CPayedDoc: document " + std::to_string(pay.docId) + " does not exist");
        const std::string number = row.at(2).ToText();
        if (row.at(1).ToInteger() > 0) continue;
        if (pay.summaCur > row.at(0).ToCurrency())
            throw ValueError("CPayedDoc: document " + number + " has " + row.at(0).ToCurrency().ToString() +
                             " open, not the " + pay.summaCur.ToString() + " asked");
        if (pay.summa > remaining - linked)
            throw ValueError("CPayedDoc: settling document " + number + " would take the set-off beyond its sum");
        db.Execute(kInsertLink, {setOffId, pay.docId, pay.summa, pay.summaCur, number});
        linked += pay.summa;
    }
    return linked;
}

Currency CPayedDoc::SetGoodDoc(bool isSetOff, const std::string& client)
{
    if (!document_) throw ValueError("CPayedDoc.SetGoodDoc: Init was not called with a document");
    if (!isSetOff) throw ValueError("CPayedDoc.SetGoodDoc: only set-off documents are linked to a client's debt");
    if (client.empty()) throw ValueError("CPayedDoc.SetGoodDoc: client is empty");
    if (document_->IDC() == 0) throw ValueError("CPayedDoc.SetGoodDoc: the set-off document is not saved");

    Book& book = document_->OwnerBook();
    const std::int64_t setOffId = document_->IDC();
    const std::string setOffCurrency = document_->Fields("CurrencyCode").ToText();
    const Date onDate = document_->Fields("DocumentDate").ToDate();
    const bool payables = document_->Fields("IsKredit").ToInteger() != 0;
    const std::string accountCurrency = book.AccountCurrency();

    Data::Transaction tx(book.Db());
    Data::Connection& db = tx.Db();

    Currency remaining =
        document_->Fields("Summa").ToCurrency() - db.Query(kLinkedBySetOff, {setOffId}).rows.at(0).at(0).ToCurrency();
    if (!toPay_.empty()) {
        const Currency linked = LinkGiven(db, setOffId, remaining);
        tx.Commit();
        return linked;
    }
    if (remaining <= Currency()) {
        tx.Commit();
        return Currency();
    }

    Currency linked;
    for (const auto& doc : OpenDocsOfClient(db, setOffId, payables, client)) {
        if (remaining <= Currency()) break;
        const auto [summa, summaCur] = LinkAmounts(db, doc, remaining, setOffCurrency, accountCurrency, onDate);
        if (summa <= Currency() || summaCur <= Currency()) continue;
        db.Execute(kInsertLink, {setOffId, doc.idc, summa, summaCur, doc.number});
        remaining -= summa;
        linked += summa;
    }
    tx.Commit();
    return linked;
}

Currency CPayedDoc::LinkTo(std::int64_t targetIdc, Currency amount)
{
    if (!document_) throw ValueError("CPayedDoc.LinkTo: Init was not called with a document");
    if (document_->IDC() == 0) throw ValueError("CPayedDoc.LinkTo: the paying document is not saved");
    if (amount < Currency()) throw ValueError("CPayedDoc.LinkTo: the amount must not be negative");
    if (targetIdc == document_->IDC()) throw ValueError("CPayedDoc.LinkTo: a document cannot pay itself");

    Book& book = document_->OwnerBook();
    const std::int64_t payId = document_->IDC();
    const std::string payCurrency = document_->Fields("CurrencyCode").ToText();
    const Date onDate = document_->Fields("DocumentDate").ToDate();

    Data::Transaction tx(book.Db());
    Data::Connection& db = tx.Db();
    auto target = db.Query(kOpenOfTarget, {targetIdc});
    if (target.rows.empty()) throw ValueError("CPayedDoc: document " + std::to_string(targetIdc) + " does not exist");
    const auto& row = target.rows[0];
    const OpenDoc doc{targetIdc, row.at(0).ToText(), row.at(1).ToText(),
                      std::min(row.at(2).ToCurrency(), row.at(3).ToCurrency())};
    if (doc.open <= Currency()) throw ValueError("CPayedDoc: document " + doc.number + " has nothing open");
    Currency remaining =
        document_->Fields("Summa").ToCurrency() - db.Query(kLinkedBySetOff, {payId}).rows.at(0).at(0).ToCurrency();
    // A payment booked on the target's parent is its children's to take: the line on the
    // parent stays (the order shows itself paid), and does not count against the children.
    const auto onParent = db.Query(kPaidOnParent, {payId, targetIdc});
    if (!onParent.rows.empty() && onParent.rows[0].at(0).ToCurrency() > Currency())
        remaining += onParent.rows[0].at(0).ToCurrency();
    if (remaining <= Currency())
        throw ValueError("CPayedDoc: document " + document_->Fields("Number").ToText() + " has no sum left to link");

    std::pair<Currency, Currency> link;
    if (amount == Currency()) {
        link = LinkAmounts(db, doc, remaining, payCurrency, book.AccountCurrency(), onDate);
    } else {
        if (amount > remaining)
            throw ValueError("CPayedDoc: linking " + amount.ToString() + " to document " + doc.number +
                             " would take document " + document_->Fields("Number").ToText() + " beyond its sum");
        const Currency inTarget = doc.currency == payCurrency
                                      ? amount
                                      : Convert(db, book.AccountCurrency(), amount, payCurrency, doc.currency, onDate);
        if (inTarget > doc.open)
            throw ValueError("CPayedDoc: document " + doc.number + " has " + doc.open.ToString() + " open, not the " +
                             inTarget.ToString() + " asked");
        link = {amount, inTarget};
    }
    if (link.first <= Currency() || link.second <= Currency()) return Currency();
    db.Execute(kInsertLink, {payId, targetIdc, link.first, link.second, doc.number});
    tx.Commit();
    return link.first;
}

} // namespace Talvex::Erp
