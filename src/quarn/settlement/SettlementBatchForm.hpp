#pragma once

#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
namespace Data {
class Recordset;
}
namespace Ui {
class BaseDialog;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

// A settlement list whose rows each get one document of a type, one client a row: the list is
// read when the user applies the form's choices ("btApplay"); "btCreateDocList" writes the
// missing document of every row, "btDeleteDoc" deletes the selected rows' unposted documents
// (each pass a progress run, one unit of work a row, a failed row reported and the run going
// on), "btEditDoc" writes the current row's document when it has none and opens it,
// "btUsePrint" closes the form asking the host to print the list. The grid's menu offers the
// same commands. A form built on it declares its own choices, reads its list and knows how
// its documents are written, opened and deleted.
class SettlementBatchForm : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    enum class ColumnKind {
        Text,  // printed as text of the width
        Money, // "#,##0.00", read from the right, printed as money
        Id,    // hidden and not printed
    };
    struct Column {
        const char* name;
        long caption; // a numbered text of the module
        ColumnKind kind = ColumnKind::Text;
        int width = 0; // of a text column in the print
    };
    // The list's columns in the grid's order; which of them names the row's client, holds the
    // document's number and its IDC.
    struct Layout {
        std::vector<Column> columns;
        const char* client;
        const char* document;
        const char* documentId;
    };

    ~SettlementBatchForm() override;

    // IProcessObject: the create pass over every row, the delete pass over the selected rows.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

    // The rows as the form holds them (for the grid and for callers that check them).
    const Talvex::Ui::TableRowSource& Rows() const { return *rows_; }

    // btUsePrint closes the form asking the host to print the list: the visible columns of
    // the rows as they stand, documents included.
    bool PrintRequested() const { return printRequested_; }
    std::shared_ptr<Talvex::Data::Recordset> PrintList() const;

    // Runs the form in the host's dialog engine for a class's Run: Init with inParams, then
    // shown modally; closed for printing, the list goes to outParams as "DataList" (true).
    static bool RunInDialog(SettlementBatchForm& form, Talvex::FieldList& inParams, Talvex::FieldList& outParams);

    // Keeps the dialog and Param("Book") and prepares what the form writes with. False when
    // that failed (reported).
    virtual bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param) = 0;

protected:
    SettlementBatchForm(std::string name, std::string caption, Layout layout);

    // Declares the apply button, the command buttons and the list with its menu, and wires
    // their events; called by the form's constructor after its own choices.
    void AddListControls();
    // Keeps the dialog and the Book of Param, the account currency and the document type's
    // name as the messages show it.
    void InitBase(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param, const char* docType);

    // Reads the list for the choices on the form (btApplay); shows it with NewRows/ShowNew.
    virtual void ReadList() = 0;
    // Writes the row's document as one unit of work and puts its number and IDC into the row
    // (SetDocument); true when one was written, false when an existing one was taken.
    virtual bool WriteDocument(std::size_t row) = 0;
    // Deletes an unposted document; false when it stays (posted, or gone already).
    virtual bool DeleteDocument(std::int64_t idc) = 0;
    // Opens the document in its window; after it, the document's IDC and number, or none when
    // the window deleted it.
    virtual std::optional<std::pair<std::int64_t, std::string>> OpenDocument(std::int64_t idc) = 0;

    // An empty row source of the layout's columns.
    std::shared_ptr<Talvex::Ui::TableRowSource> NewRows() const;
    // Shows rows just read in place of the old ones.
    void ShowNew(std::shared_ptr<Talvex::Ui::TableRowSource> rows);
    void SetDocument(std::size_t row, std::int64_t idc, const std::string& code);
    Talvex::Ui::TableRowSource& MutableRows() { return *rows_; }
    // The row of the list's client.
    std::size_t RowOfClient(const std::string& client) const;

    Talvex::Ui::BaseDialog* baseDialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::string accountCurrency_;
    std::string docTypeName_;

private:
    enum class ProcessMode { Create = 0, Delete = 1 };

    void Form_Load();
    void btApplay_Click();
    void btCreateDocList_Click();
    void btEditDoc_Click();
    void btDeleteDoc_Click();
    void btUsePrint_Click();
    void grdList_OnAddFields();
    void grdList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void grdList_AfterRefresh();
    void grdList_OnRunMDICommand(const std::string& key);

    // Refreshes the grid and makes the client's row current again (none: as it is).
    void ShowRows(const std::string& currentClient);
    std::string CurrentClient() const;
    // Runs a pass, then shows the rows again with the same client current.
    void RunProcess(ProcessMode mode);
    bool CreateStep(long index);
    bool DeleteStep(long index);
    std::size_t RowOfGridRow(long gridRow) const;

    Layout layout_;
    std::shared_ptr<Talvex::Ui::TableRowSource> rows_;
    ProcessMode mode_ = ProcessMode::Create;
    std::vector<long> selectedGridRows_;
    long documentsWritten_ = 0;
    bool printRequested_ = false;
};

} // namespace Quarn_DuzAde
