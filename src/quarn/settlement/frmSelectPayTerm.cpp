#include "quarn/settlement/frmSelectPayTerm.hpp"

#include "host/types/Decimal.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/settlement/PayTermArrangement.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

frmSelectPayTerm::frmSelectPayTerm() : Form("frmSelectPayTerm")
{
    SetCaption("Payment term");
    Add(ControlKind::Label, "lblDocInfo", "");
    Add(ControlKind::DateBox, "edRepDate", "Due date");
    Add(ControlKind::NumberBox, "edSumma", "Sum").SetFormat("#,##0.00");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmSelectPayTerm::Run(const std::string& sDocInfo, Date& pDate, Currency& pSumma, long pOper,
                           const ArrangedInvoice& payTermList)
{
    invoice_ = &payTermList;
    Ctl("lblDocInfo").SetCaption(sDocInfo);
    SetCaption(pOper == 1 ? "New payment term" : "Payment term");
    Ctl("edRepDate").SetValue(Value(pDate));
    Ctl("edSumma").SetValue(Value(pSumma));
    confirmed_ = false;
    Show(true);
    invoice_ = nullptr;
    if (!confirmed_) return false;
    pDate = Ctl("edRepDate").GetValue().ToDate();
    pSumma = Ctl("edSumma").GetValue().ToCurrency();
    return true;
}

std::string frmSelectPayTerm::CheckInput() const
{
    const Value& date = Ctl("edRepDate").GetValue();
    if (!date.IsDate()) return "edRepDate: enter the day the term falls due.";
    const Date due = date.ToDate();
    if (NextWorkingDay(due) != due)
        return "edRepDate: " + due.ToIso() + " is a " + (due.IsoWeekday() == 6 ? "Saturday" : "Sunday") +
               "; a term falls due on a working day.";
    if (due < invoice_->docDate)
        return "edRepDate: the term cannot fall due before the invoice's date " + invoice_->docDate.ToIso() + ".";
    const Value& sum = Ctl("edSumma").GetValue();
    if (!sum.IsNumber() || sum.ToCurrency() <= Currency()) return "edSumma: enter a sum above 0.";
    if (sum.ToCurrency() > invoice_->docSumma)
        return "edSumma: the term cannot exceed the invoice's sum " +
               Talvex::Decimal::FromCurrency(invoice_->docSumma).ToFixed(2) + ".";
    return {};
}

void frmSelectPayTerm::btOk_Click()
{
    try {
        Talvex::Ui::MessageBox box(*GetSession());
        if (const std::string refusal = CheckInput(); !refusal.empty()) {
            box.Show(refusal, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        const Date due = Ctl("edRepDate").GetValue().ToDate();
        if (const long used = PayTermArrangement::TermOn(*invoice_, due); used >= 0) {
            // One term per day: the user changes that term's sum in the grid instead.
            const Currency planPaySumma = invoice_->terms[static_cast<std::size_t>(used)].needPaySumma;
            box.ShowSingle("edRepDate: the invoice already has a term on " + due.ToIso() + " (PlanPaySumma " +
                               Talvex::Decimal::FromCurrency(planPaySumma).ToFixed(2) + ").",
                           "Gerai", "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
