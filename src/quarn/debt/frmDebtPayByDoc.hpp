#pragma once

#include "host/ui/Form.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of debt payment by document: the report date, the client or client group,
// the side, the market groups, and in the department mode the department and contract type.
class frmDebtPayByDoc : public Talvex::Ui::Form {
public:
    explicit frmDebtPayByDoc(bool byDepartment);

    // Loads the controls from the report's parameters, shows the form modally and, on OK,
    // writes the choices back. True when the user pressed OK.
    bool Browse(Talvex::FieldList& params, std::shared_ptr<Talvex::Book> book);

protected:
    frmDebtPayByDoc(const char* formName, bool byDepartment, bool withDate);

private:
    void LoadFromParams(const Talvex::FieldList& params);
    void WriteToParams(Talvex::FieldList& params) const;
    // Throws ValueError naming the control when the choice cannot be used.
    void CheckInput() const;
    void btOk_Click();

    bool byDepartment_ = false;
    bool withDate_ = true;
    Talvex::FieldList* params_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
