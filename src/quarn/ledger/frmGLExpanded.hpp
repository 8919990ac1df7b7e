#pragma once

#include "host/ui/ParamForm.hpp"

#include <map>
#include <memory>
#include <string>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Parameters of the expanded account statement: the period, the chart and either one group
// account (with everything under it) or several posting accounts of that chart.
class frmGLExpanded : public Talvex::Ui::ParamForm {
public:
    frmGLExpanded();

    // Shows the form modally; on OK writes "BegPeriod", "EndPeriod", "AccSetCode" and
    // "AccountCode" into params. False when cancelled.
    bool Run(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    void cbAccSet_Change();
    // The accounts of the chosen chart: code to whether it is a group.
    void LoadChart();
    // The chosen accounts in the parameter's form, or a refusal naming the culprit.
    bool ChosenAccounts(std::string& parameter, std::string& refusal, std::string& control) const;

    std::shared_ptr<Talvex::Book> book_;
    std::map<std::string, bool> chart_;
};

} // namespace Quarn_DuzAde
