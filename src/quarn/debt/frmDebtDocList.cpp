#include "quarn/debt/frmDebtDocList.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/frame/ReportError.hpp"

#include <iterator>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdDocs";
constexpr const char* kMoney = "#,##0.00";
constexpr const char* kColumns[] = {"IDC",          "DocTypeCode", "DocumentDate", "Number",
                                    "CurrencyCode", "Summa",       "ParentID",     "AccNeedPaySum"};

} // namespace

frmDebtDocList::frmDebtDocList() : Form("frmDebtDocList", "Documents")
{
    for (const char* box : {"edDepartment", "edPerson", "edClient"})
        Add(ControlKind::TextBox, box).SetLocked(true);
    for (const char* box : {"edDateBeg", "edDateEnd"})
        Add(ControlKind::DateBox, box).SetLocked(true);
    Add(ControlKind::Button, "btInvoice", "Document");
    Add(ControlKind::Button, "btBill", "Parent document");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    AddLocalList(kList);

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btInvoice", "Click", [this](EventArgs&) { btInvoice_Click(); });
    On("btBill", "Click", [this](EventArgs&) { btBill_Click(); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "DblClick", [this](EventArgs&) { btInvoice_Click(); });
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "OnRefresh", [this](EventArgs& args) { mLocalList_OnRefresh(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { mLocalList_AfterRefresh(); });
}

frmDebtDocList::~frmDebtDocList() = default;

void frmDebtDocList::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = std::dynamic_pointer_cast<Talvex::Book>(param.Item("Book").GetValue().ToObject());
    documents_ = std::dynamic_pointer_cast<Talvex::Data::Recordset>(param.Item("DataList").GetValue().ToObject());
    if (!documents_) throw Talvex::ValueError("frmDebtDocList: the parameter \"DataList\" holds no recordset");
    Ctl("edDepartment").SetValue(param.Item("Department").GetValue());
    Ctl("edPerson").SetValue(param.Item("Person").GetValue());
    Ctl("edClient").SetValue(param.Item("Client").GetValue());
    Ctl("edDateBeg").SetValue(param.Item("BegDate").GetValue());
    Ctl("edDateEnd").SetValue(param.Item("EndDate").GetValue());
}

void frmDebtDocList::mBaseDlg_BeforeLoadHandling()
{
    try {
        auto& list = ListCtl(kList);
        list.SetRowSource(Talvex::Ui::RecordsetRowSource(
            *documents_, std::vector<std::string>(std::begin(kColumns), std::end(kColumns))));
        list.Refresh();
    } catch (...) {
        ReportError();
    }
}

void frmDebtDocList::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField("IDC", "IDC", "", false);
    list.DeclareField("DocTypeCode", "Type");
    list.DeclareField("DocumentDate", "Date", "yyyy-mm-dd");
    list.DeclareField("Number", "Number");
    list.DeclareField("CurrencyCode", "Currency");
    list.DeclareField("Summa", "Sum", kMoney);
    list.DeclareField("ParentID", "Parent", "", false);
    list.DeclareField("AccNeedPaySum", "To pay", kMoney);
}

void frmDebtDocList::mLocalList_OnRefresh(EventArgs& args)
{
    args.filter = "oTable.IDC = 0";
}

void frmDebtDocList::mLocalList_AfterRefresh()
{
    try {
        auto& list = ListCtl(kList);
        Currency total;
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            const Value& v = list.Cell(row, "AccNeedPaySum");
            if (!v.IsNull() && !v.IsEmpty()) total += v.ToCurrency();
        }
        list.SetFooter("AccNeedPaySum", Value(total));
    } catch (...) {
        ReportError();
    }
}

void frmDebtDocList::btInvoice_Click()
{
    try {
        OpenDocument("IDC");
    } catch (...) {
        ReportError();
    }
}

void frmDebtDocList::btBill_Click()
{
    try {
        OpenDocument("ParentID");
    } catch (...) {
        ReportError();
    }
}

// Opens the document whose id stands in the current row's column; nothing when it is empty.
void frmDebtDocList::OpenDocument(const char* idField)
{
    auto& list = ListCtl(kList);
    if (list.CurrentRow() < 0) return;
    const Value& id = list.Cell(static_cast<std::size_t>(list.CurrentRow()), idField);
    if (id.IsNull() || id.IsEmpty() || id.ToInteger() == 0) return;
    Talvex::Erp::THDocumentObject document(book_);
    document.Load(id.ToInteger());
    Talvex::Ui::DocumentOpener opener(*GetSession());
    document.OpenInWindow(opener);
}

} // namespace Quarn_DuzAde
