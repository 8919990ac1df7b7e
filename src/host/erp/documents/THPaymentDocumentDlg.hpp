#pragma once

#include "host/types/Currency.hpp"
#include "host/ui/Form.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Talvex::Erp {

// A document the payment may pay: its id, how it reads ("PISF #123 2026-05-04") and what is
// open on it without this payment.
struct PayableDocument {
    std::int64_t idc = 0;
    std::string text;
    Currency restPaySum;
};

// The host's editor of a payment document "MP": the payee (fixed), the sum, and how much of
// each open document it pays. Save writes the payment as one unit of work; a refused value
// stays at its control with the reason and nothing is written.
class THPaymentDocumentDlg : public Ui::Form {
public:
    static constexpr const char* kFormName = "frmPaymentDoc";
    static constexpr const char* kList = "grdPayedDocs";

    explicit THPaymentDocumentDlg(std::shared_ptr<Book> book);
    ~THPaymentDocumentDlg() override;

    // A new payment to the client of the sum (0: the user types it), over its open documents.
    // Shown modally; returns the saved payment's IDC, or 0 when the user cancelled.
    std::int64_t EditNew(const std::string& client, Currency summa, std::vector<PayableDocument> payable);
    // The saved payment idc; its own lines come on top of what the documents leave open.
    std::int64_t EditExisting(std::int64_t idc, std::vector<PayableDocument> payable);

    // Called inside the payment's unit of work after the document is written and before it
    // commits: a test stands a failure here to see that nothing stays behind.
    void SetBeforeCommit(std::function<void()> hook) { beforeCommit_ = std::move(hook); }

private:
    std::int64_t Edit(std::int64_t idc, const std::string& client, Currency summa, std::vector<PayableDocument> payable,
                      const std::vector<std::pair<std::int64_t, Currency>>& paid);
    void btSave_Click();
    void grdPayedDocs_OnAddFields();
    // The refusal of what the form holds, naming its control; empty when it can be saved.
    std::string CheckInput(Currency& summa, std::vector<std::pair<std::int64_t, Currency>>& lines) const;

    std::shared_ptr<Book> book_;
    std::int64_t idc_ = 0;
    std::int64_t saved_ = 0;
    std::string client_;
    std::vector<PayableDocument> payable_;
    std::function<void()> beforeCommit_;
};

} // namespace Talvex::Erp
