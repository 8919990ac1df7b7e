#include "quarn/settlement/frmLimitClntList.hpp"

#include "host/erp/ClientLimitService.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/settlement/CSetLimitByDebt.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdList";
constexpr const char* kMoneyFormat = "#,##0.00";
constexpr const char* kManualStyle = "ManualLimit";

} // namespace

frmLimitClntList::frmLimitClntList() : Form("frmLimitClntList", "Credit limits by debt")
{
    Add(ControlKind::Button, "btSetLimit", "Set limits").SetToolTip("Write the limits of the ticked clients");
    auto& list = AddLocalList(kList);
    list.AddMenuItem("SetLimit", "Set limits");
    list.DefineStyle(kManualStyle, Talvex::Ui::RowStyle{false, "#7f7f7f", "#f2f2f2"});
    rows_ = std::make_shared<Talvex::Ui::TableRowSource>(CSetLimitByDebt::Columns());

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btSetLimit", "Click", [this](EventArgs&) { btSetLimit_Click(); });
    // The rows come from the form's own list; the host list itself brings none.
    On(kList, "OnRefresh", [](EventArgs& args) { args.filter = "oTable.IDC = 0"; });
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "OnAddColumn", [this](EventArgs& args) { mLocalList_OnAddColumn(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { mLocalList_AfterRefresh(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) { mLocalList_OnRunMDICommand(args); });
    On(kList, "OnSetMDIToolbarState", [this](EventArgs& args) { mLocalList_OnSetMDIToolbarState(args); });
}

frmLimitClntList::~frmLimitClntList() = default;

bool frmLimitClntList::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        baseDialog_ = &a_BaseDialog;
        book_ = GetBook(&Param, false);
        if (!Param.ExistsField("Parent"))
            throw Talvex::ValueError("Parent: the limit list needs the operation that fills it");
        parent_ = dynamic_cast<CSetLimitByDebt*>(Param.Item("Parent").GetValue().ToObject().get());
        if (!parent_) throw Talvex::ValueError("Parent: not a CSetLimitByDebt");
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void frmLimitClntList::mBaseDlg_BeforeLoadHandling()
{
    try {
        // Read once, when the dialog opens; the ticks the user sets stay until the form goes.
        rows_ = std::make_shared<Talvex::Ui::TableRowSource>(CSetLimitByDebt::Columns());
        auto& list = ListCtl(kList);
        list.SetRowSource(rows_);
        list.Refresh();
    } catch (...) {
        ReportError();
    }
}

void frmLimitClntList::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField(kCode, "Code");
    list.DeclareField(kName, "Name");
    list.DeclareField(kAccNeedPaySum, "Receivable debt", kMoneyFormat);
    list.DeclareField(kDefaultLimit, "Default limit", kMoneyFormat);
    Talvex::Ui::CellRule tick = Talvex::Ui::CellRule::Of(Talvex::Ui::CellType::Integer);
    tick.required = true;
    tick.minimum = Currency();
    tick.maximum = Currency::FromInteger(1);
    list.DeclareEditableField(kWriteToDB, "Write", "", tick);
    list.DeclareField(kIsLimitSetManually, "Set by hand", "", false);
    if (parent_ && rows_->RowCount() == 0) parent_->FillRezlist(*rows_);
}

void frmLimitClntList::mLocalList_OnAddColumn(EventArgs& args)
{
    if (!args.gridColumn) return;
    const std::string& name = args.gridColumn->name;
    if (name == kAccNeedPaySum || name == kDefaultLimit) args.gridColumn->alignment = Talvex::Ui::Alignment::Right;
}

void frmLimitClntList::mLocalList_AfterRefresh()
{
    auto& list = ListCtl(kList);
    for (std::size_t row = 0; row < list.RowCount(); ++row)
        list.SetRowStyle(row, list.Cell(row, kIsLimitSetManually).ToInteger() == 1 ? kManualStyle : "");
    Ctl("btSetLimit").SetEnabled(list.RowCount() > 0);
    if (list.RowCount() == 0) SayNothingToShow();
}

void frmLimitClntList::mLocalList_OnRunMDICommand(EventArgs& args)
{
    // The host's own commands on the list (new, edit, delete, copy) would change clients from
    // here: this list changes nothing but the limits.
    if (args.key == "2" || args.key == "3" || args.key == "4" || args.key == "5") {
        args.cancel = true;
        return;
    }
    if (args.key == "SetLimit") btSetLimit_Click();
}

void frmLimitClntList::mLocalList_OnSetMDIToolbarState(EventArgs& args)
{
    if (args.key == "2" || args.key == "3" || args.key == "4" || args.key == "5") args.cancel = true;
}

std::vector<LimitRow> frmLimitClntList::ListedRows() const
{
    // The grid holds the ticks as edited; its rows may have been sorted.
    const auto& list = ListCtl(kList);
    std::vector<LimitRow> rows;
    rows.reserve(list.RowCount());
    for (std::size_t row = 0; row < list.RowCount(); ++row)
        rows.push_back({list.Cell(row, kCode).ToText(), list.Cell(row, kName).ToText(),
                        list.Cell(row, kAccNeedPaySum).ToCurrency(), list.Cell(row, kDefaultLimit).ToCurrency(),
                        list.Cell(row, kWriteToDB).ToInteger() == 1, list.Cell(row, kIsLimitSetManually).ToInteger() == 1});
    return rows;
}

void frmLimitClntList::btSetLimit_Click()
{
    try {
        toWrite_ = LimitsToWrite(ListedRows());
        limitsWritten_ = 0;
        if (toWrite_.empty()) return;
        if (!limits_) {
            limits_ = std::make_unique<Talvex::Erp::ClientLimitService>();
            limits_->Init(book_);
        }
        Talvex::Ui::ProgressRunner().Run(*this);
        Talvex::Ui::MessageBox().ShowSingle("Credit limits written: " + std::to_string(limitsWritten_) + " of " +
                                                std::to_string(toWrite_.size()) + ".",
                                            "Gerai");
    } catch (...) {
        ReportError();
    }
}

std::string frmLimitClntList::Caption()
{
    return "Writing credit limits";
}

long frmLimitClntList::CountStep()
{
    return static_cast<long>(toWrite_.size());
}

bool frmLimitClntList::Step(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > toWrite_.size()) return false;
    const auto& write = toWrite_[static_cast<std::size_t>(index - 1)];
    const std::string context = "Credit limit of client \"" + write.code + "\" not written: ";
    try {
        // The client's unit of work is undone on a failure; the run goes on with the next client.
        try {
            if (limits_->SetLimit(write.code, write.limit)) ++limitsWritten_;
        } catch (const Talvex::DatabaseError& e) {
            throw Talvex::DatabaseError(context + e.what());
        } catch (const std::exception& e) {
            throw Talvex::ValueError(context + e.what());
        }
    } catch (...) {
        ReportError();
    }
    return true;
}

} // namespace Quarn_DuzAde
