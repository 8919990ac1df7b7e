#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "quarn/debt/OverdueBands.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The parameters of the debt by signing person: the report date, the signing persons and
// the overdue intervals ("SpecGrid": Days, DaysOrder; empty each time the form opens).
class frmDebtByAccPerson : public Talvex::Ui::Form {
public:
    frmDebtByAccPerson();

    // Shows the form modally; on OK hands back the intervals in DaysOrder order, the date
    // and the persons (codes separated by commas; empty: all) and returns true.
    bool Run(std::shared_ptr<Talvex::Book> book, std::vector<OverdueInterval>& intervals, Talvex::Date& repDate,
             std::string& personList);

private:
    void btOk_Click();
    std::string CheckedPersons() const;

    std::shared_ptr<Talvex::Book> book_;
    std::vector<OverdueInterval> intervals_;
    Talvex::Date repDate_;
    std::string persons_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
