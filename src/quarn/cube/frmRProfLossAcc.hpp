#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the profit-and-loss cube: the period and the chart of accounts.
class frmRProfLossAcc : public Talvex::Ui::Form {
public:
    frmRProfLossAcc();

    // Loads the controls from params, shows the form modally and, on OK, writes "DateBeg",
    // "DateEnd" and "AccSetCode" back. True when the user pressed OK.
    bool Browse(Talvex::FieldList& params, const std::string& title);

private:
    void LoadFromParams(const Talvex::FieldList& params);
    // Throws ValueError naming the control when the choice cannot be used; otherwise
    // writes the parameters.
    void WriteToParams(Talvex::FieldList& params) const;
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
