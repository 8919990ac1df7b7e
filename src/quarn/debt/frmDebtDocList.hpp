#pragma once

#include "host/ui/Form.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class FieldList;
namespace Data {
class Recordset;
}
namespace Ui {
class BaseDialog;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The documents behind one cell of the client-debt grid: the cell's department, manager,
// client and period read-only above, the documents with their open part below and its
// total in the footer; a document or its parent opens in the host's document window.
class frmDebtDocList : public Talvex::Ui::Form {
public:
    frmDebtDocList();
    ~frmDebtDocList() override;

    // param: "Book", "Department", "Person", "Client", "BegDate", "EndDate" and "DataList"
    // (the documents, a recordset).
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

private:
    void mBaseDlg_BeforeLoadHandling();
    void btInvoice_Click();
    void btBill_Click();
    void mLocalList_OnAddFields();
    void mLocalList_OnRefresh(Talvex::Ui::EventArgs& args);
    void mLocalList_AfterRefresh();
    void OpenDocument(const char* idField);

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::shared_ptr<Talvex::FieldList> param_;
    std::shared_ptr<Talvex::Data::Recordset> documents_;
};

} // namespace Quarn_DuzAde
