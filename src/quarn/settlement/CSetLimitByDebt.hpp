#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/settlement/LimitByDebt.hpp"

#include <memory>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Ui {
class TableRowSource;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// Credit limits from debt: asks a period (frmSetLimitParm, when visual; otherwise InParams'
// "BegDate" and "EndDate", or the month up to today), lists each client's open receivable
// debt of the period beside its card's default limit, and opens the list (frmLimitClntList)
// in the host's dialog engine, where the user writes the limits of the ticked clients.
class CSetLimitByDebt : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Reads the list of the period the run asked and copies its rows into the form's list.
    void FillRezlist(Talvex::Ui::TableRowSource& oTarget);

    // The list's columns, in the grid's order.
    static std::vector<std::string> Columns();

    // The clients with their open receivable debt of the period (receivables, Direction 2)
    // and their limit fields, one row per client, ordered by code. Unread.
    static std::shared_ptr<Talvex::DataList> CreateLimitList(std::shared_ptr<Talvex::Book> book, Talvex::Date begDate,
                                                             Talvex::Date endDate);
    static std::vector<ClientDebtLimit> ReadClients(Talvex::DataList& list);

    Talvex::Date BegDate() const { return begDate_; }
    Talvex::Date EndDate() const { return endDate_; }

private:
    std::shared_ptr<Talvex::Book> book_;
    Talvex::Date begDate_;
    Talvex::Date endDate_;
};

} // namespace Quarn_DuzAde
