#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The parameters of the low-value assets cube: a department (or none for all), whether it
// stands with everything under it, and the day the holdings are shown for.
class frmRLValAssStateParams : public Talvex::Ui::Form {
public:
    frmRLValAssStateParams();

    // Shows the form over the given choices; on OK they hold the user's: deptType 1 for the
    // department with everything under it, 0 for itself alone. True when the user pressed OK.
    static bool Run(const std::shared_ptr<Talvex::Book>& book, int& deptType, std::string& deptCode,
                    Talvex::Date& stateDate);

private:
    // Throws ValueError naming the control when the choice cannot be used.
    void CheckInput() const;
    void btOk_Click();

    std::shared_ptr<Talvex::Book> book_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
