#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"

#include <string>

namespace Quarn_DuzAde {

struct ArrangedInvoice;

// The new payment term of an invoice: its due date and sum.
class frmSelectPayTerm : public Talvex::Ui::Form {
public:
    frmSelectPayTerm();

    // Shows the invoice's description and asks for a due date and a sum (pDate and pSumma are
    // the defaults, and the answer on OK). A weekend date, a sum not above 0 or above the
    // invoice's sum, a date before the invoice's, and a date the invoice already has a term on
    // are refused at the control. pOper is the grid's operation (1: a new term). True on OK.
    bool Run(const std::string& sDocInfo, Talvex::Date& pDate, Talvex::Currency& pSumma, long pOper,
             const ArrangedInvoice& payTermList);

private:
    void btOk_Click();
    // The refusal naming the control, or empty.
    std::string CheckInput() const;

    const ArrangedInvoice* invoice_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
