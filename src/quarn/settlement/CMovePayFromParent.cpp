#include "quarn/settlement/CMovePayFromParent.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <set>
#include <utility>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr long kWaitText = 25013;
// Two sessions moving the same payment document take turns; other payments go on at once.
constexpr const char* kPaymentLock = "Quarn_DuzAde.MovePayFromParent.";

std::shared_ptr<DataList> NoColumns(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

} // namespace

void CMovePayFromParent::Init(std::shared_ptr<Talvex::Book> book)
{
    book_ = std::move(book);
}

Date CMovePayFromParent::ClosingDate() const
{
    const Value closing = book_->Setting("AccessTHDate");
    if (closing.IsDate()) return closing.ToDate();
    if (closing.IsNull() || closing.IsEmpty() || closing.ToText().empty()) return Date();
    return Date::Parse(closing.ToText());
}

std::shared_ptr<DataList> CMovePayFromParent::CandidateList(const std::string& docType, Date begDate, Date endDate,
                                                            std::int64_t docId) const
{
    if (!book_) throw Talvex::ValueError("CMovePayFromParent: Init was not called");
    auto& book = *book_;
    auto doc = book.CreateList("THDocument");
    doc->Fields().SelectFields({"IDC"});
    if (docId != 0) {
        doc->SetFilter(SqlTools::CondByName("oTable.IDC", Kind::kId, Op::kEqual, Value(docId)));
    } else {
        std::vector<std::string> conds{
            SqlTools::CondByName("oTable.DocTypeCode", Kind::kCode, Op::kEqual, Value(docType)),
            SqlTools::CondByName("oTable.IsPosted", Kind::kFlag, Op::kEqual, Value(1))};
        if (begDate != Date() && endDate != Date())
            conds.push_back(
                SqlTools::CondByName("oTable.DocumentDate", Kind::kDate, Op::kBetween, Value(begDate), Value(endDate)));
        else
            conds.push_back(
                SqlTools::CondByName("oTable.DocumentDate", Kind::kDate, Op::kNotLess, Value(ClosingDate())));
        doc->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    }
    auto terms = NoColumns(book, "THDocumentPayTermCur");
    terms->SetFilter("oTable.ParentID IS NOT NULL AND oTable.IsClosed = 0");
    doc->Join(terms, "DI", "oTable.IDC = DI.IDC");
    doc->Fields().AddField("ParentID", Kind::kId, "DI.ParentID");

    auto bookPtr = book_;
    auto paid = NestList(doc, "Doc", 0, bookPtr, false);
    paid->Join(NoColumns(book, "THPaySpec"), "PS", "Doc.ParentID = PS.CorDocId");
    paid->Join(NoColumns(book, "THDocument"), "PDoc", "PS.DocId = PDoc.IDC");

    // What this payment document already pays on every child of the same parent.
    auto onChildren = book.CreateList("THDocument");
    onChildren->SetAlias("SF");
    onChildren->Fields().SelectFields({});
    onChildren->Join(NoColumns(book, "THPaySpec"), "SFPay", "SF.IDC = SFPay.CordocId");
    onChildren->Fields().AddField("Moved", Kind::kAmount, "SFPay.SummaCur").SetAggregate(Talvex::Aggregate::kSum);
    onChildren->SetFilter("SF.ParentId = Doc.ParentID AND SFPay.DocId = PS.DocId");

    auto& f = paid->Fields();
    f.AddField("DocID", Kind::kId, "PS.DocId");
    f.AddField("PaySumOnBill", Kind::kAmount, "PS.SummaCur");
    f.AddField("MoveSumOnInvoice", Kind::kAmount, "IsNull( (" + onChildren->SqlText() + "), 0)");

    auto result = NestList(paid, "Doc", 0, bookPtr, false);
    result->SetFilter("Doc.PaySumOnBill > Doc.MoveSumOnInvoice");
    result->OrderBy("Doc.IDC, Doc.DocID");
    return result;
}

std::vector<CMovePayFromParent::Candidate> CMovePayFromParent::ReadCandidates(const std::string& docType, Date begDate,
                                                                              Date endDate, std::int64_t docId) const
{
    auto list = CandidateList(docType, begDate, endDate, docId);
    list->Refresh();
    auto rs = list->Recordset();
    std::vector<Candidate> candidates;
    // A child with several open terms comes once per term: one move each pair.
    std::set<std::pair<std::int64_t, std::int64_t>> seen;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& fields = rs->Fields();
        Candidate c{fields.Item("IDC").Value().ToInteger(), fields.Item("ParentID").Value().ToInteger(),
                    fields.Item("DocID").Value().ToInteger()};
        if (seen.insert({c.idc, c.docId}).second) candidates.push_back(c);
    }
    return candidates;
}

bool CMovePayFromParent::MoveOne(const Candidate& candidate)
{
    auto& db = book_->Db();
    Talvex::Data::Transaction unit(db);
    Talvex::Data::LockForTransaction(db, kPaymentLock + std::to_string(candidate.docId));
    // Read again under the lock: another session may have moved this payment meanwhile.
    bool stillOpen = false;
    for (const auto& c : ReadCandidates("", Date(), Date(), candidate.idc))
        stillOpen = stillOpen || c.docId == candidate.docId;
    if (!stillOpen) return false;

    Talvex::Erp::THDocumentObject payment(book_);
    try {
        payment.Load(candidate.docId);
    } catch (const Talvex::ValueError&) {
        return false; // a payment document that cannot be loaded is skipped
    }
    bool linked = false;
    try {
        linked = payment.Link(candidate.idc, Talvex::Currency()) > Talvex::Currency();
    } catch (const std::exception&) {
        // A link the host refuses or fails (nothing open, nothing left to pass on) undoes
        // itself and leaves the pair as it was; the other pairs go on.
    }
    unit.Commit();
    return linked;
}

long CMovePayFromParent::Move(const std::string& docType, Date begDate, Date endDate, std::int64_t docId)
{
    long moved = 0;
    try {
        Talvex::Ui::CWaitInfo wait;
        wait.Show(ModuleFormRes().GetString(kWaitText));
        for (const auto& candidate : ReadCandidates(docType, begDate, endDate, docId))
            if (MoveOne(candidate)) ++moved;
    } catch (...) {
        ReportError();
    }
    return moved;
}

long CMovePayFromParent::MovePayFromParent(const std::string& docType, Date begDate, Date endDate)
{
    return Move(docType, begDate, endDate, 0);
}

long CMovePayFromParent::MovePayOnDoc(std::int64_t docId)
{
    return Move("", Date(), Date(), docId);
}

long CMovePayFromParent::MovePayOnPRSF()
{
    return Move("PRSF", Date(), Date(), 0);
}

} // namespace Quarn_DuzAde
