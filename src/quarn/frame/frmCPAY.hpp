#pragma once

#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace Talvex::Erp {
class CashPlanDocument;
}
namespace Talvex::Ui {
class LocalList;
}

namespace Quarn_DuzAde {

// The editor of the yearly cash payment plan ("CPAY") inside the host's document dialog:
// the plan's header in bound controls and its lines in the editable list "SpecList". The
// plan itself (its checks and how it is written) is the host's document; this form shows
// it, lets the list's column rules ask the plan what a cell may hold, and hands every
// accepted edit, added and deleted line to it.
class frmCPAY : public Talvex::Ui::Form {
public:
    frmCPAY();

    std::string DocType() const { return "CPAY"; }
    Talvex::Erp::CashPlanDocument* Get_oDoc() const { return doc_; }
    Talvex::Ui::LocalList& Get_SpecList() const;

    // Edits of the lines, made through the plan and shown again in the list. Rows are
    // those of the list as it stands (sorted or not).
    void m_SpecList_OnInsert();
    void SetLineValue(long row, std::string_view column, const Talvex::Value& value);
    void RemoveLine(long row);

private:
    void mBaseDlg_BeforeLoadHandling(Talvex::Ui::EventArgs& args);
    void mBaseDlg_OnWriteRecord(Talvex::Ui::EventArgs& args);
    void m_SpecList_OnAddFields();
    void m_SpecList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void SpecList_CellChange(Talvex::Ui::EventArgs& args);
    void SpecList_DeleteRow(Talvex::Ui::EventArgs& args);
    void btPeriodic_Click();
    void btApply_Click();
    void btCopy_Click();
    void btCreateCopy_Click();
    void btCalendar_Click();
    void btUsePrint_Click();
    // The plan's year as the header shows it; 0 when the date box is empty.
    int PlanYear() const;
    // Shows the refusal; true, so that a handler can `if (bad && Refused(...)) return;`.
    bool Refused(const std::string& text) const;
    // The plan's line a row of the list shows.
    std::size_t LineOfRow(long row) const;
    void RefreshLines(long currentRow = 0);
    Talvex::Erp::CashPlanDocument& RequireDoc() const;

    Talvex::Erp::CashPlanDocument* doc_ = nullptr;
};

} // namespace Quarn_DuzAde
