#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/PeriodDepartmentForm.hpp"
#include "quarn/sales/SalesJournal.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The sales journal: the posted sale invoices of a period and department, each followed by
// its goods rows, a row given out by several stores shown once per store. Returns the
// journal as "DataList" for the host to print.
class CRepSalesJournal : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The parameters of one journal.
    using Params = PeriodDepartment;
    // Fetch: the invoices and their goods rows by store order, in the journal's order.
    static std::vector<SalesJournalInvoice> FetchInvoices(const std::shared_ptr<Talvex::Book>& book,
                                                          const Params& params);
    static std::vector<SalesJournalGoodsRow> FetchGoodsRows(const std::shared_ptr<Talvex::Book>& book,
                                                            const Params& params);
    // Show: the journal's lines as the list the host prints.
    static std::shared_ptr<Talvex::DataList> ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                        const std::vector<SalesJournalLine>& lines);
};

} // namespace Quarn_DuzAde
