#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The question of the pay-on-sale sales report: a supplier (or a supplier group) and the
// period of sales. Choosing the supplier shows its name and its market group's payment term.
class frmSalesBySupply : public Talvex::Ui::Form {
public:
    frmSalesBySupply();

    // Shows the form modally with the values given as defaults; on OK returns the choice
    // (payTerm: the supplier's market-group term in days, 0 without a group). False on cancel.
    bool Run(std::shared_ptr<Talvex::Book> oBook, Talvex::Date& begDate, Talvex::Date& endDate, std::string& client,
             std::string& clientName, long& payTerm);

    // The supplier's name, group flag and market-group term; false for an unknown code.
    struct Supplier {
        std::string name;
        bool isGroup = false;
        long payTerm = 0;
    };
    static bool FindSupplier(Talvex::Book& book, const std::string& code, Supplier& supplier);

private:
    void cbClient_Change();
    void btOk_Click();
    // The refusal naming the control, or empty when the input can be used.
    std::string CheckInput() const;

    std::shared_ptr<Talvex::Book> book_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
