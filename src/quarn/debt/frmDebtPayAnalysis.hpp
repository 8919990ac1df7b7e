#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the debt payment analysis: the period the terms fall due in, the report
// date payments are counted to, the side and, when wanted, one client.
class frmDebtPayAnalysis : public Talvex::Ui::ParamForm {
public:
    explicit frmDebtPayAnalysis(std::shared_ptr<Talvex::Book> book);

    // Loads the controls from params ("DateBeg", "DateEnd", "RepDate", "Client",
    // "Direction"), shows the form modally and, on OK, writes the choices back. False when
    // the user cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    void Check() const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
