#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the cubes against competitors: the period of the sales and whether the
// competitors' analogues count as well as their same goods. The profit cube shows the same
// form under its own name ("fCubeProfitByComp").
class fCubeSaleComp : public Talvex::Ui::Form {
public:
    explicit fCubeSaleComp(const char* formName = "fCubeSaleComp");

    // Loads "DateBeg", "DateEnd" and "IsAnalogue", shows the form modally and, on OK, writes
    // them back. True when the user pressed OK.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
