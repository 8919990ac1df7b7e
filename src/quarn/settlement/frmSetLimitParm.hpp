#pragma once

#include "host/ui/Form.hpp"

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The period of the credit-limit list.
class frmSetLimitParm : public Talvex::Ui::Form {
public:
    frmSetLimitParm();

    // Asks the period, from a month before the Book's today to today unless Parm brings
    // "BegDate" and "EndDate"; on OK writes them (date kind 9) into Parm and returns true.
    // A missing date, or a period that ends before it begins, is refused at its box.
    bool ShowForm(Talvex::FieldList& Parm);

private:
    void btOk_Click();
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
