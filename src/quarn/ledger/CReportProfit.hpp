#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/ledger/ProfitFill.hpp"

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

// Profit and loss for a period straight from the general ledger: the turnover and closing
// balance of every income (class 5) and expense (class 6) posting account of one chart, under
// an income and an expense heading, both sides as positive figures.
class CReportProfit : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch and compute without a form.
    std::vector<ProfitRow> Fill(Talvex::Book& book, Talvex::Date begDate, Talvex::Date endDate,
                                const std::string& accSetCode) const;
    // The unread statement of the posting accounts of classes 5 and 6 with movement or
    // balance, in the order of their headings, then codes.
    static std::shared_ptr<Talvex::DataList> StatementList(Talvex::Book& book, Talvex::Date begDate,
                                                           Talvex::Date endDate, const std::string& accSetCode);
    static std::shared_ptr<Talvex::Data::Recordset> ResultList(const std::vector<ProfitRow>& rows);
    // The two heading texts: income, expenses.
    static std::string IncomeHeading();
    static std::string ExpenseHeading();
};

} // namespace Quarn_DuzAde
