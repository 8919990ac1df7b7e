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
// the plan's header in bound controls and its lines in the list "SpecList". The plan itself
// (its checks and how it is written) is the host's document; this form only shows it and
// hands the user's edits to it.
class frmCPAY : public Talvex::Ui::Form {
public:
    frmCPAY();

    std::string DocType() const { return "CPAY"; }
    Talvex::Erp::CashPlanDocument* Get_oDoc() const { return doc_; }
    Talvex::Ui::LocalList& Get_SpecList() const;

    // Edits of the lines, made through the plan and shown again in the list.
    void m_SpecList_OnInsert();
    void SetLineValue(long row, std::string_view column, const Talvex::Value& value);
    void RemoveLine(long row);

private:
    void mBaseDlg_BeforeLoadHandling(Talvex::Ui::EventArgs& args);
    void mBaseDlg_OnWriteRecord(Talvex::Ui::EventArgs& args);
    void m_SpecList_OnAddFields();
    void RefreshLines();
    Talvex::Erp::CashPlanDocument& RequireDoc() const;

    Talvex::Erp::CashPlanDocument* doc_ = nullptr;
};

} // namespace Quarn_DuzAde
