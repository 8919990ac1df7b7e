#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "quarn/sales/SalesByMng.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Ui {
class BaseDialog;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// Sales of a period net of VAT per selling department and manager, returns and discounts
// taken away, sales to subsidiaries apart; any line opens the documents behind it, and the
// list prints as "SalesRep" with the department totals as its sub-report.
class SalesByMngDlg : public Talvex::Ui::Form {
public:
    static constexpr const char* kReportCode = "SalesRep";
    static constexpr const char* kSubReportCode = "SalesReportSub";

    SalesByMngDlg();
    ~SalesByMngDlg() override;

    // param: "Book", and optionally "BegDate" and "EndDate", the period first shown.
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

    // Fetch: the goods rows of the four kinds of document of the period (unread list), and
    // the rows read from it.
    static std::shared_ptr<Talvex::DataList> CrListSel(const std::shared_ptr<Talvex::Book>& book, Talvex::Date begDate,
                                                       Talvex::Date endDate);
    static std::vector<SalesByMngRow> FetchRows(const std::shared_ptr<Talvex::Book>& book, Talvex::Date begDate,
                                                Talvex::Date endDate);

    // The rows and lines of the last fill.
    const std::vector<SalesByMngRow>& Rows() const { return rows_; }
    const std::vector<SalesByMngLine>& Lines() const { return lines_; }

    // The print layouts of the report and its sub-report, registered with the host once.
    static void RegisterLayouts();

private:
    void mBaseDlg_BeforeLoadHandling();
    void btFillList_Click();
    void btDocList_Click();
    void btUsePrint_Click();
    void mLocalList_OnAddFields();
    void mLocalList_AfterRefresh();
    void OpenDocList(long row);
    void BindResult();

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    Talvex::Date begDate_;
    Talvex::Date endDate_;
    std::vector<SalesByMngRow> rows_;
    std::vector<SalesByMngLine> lines_;
};

} // namespace Quarn_DuzAde
