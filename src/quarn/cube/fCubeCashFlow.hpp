#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

struct CashFlowParams;

// The cash-flow cube's parameters: the period, the budget account set, its account and the
// flow-kind analytic of that account, the cash account and the running rests to show.
class fCubeCashFlow : public Talvex::Ui::ParamForm {
public:
    fCubeCashFlow();

    // Shows the form, pre-filled from "BegDate" and "EndDate" of the given parameters, else
    // from what the user chose last, else from the company's defaults. On OK writes the
    // choice into params, keeps it for the user and returns true.
    bool Run(std::shared_ptr<Talvex::Book> book, const Talvex::FieldList& given, CashFlowParams& params);

    // The refusal of a choice, or empty when it can be used: the message and the control it
    // belongs to.
    struct Refusal {
        std::string message;
        std::string control;
    };
    static Refusal Check(Talvex::Book& book, const CashFlowParams& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    CashFlowParams Chosen() const;
    void LoadAccounts();
    void LoadAnalytTypes();
    void cbAccSet_Change();
    void cbGenAcc_Change();

    std::shared_ptr<Talvex::Book> book_;
    const Talvex::FieldList* given_ = nullptr;
};

} // namespace Quarn_DuzAde
