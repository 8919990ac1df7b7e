#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The question of the consignment reports: the report date, the vendors' market groups, a
// client group and the fixation categories. The market-group choice is kept per user for the
// next time.
class ParmRestByVendor : public Talvex::Ui::Form {
public:
    static constexpr const char* kSettingsKey = "ParmRestByVendor";

    ParmRestByVendor();

    // Shows the form with pData as the default date (the market groups as last chosen);
    // on OK returns the choice. False on cancel.
    bool Run(Talvex::Date& pData, std::string& MarketGroup, std::string& ClientGr, std::shared_ptr<Talvex::Book> oBook,
             std::string& sFixCat);

private:
    void btOk_Click();
    // The refusal naming the control, or empty.
    std::string CheckInput() const;

    std::shared_ptr<Talvex::Book> book_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
