#pragma once

#include "host/types/Date.hpp"
#include "host/ui/ParamForm.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The question of the stock age analysis: the report date (edDate), the Book's today at first.
class frmOrvStockAnalyse : public Talvex::Ui::ParamForm {
public:
    frmOrvStockAnalyse();

    // Shows the form with OutP's "EndDate" (if any) and, on OK, writes the chosen date there.
    // False when the user cancelled.
    bool Init(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& OutP);
    // The same question without a parameter list: the chosen date in mDate.
    bool mInit(std::shared_ptr<Talvex::Book> book, Talvex::Date& mDate);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
