#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the stock rest cube: the period (whole months are shown), a goods node
// or good, and whether quantities are shown in the goods' common unit.
class fCubeRestAnalysis : public Talvex::Ui::Form {
public:
    fCubeRestAnalysis();

    // Loads the controls from params, shows the form modally and, on OK, writes "DateBeg",
    // "DateEnd", "GoodCode", "IsGroup" and "AmountAsWeight" back. True when the user pressed OK.
    bool Browse(Talvex::FieldList& params, const std::string& title);

private:
    void WriteToParams(Talvex::FieldList& params) const;
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
