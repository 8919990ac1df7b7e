#include "quarn/frame/frmCPAY.hpp"

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"

namespace Quarn_DuzAde {

using Talvex::Erp::CashPlanDocument;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
// The engine's member name: "mBaseDlg" when a report drives the form, "mSysDialog" when
// the host's document dialog does. The form answers both alike.
constexpr const char* kDialogMembers[] = {"mBaseDlg", "mSysDialog"};
constexpr const char* kSpecList = "SpecList";
} // namespace

frmCPAY::frmCPAY() : Form("frmCPAY", "Mokėjimų planas")
{
    Add(ControlKind::DateBox, "edDate", "Data").BindField("DocumentDate");
    Add(ControlKind::TextBox, "edNumb", "Numeris").BindField("Number");
    auto& sum = Add(ControlKind::NumberBox, "edSum", "Suma");
    sum.BindField("Summa");
    sum.SetEnabled(false); // the sum of the lines
    Add(ControlKind::TextBox, "cbCurrency", "Valiuta").BindField("CurrencyCode");
    Add(ControlKind::CheckBox, "chIsClosed", "Uždarytas").BindField("IsClosed");
    auto& list = AddLocalList(kSpecList);
    list.AddMenuItem("INS", "Nauja eilutė");
    list.AddMenuItem("DEL", "Šalinti eilutę");
    Add(ControlKind::Button, "btApply", "Gerai").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Atšaukti").SetCancel(true);

    for (const char* member : kDialogMembers) {
        On(member, "BeforeLoadHandling", [this](EventArgs& args) { mBaseDlg_BeforeLoadHandling(args); });
        On(member, "AfterWriteRecord", [this](EventArgs& args) { mBaseDlg_OnWriteRecord(args); });
    }
    On(kSpecList, "OnAddFields", [this](EventArgs&) { m_SpecList_OnAddFields(); });
    On(kSpecList, "OnRunMDICommand", [this](EventArgs& args) {
        if (args.key == "INS") m_SpecList_OnInsert();
        if (args.key == "DEL") RemoveLine(Get_SpecList().CurrentRow());
    });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
}

Talvex::Ui::LocalList& frmCPAY::Get_SpecList() const
{
    return ListCtl(kSpecList);
}

CashPlanDocument& frmCPAY::RequireDoc() const
{
    if (!doc_) throw Talvex::ValueError("frmCPAY: the dialog has no cash payment plan to edit");
    return *doc_;
}

void frmCPAY::mBaseDlg_BeforeLoadHandling(EventArgs& args)
{
    doc_ = Dialog() ? dynamic_cast<CashPlanDocument*>(Dialog()->AtomObj().get()) : nullptr;
    RequireDoc().ReadHeader(*args.fields);
    RefreshLines();
}

void frmCPAY::mBaseDlg_OnWriteRecord(EventArgs& args)
{
    auto& doc = RequireDoc();
    doc.WriteHeader(*args.fields);
    doc.Save();
}

void frmCPAY::m_SpecList_OnAddFields()
{
    auto& list = Get_SpecList();
    list.DeclareField("PosNumb", "Nr.");
    list.DeclareField("Summa", "Suma", "#,##0.00");
    list.DeclareField("NeedPayDate", "Mokėti iki");
    list.DeclareField("PaymentTypeCode", "Mokėjimo būdas");
    list.DeclareField("Client", "Klientas");
    list.DeclareField("PayDocId", "Mokėjimo dokumentas");
}

void frmCPAY::m_SpecList_OnInsert()
{
    RequireDoc().AddLine();
    RefreshLines();
}

void frmCPAY::SetLineValue(long row, std::string_view column, const Talvex::Value& value)
{
    if (row < 0) throw Talvex::ValueError("frmCPAY: no line is chosen");
    RequireDoc().SetLineValue(static_cast<std::size_t>(row), column, value);
    RefreshLines();
}

void frmCPAY::RemoveLine(long row)
{
    if (row < 0) throw Talvex::ValueError("frmCPAY: no line is chosen");
    RequireDoc().RemoveLine(static_cast<std::size_t>(row));
    RefreshLines();
}

void frmCPAY::RefreshLines()
{
    auto& list = Get_SpecList();
    list.SetRowSource(RequireDoc().LinesSource());
    list.Refresh();
    if (Has("edSum")) Ctl("edSum").SetValue(Talvex::Value(RequireDoc().Summa()));
}

} // namespace Quarn_DuzAde
