#pragma once

#include "host/ui/Form.hpp"
#include "quarn/frame/PeriodicPayments.hpp"

#include <string>

namespace Talvex::Erp {
class CashPlanDocument;
}

namespace Quarn_DuzAde {

// Fills a cash payment plan with a periodic series of payments: one line per month, week,
// ten days or quarter from the first due date to the end of its year, each due on a
// working day, all of one sum, payment type and client. The lines go into the plan the
// dialog edits and are written with it.
class frmPeriodPayment : public Talvex::Ui::Form {
public:
    frmPeriodPayment();

    // The plan to fill; year: the plan's year, the first due date offered (0: none).
    void Init(Talvex::Erp::CashPlanDocument& plan, int year);
    // Shows the form modally; true when lines were added (or replaced).
    bool Execute();

private:
    void btOk_Click();
    // Why the entered values cannot make a series, with the control at fault; empty when they can.
    std::string Problem(std::string& control) const;
    PaymentInterval ChosenInterval() const;
    // Asks what to do with the plan's lines of the year and payment type, when it has any;
    // false to stop without adding.
    bool MakeRoomForSeries(int year, const std::string& paymentType);
    void Refuse(const std::string& control, const std::string& message);

    Talvex::Erp::CashPlanDocument* plan_ = nullptr;
    bool filled_ = false;
};

} // namespace Quarn_DuzAde
