#include "quarn/frame/frmPeriodPayment.hpp"

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/frmQuestion.hpp"

#include <tuple>
#include <vector>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Erp::CashPlanDocument;
using Talvex::Erp::CashPlanLine;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

struct IntervalOption {
    const char* control;
    const char* caption;
    PaymentInterval interval;
};

constexpr IntervalOption kIntervals[] = {{"optMonth", "Kas mėnesį", PaymentInterval::Month},
                                         {"optWeek", "Kas savaitę", PaymentInterval::Week},
                                         {"optDecade", "Kas dešimt dienų", PaymentInterval::Decade},
                                         {"optQuarter", "Kas ketvirtį", PaymentInterval::Quarter}};

bool IsBlank(const Value& value)
{
    return value.IsEmpty() || value.IsNull() || (value.IsText() && value.ToText().empty());
}

} // namespace

frmPeriodPayment::frmPeriodPayment() : Form("frmPeriodPayment", "Periodiniai mokėjimai")
{
    Add(ControlKind::DateBox, "edDate", "Pirmas mokėjimas");
    Add(ControlKind::NumberBox, "edSum", "Suma");
    Add(ControlKind::ComboBox, "cbPaymentType", "Mokėjimo būdas").BindLookup({"REFPaymentType", "Code", "Name"});
    Add(ControlKind::ComboBox, "cbClient", "Klientas").BindLookup({"REFClient", "Code", "Name"});
    for (const auto& option : kIntervals) {
        auto& button = Add(ControlKind::OptionButton, option.control, option.caption);
        button.SetGroup("optInterval");
        button.SetValue(Value(option.interval == PaymentInterval::Month));
    }
    Add(ControlKind::Button, "btOk", "Gerai").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Atšaukti").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
}

void frmPeriodPayment::Init(CashPlanDocument& plan, int year)
{
    plan_ = &plan;
    if (year > 0) Ctl("edDate").SetValue(Value(Date(year, 1, 1)));
    Ctl("cbPaymentType").SetValue(Value(std::string(CashPlanDocument::kDefaultPaymentType)));
}

bool frmPeriodPayment::Execute()
{
    if (plan_ == nullptr) throw Talvex::ValueError("frmPeriodPayment: no cash payment plan to fill");
    filled_ = false;
    Show(true);
    Unload();
    return filled_;
}

PaymentInterval frmPeriodPayment::ChosenInterval() const
{
    for (const auto& option : kIntervals)
        if (Ctl(option.control).GetValue().ToBool()) return option.interval;
    return PaymentInterval::Month;
}

std::string frmPeriodPayment::Problem(std::string& control) const
{
    const Value& first = Ctl("edDate").GetValue();
    if (!first.IsDate()) {
        control = "edDate";
        return "the first due date is required";
    }
    // The plan asks the same of the series' lines as of a line typed in.
    const std::tuple<const char*, const char*, Value> entered[] = {
        {"edSum", "Summa", Ctl("edSum").GetValue()},
        {"cbPaymentType", "PaymentTypeCode", Ctl("cbPaymentType").GetValue()},
        {"cbClient", "Client", Ctl("cbClient").GetValue()}};
    for (const auto& [name, column, value] : entered) {
        if (std::string problem = plan_->LineValueProblem(column, value); !problem.empty()) {
            control = name;
            return problem;
        }
    }
    return {};
}

void frmPeriodPayment::Refuse(const std::string& control, const std::string& message)
{
    Ctl(control).SetRefusal(message);
    if (Talvex::Ui::Session* session = GetSession())
        session->AddMessage(Talvex::Ui::MessageRecord{
            Caption(), Name() + "." + control + ": " + message, {}, "", Talvex::Ui::MessageKind::Refusal});
}

bool frmPeriodPayment::MakeRoomForSeries(int year, const std::string& paymentType)
{
    const auto& lines = plan_->Lines();
    std::vector<std::size_t> same;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].needPayDate != Date() && lines[i].needPayDate.Year() == year &&
            lines[i].paymentTypeCode == paymentType)
            same.push_back(i);
    if (same.empty()) return true;

    bool deleteAdd = false, none = false, cancel = false;
    frmQuestion question;
    question.ShowDialog(paymentType, year, deleteAdd, none, cancel);
    if (cancel || none) return false;
    if (deleteAdd)
        for (auto line = same.rbegin(); line != same.rend(); ++line)
            plan_->RemoveLine(*line);
    return true;
}

void frmPeriodPayment::btOk_Click()
{
    for (const auto& control : Controls())
        control->SetRefusal("");
    std::string control;
    if (const std::string problem = Problem(control); !problem.empty()) return Refuse(control, problem);

    const Date first = Ctl("edDate").GetValue().ToDate();
    const std::string paymentType = Ctl("cbPaymentType").GetValue().ToText();
    const Value& client = Ctl("cbClient").GetValue();
    if (!MakeRoomForSeries(first.Year(), paymentType)) {
        Hide();
        return;
    }
    CashPlanLine line;
    line.summa = Ctl("edSum").GetValue().ToCurrency();
    line.paymentTypeCode = paymentType;
    line.client = IsBlank(client) ? std::string() : client.ToText();
    for (const Date due : PeriodicPaymentDates(first, ChosenInterval(), plan_->CompanyDaysOff(first.Year()))) {
        line.needPayDate = due;
        plan_->AddLine(line);
    }
    filled_ = true;
    Hide();
}

} // namespace Quarn_DuzAde
