#pragma once

#include "host/types/Date.hpp"
#include "host/ui/ParamForm.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// Parameters of the profit and loss statement: the period and the chart of accounts.
class frmReportProfit : public Talvex::Ui::ParamForm {
public:
    frmReportProfit();

    // Shows the form modally; on OK gives the period and the chart. False when cancelled.
    bool Run(std::shared_ptr<Talvex::Book> book, Talvex::Date& BegDate, Talvex::Date& EndDate, std::string& AccSetCode);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
