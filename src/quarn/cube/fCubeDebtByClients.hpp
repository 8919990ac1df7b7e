#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "quarn/debt/OverdueBands.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// What the client-debt cube is asked for: the report date, the clients, department and
// person chosen (codes and the texts the caption shows), the document states, whether
// rates are taken on the document date, and the overdue intervals in grid order.
struct DebtCubeParams {
    Talvex::Date repDate;
    std::string client; // one code or several separated by commas
    std::string department;
    std::string person;
    std::string nClient;
    std::string nDepartment;
    std::string nPerson;
    bool isRateByDocDate = false;
    std::string docState; // state codes separated by commas; empty: every state
    std::vector<OverdueInterval> intervals;
};

// The parameters of the client-debt cube, with the user's own overdue-interval grid
// ("SpecGrid": Days, IsPayBefore, DaysOrder), kept per user between runs. The grid refuses
// at the cell a bound that would make bands overlap or leave a gap.
class fCubeDebtByClients : public Talvex::Ui::Form {
public:
    fCubeDebtByClients();

    // Shows the form modally with the saved choices; on OK fills params, saves the choices
    // and returns true. With bandsOnly only the interval grid can be changed (the cube
    // window's band change).
    bool Run(std::shared_ptr<Talvex::Book> book, DebtCubeParams& params, bool isBuyDirection, bool bandsOnly = false);

private:
    void LoadChoices(const DebtCubeParams& given);
    void btOk_Click();
    void CheckInput() const;
    DebtCubeParams ReadChoices() const;
    void SaveChoices(const DebtCubeParams& params) const;
    std::string NameOf(const char* table, const std::string& code, const char* nameExpr) const;

    std::shared_ptr<Talvex::Book> book_;
    DebtCubeParams result_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
