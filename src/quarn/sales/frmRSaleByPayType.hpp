#pragma once

#include "host/ui/Form.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of sales by payment type: the period and, optionally, one department.
class frmRSaleByPayType : public Talvex::Ui::Form {
public:
    explicit frmRSaleByPayType(std::shared_ptr<Talvex::Book> book);

    // Loads "BegPeriod", "EndPeriod", "Department" into the controls, shows the form modally
    // and on OK writes them back. False, the parameters unchanged, when cancelled.
    bool Run(Talvex::FieldList& params);

private:
    void btOk_Click();
    // The refusal naming the control, or empty when the input is usable.
    std::pair<std::string, std::string> Refusal() const;

    std::shared_ptr<Talvex::Book> book_;
    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
