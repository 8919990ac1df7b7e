#include "quarn/sales/SalesByMngDtlDlg.hpp"

#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdDocs";
constexpr const char* kMoney = "#,##0.00";

} // namespace

SalesByMngDtlDlg::SalesByMngDtlDlg() : Form("SalesByMngDtlDlg", "Documents")
{
    Add(ControlKind::TextBox, "edParent").SetLocked(true);
    Add(ControlKind::Button, "btInvoice", "Document");
    Add(ControlKind::Button, "btBill", "Parent document");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    auto& list = AddLocalList(kList);
    list.AddMenuItem("InvoiceDlg", "Document");
    list.AddMenuItem("BillDlg", "Parent document");

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btInvoice", "Click", [this](EventArgs&) { OpenDocument("IDC"); });
    On("btBill", "Click", [this](EventArgs&) { OpenDocument("BillIDC"); });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "DblClick", [this](EventArgs&) { OpenDocument("IDC"); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) {
        if (args.key == "InvoiceDlg") OpenDocument("IDC");
        if (args.key == "BillDlg") OpenDocument("BillIDC");
    });
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "AfterRefresh", [this](EventArgs&) { mLocalList_AfterRefresh(); });
}

SalesByMngDtlDlg::~SalesByMngDtlDlg() = default;

void SalesByMngDtlDlg::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = std::dynamic_pointer_cast<Talvex::Book>(param.Item("Book").GetValue().ToObject());
    if (!book_) throw Talvex::ValueError("SalesByMngDtlDlg: the parameter \"Book\" holds no Book");
    Ctl("edParent").SetValue(param.Item("Parent").GetValue());
}

void SalesByMngDtlDlg::mBaseDlg_BeforeLoadHandling()
{
    try {
        auto table = std::make_shared<Talvex::Ui::TableRowSource>(std::vector<std::string>{
            "DocTypeCode", "IDC", "Number", "DocumentDate", "BillIDC", "Code", "Summa", "SummVAT", "TotalSum"});
        for (const auto& row : documents_) {
            table->AddRow({Value(row.docTypeCode), Value(row.idc), Value(row.number), Value(row.documentDate),
                           Value(row.billIdc), Value(row.billCode), Value(row.summa), Value(row.summVat),
                           Value(row.summa + row.summVat)});
        }
        auto& list = ListCtl(kList);
        list.SetRowSource(table);
        list.Refresh();
    } catch (...) {
        ReportError();
    }
}

void SalesByMngDtlDlg::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField("DocTypeCode", "Type");
    list.DeclareField("IDC", "IDC", "", false);
    list.DeclareField("Number", "Number");
    list.DeclareField("DocumentDate", "Date", "yyyy-mm-dd");
    list.DeclareField("BillIDC", "", "", false);
    list.DeclareField("Code", "Parent document");
    list.DeclareField("Summa", "Sum without VAT", kMoney);
    list.DeclareField("SummVAT", "VAT", kMoney);
    list.DeclareField("TotalSum", "Sum with VAT", kMoney);
}

void SalesByMngDtlDlg::mLocalList_AfterRefresh()
{
    try {
        Talvex::Currency summa, vat;
        for (const auto& row : documents_) {
            summa += row.summa;
            vat += row.summVat;
        }
        auto& list = ListCtl(kList);
        list.SetFooter("Summa", Value(summa));
        list.SetFooter("SummVAT", Value(vat));
        list.SetFooter("TotalSum", Value(summa + vat));
    } catch (...) {
        ReportError();
    }
}

// Opens the document whose id stands in the current row's column; nothing when it is empty.
void SalesByMngDtlDlg::OpenDocument(const char* idField)
{
    try {
        auto& list = ListCtl(kList);
        if (list.CurrentRow() < 0) return;
        const Value& id = list.Cell(static_cast<std::size_t>(list.CurrentRow()), idField);
        if (id.IsNull() || id.IsEmpty() || id.ToInteger() == 0) return;
        Talvex::Erp::THDocumentObject document(book_);
        document.Load(id.ToInteger());
        Talvex::Ui::DocumentOpener opener(*GetSession());
        document.OpenInWindow(opener);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
