#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Passes payments booked on a parent document (an order, a bill) on to the invoices issued
// under it: each payment document that paid the parent more than it already pays on the
// parent's children links itself to a child invoice that is still open. Called by the host
// or another component; no window but the wait indicator.
//
// Each payment and child is one unit of work, taken under a lock of the payment document and
// checked again inside it, so a failure leaves nothing of that pair, a second run (or a second
// session at the same time) finds the pair settled and writes nothing twice.
class CMovePayFromParent : public Talvex::Object {
public:
    struct Candidate {
        std::int64_t idc = 0;      // the child document that should receive the payment
        std::int64_t parentId = 0; // its parent
        std::int64_t docId = 0;    // the payment document that paid the parent
    };

    void Init(std::shared_ptr<Talvex::Book> book);
    // The posted child documents of the type dated in the period (a zero date: from the
    // closing date AccessTHDate on). Returns how many links were written.
    long MovePayFromParent(const std::string& docType, Talvex::Date begDate, Talvex::Date endDate);
    // The one child document, whatever its type and date.
    long MovePayOnDoc(std::int64_t docId);
    // The sales invoices ("PRSF") from the closing date on.
    long MovePayOnPRSF();

    // The pairs to move, as the list reads them.
    std::shared_ptr<Talvex::DataList> CandidateList(const std::string& docType, Talvex::Date begDate,
                                                    Talvex::Date endDate, std::int64_t docId) const;

private:
    long Move(const std::string& docType, Talvex::Date begDate, Talvex::Date endDate, std::int64_t docId);
    std::vector<Candidate> ReadCandidates(const std::string& docType, Talvex::Date begDate, Talvex::Date endDate,
                                          std::int64_t docId) const;
    bool MoveOne(const Candidate& candidate);
    Talvex::Date ClosingDate() const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
