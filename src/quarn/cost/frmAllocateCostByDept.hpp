#pragma once

#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the cost allocation cube: the months of the period, the cost centres
// (centres, not their groups; none for all) and the account set.
class frmAllocateCostByDept : public Talvex::Ui::Form {
public:
    frmAllocateCostByDept();

    // Shows the form over the parameters; on OK writes "BegDate" (the first day of the first
    // month), "EndDate" (the last day of the last month), "MFCostCenter" (the chosen codes
    // joined by commas) and "AccSetCode". True when the user pressed OK.
    static bool Run(const std::shared_ptr<Talvex::Book>& book, Talvex::FieldList& params);

private:
    void LoadFromParams(const Talvex::FieldList& params);
    // Throws ValueError naming the control when the choice cannot be used; otherwise
    // writes the parameters.
    void WriteToParams(Talvex::FieldList& params) const;
    void btOk_Click();

    std::shared_ptr<Talvex::Book> book_;
    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
