#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/debt/DebtOfClientsFill.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Recordset;
}
namespace Ui {
class BaseDialog;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The client-debt form: a period of whole months, a department and a manager, and a grid
// with one row per client (debt before the period, one column per month, the row total),
// subtotals per manager and per department and the grand total. Any cell opens the list of
// the documents behind it.
class frmDebtOfClients : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    // Row types of the result set.
    static constexpr long kDepartmentRow = 0;
    static constexpr long kPersonRow = 1;
    static constexpr long kClientRow = 2;
    static constexpr long kGrandTotalRow = 3;
    // The key the parameters are saved under, per user.
    static constexpr std::string_view kSettingsKey = "frmDebtOfClients";

    frmDebtOfClients();
    ~frmDebtOfClients() override;

    // Keeps the dialog engine and the Book of the parameters ("Book").
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

    // The period as the last fill widened it, and the codes it used.
    Talvex::Date BegDate() const { return m_BegDate; }
    Talvex::Date EndDate() const { return m_EndDate; }
    // The month columns of the last fill: Summa0 ... Summa<N>.
    int MonthCount() const { return monthCount_; }
    // The source rows of the last fill: one per open document term.
    std::shared_ptr<Talvex::Data::Recordset> Source() const { return rsSource_; }
    // The rows of the last fill, as the grid holds them.
    const std::vector<DebtOfClientsRow>& Rows() const { return rows_; }

    // Where the fill's columns stand in the list, and the typed row of one stored record: the
    // fetch of a fill step.
    struct SourceFields {
        std::size_t department, person, client, depCode, perCode, clnCode, documentDate, accNeedPaySum;
    };
    static SourceFields FieldsOf(Talvex::Data::Recordset& source);
    static DebtOfClientsSourceRow ReadSourceRow(const Talvex::Data::Recordset& source, const SourceFields& fields,
                                                std::size_t storedRow);

    // The base list of the report: open receivables up to the end of the period with each
    // client's manager, the manager's department and the document header (unread).
    std::shared_ptr<Talvex::DataList> BuildSourceList() const;
    // The report's parameters without its dialog, for a summary that fetches and computes as
    // the report does: all departments and managers; direction as CDebtByDoc counts it (2
    // receivables, 1 payables).
    void UseParameters(std::shared_ptr<Talvex::Book> book, Talvex::Date begDate, Talvex::Date endDate,
                       long direction = 2);
    // The database's order of every department, manager and client text the list can show.
    DebtTextRanks TextRanks() const;
    // Puts the read list in the report's order (department, manager and client text, then
    // document date), the order the fill and the drill-down read it in.
    void OrderSource(Talvex::Data::Recordset& source) const;

    // The documents behind a grid cell (row as stored, column name): a filtered clone of
    // the source. Throws ValueError for a row the grid does not hold.
    std::shared_ptr<Talvex::Data::Recordset> CellDocuments(long row, std::string_view column) const;

    // IProcessObject: the fill run.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

private:
    struct DrillRange {
        Talvex::Date from; // empty: no lower bound
        Talvex::Date to;   // empty: no upper bound
    };

    void mBaseDlg_BeforeLoadHandling();
    void btFillList_Click();
    void btDocList_Click();
    void grdList_DblClick(long row, const std::string& column);
    void chTotalByPerson_Click();
    void btUsePrint_Click();
    void mLocalList_OnAddFields();
    void mLocalList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void mLocalList_OnRefresh(Talvex::Ui::EventArgs& args);
    void mLocalList_AfterRefresh();

    void LoadLookups();
    void LoadParams();
    void SaveParams();
    bool ReadParams();
    void BindResult();
    void ApplyPersonFilter();
    void SetReportControls(bool enabled);
    void OpenDocList(long row, const std::string& column);
    DrillRange RangeOf(const std::string& column) const;

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    Talvex::Date m_BegDate;
    Talvex::Date m_EndDate;
    std::string m_Department;
    std::string m_Person;
    long direction_ = 2;
    int monthCount_ = 0;

    // Fetch: the open terms read from the list. Compute: the one-pass fill over them. Show:
    // the rows it gave, bound to the grid.
    std::shared_ptr<Talvex::Data::Recordset> rsSource_;
    SourceFields sourceFields_{};
    std::unique_ptr<DebtOfClientsFill> fill_;
    std::vector<DebtOfClientsRow> rows_;
    long R_ = 0;
    long T_ = 0;
};

} // namespace Quarn_DuzAde
