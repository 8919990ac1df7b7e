#pragma once

#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"

#include <functional>
#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
namespace Ui {
class BaseDialog;
class DocumentOpener;
class LocalList;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

class ISrcDocList;

// The list of source documents behind a cube cell: the documents whose rows make up the
// cell, with the selection described over the list, opened by a double-click or the
// invoice button. It reads everything from its provider ("Parent" of the dialog's
// parameters): in SQL mode it queries the provider's list under the alias "oTable" with the
// provider's filter; in recordset mode it narrows the provider's recordset in memory.
//
// Controls: SpecGrid (the list), lbFltrInfo (the selection), btOk, btUsePrint, btInvoice.
class CubeSrcList : public Talvex::Ui::Form {
public:
    static constexpr const char* kFormName = "CubeSrcList";
    CubeSrcList();
    ~CubeSrcList() override;

    // Reads the dialog's parameters ("Parent", "FieldNameDocID", "FieldNameDocTypeCode");
    // false when the parameters hold no provider.
    bool Init(Talvex::Ui::BaseDialog& dialog, const Talvex::Value& param);
    Talvex::Ui::BaseDialog* BaseDialog() const { return dialog_; }

    // Raised in recordset mode once the provider's recordset is filtered to the cell.
    std::function<void(Talvex::Data::Recordset&)> AfterSetListFilter;

    // The printed list of the last print command (btUsePrint), as the host's print service
    // received it: one line per row, columns separated by tabs.
    const std::string& LastPrint() const { return lastPrint_; }

private:
    void mBaseDlg_BeforeLoadHandling();
    void mLocalList_OnAddFields();
    void mLocalList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void mLocalList_OnRefresh(Talvex::Ui::EventArgs& args);
    void mLocalList_AfterRefresh();
    void mLocalList_OnRunMDICommand(Talvex::Ui::EventArgs& args);
    void btUsePrint_Click();
    void OpenCurrentDocument();
    void Form_Unload();
    void LoadRows();

    Talvex::Ui::BaseDialog* dialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::shared_ptr<Talvex::Object> parentHolder_;
    ISrcDocList* provider_ = nullptr;
    std::string docIdField_ = "IDC";
    std::string docTypeField_ = "DocTypeCode";
    bool listIsFill_ = false;
    bool sqlInitialised_ = false;
    std::shared_ptr<Talvex::DataList> list_;
    std::unique_ptr<Talvex::Ui::DocumentOpener> opener_;
    std::string lastPrint_;
};

} // namespace Quarn_DuzAde
