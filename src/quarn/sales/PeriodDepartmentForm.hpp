#pragma once

#include "host/types/Date.hpp"
#include "host/ui/ParamForm.hpp"

#include <memory>
#include <optional>
#include <string>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The period and the department a department's report is asked for.
struct PeriodDepartment {
    Talvex::Date begPeriod;
    Talvex::Date endPeriod;
    std::string department;

    // As the question leaves them in params ("BegPeriod", "EndPeriod", "Department").
    static PeriodDepartment From(const Talvex::FieldList& params);
};

// The department's posted sale invoices ("PRSF") dated in the period: the filter of a list
// whose document has the alias doc.
std::string DepartmentSaleInvoices(const PeriodDepartment& params, const std::string& doc);

// The question of a department's report over a period: the dates (edBegPeriod, edEndPeriod)
// and the department (cbDep), each refused at its control: a missing date, a reversed or too
// long period, no department or one the departments lack.
class PeriodDepartmentForm : public Talvex::Ui::ParamForm {
public:
    // Loads the controls from params ("BegPeriod", "EndPeriod", "Department"), shows the form
    // modally and, on OK, writes the choices back (with "DepartmentName", the department's
    // name, when the form gives it). False when the user cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    struct Captions {
        const char* form;
        const char* from;
        const char* to;
    };
    PeriodDepartmentForm(std::string name, const Captions& captions, std::shared_ptr<Talvex::Book> book,
                         bool givesDepartmentName);

    // A first run offers the month of the Book's today.
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    std::shared_ptr<Talvex::Book> book_;
    bool givesDepartmentName_;
};

// A department report's question: the period and department the caller gave (inParams)
// copied to outParams, then asked on `form` over them; what the user chose, none when the
// user cancelled.
std::optional<PeriodDepartment> AskPeriodDepartment(PeriodDepartmentForm& form, const Talvex::FieldList& inParams,
                                                    Talvex::FieldList& outParams);

} // namespace Quarn_DuzAde
