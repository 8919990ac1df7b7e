#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Value.hpp"
#include "quarn/settlement/SetOffPlan.hpp"
#include "quarn/settlement/SettlementBatchForm.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Erp {
class CPayedDoc;
class THDocumentObject;
class THPartyAttributeObject;
} // namespace Erp
} // namespace Talvex

namespace Quarn_DuzAde {

// Sets off the open debt of each client on one side (what clients owe us, or what we owe
// them) with one "SUSM" set-off document per client, linked to the client's open documents;
// lets the user open such a document and delete the unposted ones again.
//
// Each client's document is one unit of work: header, both party rows, the payment links and
// the second save commit together or not at all, so a failure leaves that client as it was
// and the clients before it keep their documents.
class frmSetOffDebt : public SettlementBatchForm {
public:
    // The list's columns, in the grid's order.
    static constexpr const char* kClient = "Client";
    static constexpr const char* kName = "Name";
    static constexpr const char* kAccNeedPaySum = "AccNeedPaySum";
    static constexpr const char* kPayDoc = "PayDoc";
    static constexpr const char* kPayDocID = "PayDocID";

    // The session lock writers of set-off documents take for a client's unit of work
    // (Talvex::Data::SessionLock). Sessions writing at once take turns: the second finds a
    // document the first wrote for the same client instead of writing another, and numbers
    // its own after the first one's numbers.
    static constexpr const char* kWritingLock = "Quarn_DuzAde.SetOffDebt";

    frmSetOffDebt();
    ~frmSetOffDebt() override;

    // Keeps the dialog and Param("Book"), prepares the linker, the "SUSM" document object,
    // the party writer, the account currency and the type's display name.
    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param) override;

    // The list of one side (payables: Direction 1, else 2) as of the Book's today: one row per
    // client whose summed open debt in the account currency does not exceed maxSum. Unread.
    static std::shared_ptr<Talvex::DataList> CreateDebtList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                            Talvex::Currency maxSum);

    // The open terms of one client on a side, as the list reads them but term by term: what a
    // set-off document of the client is planned from. Unread.
    static std::shared_ptr<Talvex::DataList> CreateClientTermsList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                                   const std::string& client);

private:
    void ReadList() override;
    // Writes the set-off document of a row as one unit of work and puts its Code and IDC into
    // the row; an unposted document of today already there for the client and side is taken
    // instead of writing a second one.
    bool WriteDocument(std::size_t row) override;
    bool DeleteDocument(std::int64_t idc) override;
    std::optional<std::pair<std::int64_t, std::string>> OpenDocument(std::int64_t idc) override;

    bool IsPayables() const;
    Talvex::Currency ThresholdSum() const;
    std::vector<SetOffTerm> ReadClientTerms(bool payables, const std::string& client) const;
    // The unposted set-off documents of the Book's today on a side, by client (all clients
    // when client is empty).
    std::map<std::string, std::pair<std::int64_t, std::string>> OpenSetOffDocuments(bool payables,
                                                                                    const std::string& client) const;

    std::unique_ptr<Talvex::Erp::CPayedDoc> payedDoc_;
    std::unique_ptr<Talvex::Erp::THDocumentObject> document_;
    std::unique_ptr<Talvex::Erp::THPartyAttributeObject> party_;

    // The side the rows were read for: documents are written for this side even if the
    // option was switched since without applying.
    bool rowsPayables_ = false;
};

} // namespace Quarn_DuzAde
