#pragma once

#include "host/ui/Form.hpp"
#include "quarn/sales/SalesByMng.hpp"

#include <memory>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
namespace Ui {
class BaseDialog;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The documents behind one line of sales by department and manager, one row per goods row
// with its signed sums; a document or its parent opens in the host's document window.
class SalesByMngDtlDlg : public Talvex::Ui::Form {
public:
    SalesByMngDtlDlg();
    ~SalesByMngDtlDlg() override;

    // The rows to show, before Init.
    void SetDocuments(std::vector<SalesByMngRow> documents) { documents_ = std::move(documents); }
    // param: "Book", "Parent" (the line's text), "DepCode", "PersonCode".
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

private:
    void mBaseDlg_BeforeLoadHandling();
    void mLocalList_OnAddFields();
    void mLocalList_AfterRefresh();
    void OpenDocument(const char* idField);

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::vector<SalesByMngRow> documents_;
};

} // namespace Quarn_DuzAde
