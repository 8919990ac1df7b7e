#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the expected cash-flow cube: the day the terms are due from, the
// direction (both, what we owe, what is owed to us), a market group of clients, whether the
// cash payment plans count, branches under their centre and the week level.
class fCubeParamPayQ : public Talvex::Ui::Form {
public:
    fCubeParamPayQ();

    // Loads the controls from params, shows the form modally and, on OK, writes "DateBeg",
    // "Direction", "MarketGroup", "MarketGroupSelType", "IncludeCPAY", "CenterBranch",
    // "ContractType" and "IncludeDimWeek" back. True when the user pressed OK.
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
