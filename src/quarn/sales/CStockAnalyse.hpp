#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/StockAge.hpp"

#include <memory>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Stock age by goods group: the cost of the goods still in stock on a report date, split by
// how long they have been there (under 90 days, 90 to 180, 180 to 360, 360 and more).
// Returns the analysis as "DataList"; RestGoodByPeriod gives the same list to other callers.
class CStockAnalyse : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The analysis on ReportDate as an opened list: GoodGroupName, Sum90, Sum180, Sum360, SumD.
    // Needs the Book (taken by Run, or given by SetBook).
    std::shared_ptr<Talvex::DataList> RestGoodByPeriod(Talvex::Date ReportDate) const;
    void SetBook(std::shared_ptr<Talvex::Book> book) { book_ = std::move(book); }

    // Fetch: each stock row not fixed as sold on the date with its goods group, the date of
    // the document that brought it in and its cost.
    static std::vector<StockAgeLot> FetchLots(Talvex::Book& book, Talvex::Date reportDate);
    // Show: the analysis as the list the host prints.
    static std::shared_ptr<Talvex::DataList> ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                        const std::vector<StockAgeRow>& rows);

private:
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
