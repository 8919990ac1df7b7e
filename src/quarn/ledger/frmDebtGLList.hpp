#pragma once

#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex::Data {
class Recordset;
}

namespace Quarn_DuzAde {

class CDebtGL;

// The ledger reconciliation on screen: one grid row per result row. A double click on a row
// opens the open documents behind the cell (an ageing column: those of its bucket; a payables
// month: those of the month); btPostings opens the client's postings on the account.
class frmDebtGLList : public Talvex::Ui::Form {
public:
    frmDebtGLList(const CDebtGL& report, std::shared_ptr<Talvex::Data::Recordset> result);
    // Shows the grid modally until the user closes it.
    void Run();

private:
    void grdList_DblClick(long row, const std::string& column);
    void btPostings_Click();
    std::string ClientOf(long row) const;
    // A read-only list window over rows, closed by its button.
    void ShowList(const std::string& name, const std::string& caption, const Talvex::Data::Recordset& rows);

    const CDebtGL& report_;
    std::shared_ptr<Talvex::Data::Recordset> result_;
};

} // namespace Quarn_DuzAde
