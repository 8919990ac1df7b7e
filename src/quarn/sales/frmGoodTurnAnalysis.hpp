#pragma once

#include "host/types/Value.hpp"
#include "host/ui/ParamForm.hpp"
#include "quarn/sales/CRepGoodTurnAnalysis.hpp"

#include <memory>

namespace Quarn_DuzAde {

// The question of the goods turnover: the period (edDateBeg, edDateEnd), a good or goods group
// (selGood, empty for all) and whether consignment lots count (chConsigned, off by default).
class frmGoodTurnAnalysis : public Talvex::Ui::ParamForm {
public:
    explicit frmGoodTurnAnalysis(std::shared_ptr<Talvex::Book> book);

    // Shows the form pre-filled with the given values (empty ones: the month of the Book's
    // today, all goods, no consignment); on OK the choice. False when the user cancelled.
    bool Run(const Talvex::Value& dateBeg, const Talvex::Value& dateEnd, const Talvex::Value& goodCode,
             const Talvex::Value& consigned, CRepGoodTurnAnalysis::Params& chosen);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    bool GoodExists(const std::string& code) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
