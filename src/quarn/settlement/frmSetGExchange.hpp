#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/settlement/ExchangeClients.hpp"
#include "quarn/settlement/SettlementBatchForm.hpp"

#include <cstdint>
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
class CExchangeDoc;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The exchange-difference settlement: the clients with open foreign-currency debts on both
// sides in a period, valued in the account currency at the rates of their documents' dates;
// for each, one "BUSM" document booking the realised exchange differences of the client's
// foreign-currency documents settled in the period (the exchange-document component of the
// payable-document library writes it, one unit of work per client); the user opens such a
// document and deletes the unposted ones again.
class frmSetGExchange : public SettlementBatchForm {
public:
    static constexpr const char* kCode = "Code";
    static constexpr const char* kName = "Name";
    static constexpr const char* kDebtIncom = "DebtIncom";
    static constexpr const char* kDebtOutcome = "DebtOutcome";
    static constexpr const char* kCurrencyCode = "CurrencyCode";
    static constexpr const char* kDoc = "Doc";
    static constexpr const char* kDocID = "DocID";

    frmSetGExchange();
    ~frmSetGExchange() override;

    // Keeps the dialog and Param("Book"), creates the exchange-document component.
    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param) override;

    // The open terms of posted foreign-currency debt documents dated in the period, with
    // Client, Name, DocTypeCode, IsIncome and AccDebt (the open debt in the account currency
    // at the rate of the document's date). Unread.
    static std::shared_ptr<Talvex::DataList> CreateDebtList(std::shared_ptr<Talvex::Book> book, Talvex::Date dateBeg,
                                                            Talvex::Date dateEnd);
    // The list read into terms.
    static std::vector<ExchangeDebtTerm> ReadDebtTerms(Talvex::DataList& list);

private:
    void ReadList() override;
    // Books the row's document; true when one was written.
    bool WriteDocument(std::size_t row) override;
    bool DeleteDocument(std::int64_t idc) override;
    std::optional<std::pair<std::int64_t, std::string>> OpenDocument(std::int64_t idc) override;

    std::unique_ptr<Talvex::Erp::CExchangeDoc> exchange_;
    // The period the rows were read for: documents are booked for it even if the boxes were
    // changed since without applying.
    Talvex::Date rowsBeg_;
    Talvex::Date rowsEnd_;
};

} // namespace Quarn_DuzAde
