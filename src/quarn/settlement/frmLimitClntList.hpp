#pragma once

#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/settlement/LimitByDebt.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
namespace Erp {
class ClientLimitService;
}
namespace Ui {
class BaseDialog;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

class CSetLimitByDebt;

// The clients' open receivable debt beside their default limits, with a tick per client:
// "Set limits" writes the limits of the ticked clients through the host's client-limit
// service, one client a unit of work, in a progress run. Clients whose limit is set by hand
// start unticked, show in the "ManualLimit" style and are never written.
class frmLimitClntList : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    static constexpr const char* kCode = "Code";
    static constexpr const char* kName = "Name";
    static constexpr const char* kAccNeedPaySum = "AccNeedPaySum";
    static constexpr const char* kDefaultLimit = "DefaultLimit";
    static constexpr const char* kWriteToDB = "WriteToDB";
    static constexpr const char* kIsLimitSetManually = "IsLimitSetManually";

    frmLimitClntList();
    ~frmLimitClntList() override;

    // Keeps the dialog, Param("Book") and Param("Parent") (the CSetLimitByDebt that fills the
    // list).
    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param);

    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

    // The rows with the ticks as the user left them.
    std::vector<LimitRow> ListedRows() const;
    long LimitsWritten() const { return limitsWritten_; }

private:
    void mBaseDlg_BeforeLoadHandling();
    void mLocalList_OnAddFields();
    void mLocalList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void mLocalList_AfterRefresh();
    void mLocalList_OnRunMDICommand(Talvex::Ui::EventArgs& args);
    void mLocalList_OnSetMDIToolbarState(Talvex::Ui::EventArgs& args);
    void btSetLimit_Click();

    Talvex::Ui::BaseDialog* baseDialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    CSetLimitByDebt* parent_ = nullptr;
    std::unique_ptr<Talvex::Erp::ClientLimitService> limits_;
    std::shared_ptr<Talvex::Ui::TableRowSource> rows_;
    std::vector<LimitWrite> toWrite_;
    long limitsWritten_ = 0;
};

} // namespace Quarn_DuzAde
