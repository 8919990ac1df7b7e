#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/settlement/SetOffPlan.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Connection;
class Recordset;
} // namespace Data
namespace Erp {
class CPayedDoc;
class THDocumentObject;
class THPartyAttributeObject;
} // namespace Erp
namespace Ui {
class BaseDialog;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

// Sets off the open debt of each client on one side (what clients owe us, or what we owe
// them) with one "SUSM" set-off document per client, linked to the client's open documents;
// lets the user open such a document and delete the unposted ones again.
//
// Each client's document is one unit of work: header, both party rows, the payment links and
// the second save commit together or not at all, so a failure leaves that client as it was
// and the clients before it keep their documents.
class frmSetOffDebt : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    // The list's columns, in the grid's order.
    static constexpr const char* kClient = "Client";
    static constexpr const char* kName = "Name";
    static constexpr const char* kAccNeedPaySum = "AccNeedPaySum";
    static constexpr const char* kPayDoc = "PayDoc";
    static constexpr const char* kPayDocID = "PayDocID";

    frmSetOffDebt();
    ~frmSetOffDebt() override;

    // Keeps the dialog and Param("Book"), prepares the linker, the "SUSM" document object,
    // the party writer, the account currency and the type's display name.
    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param);

    // The list of one side (payables: Direction 1, else 2) as of the Book's today: one row per
    // client whose summed open debt in the account currency does not exceed maxSum. Unread.
    static std::shared_ptr<Talvex::DataList> CreateDebtList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                            Talvex::Currency maxSum);

    // The open terms of one client on a side, as the list reads them but term by term: what a
    // set-off document of the client is planned from. Unread.
    static std::shared_ptr<Talvex::DataList> CreateClientTermsList(std::shared_ptr<Talvex::Book> book, bool payables,
                                                                   const std::string& client);

    // The session's lock on writing set-off documents ("EXEC sp_getapplock"), held until the
    // object goes. Sessions writing at once take turns, one client's unit of work at a time:
    // the second finds a document the first wrote for the same client instead of writing
    // another, and numbers its own after the first one's numbers.
    class WritingLock {
    public:
        explicit WritingLock(Talvex::Data::Connection& db);
        ~WritingLock();
        WritingLock(const WritingLock&) = delete;
        WritingLock& operator=(const WritingLock&) = delete;

    private:
        Talvex::Data::Connection& db_;
    };

    // IProcessObject: the create pass (mode 0) over every row, the delete pass (mode 1) over
    // the selected rows.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

    // The rows as the form holds them (for the grid and for callers that check them).
    const Talvex::Ui::TableRowSource& Rows() const { return *rows_; }

    // btUsePrint closes the form asking the host to print the list: the visible columns of
    // the rows as they stand, documents included.
    bool PrintRequested() const { return printRequested_; }
    std::shared_ptr<Talvex::Data::Recordset> PrintList() const;

private:
    enum class ProcessMode { Create = 0, Delete = 1 };

    void Form_Load();
    void btApplay_Click();
    void btCreateDocList_Click();
    void btEditDoc_Click();
    void btDeleteDoc_Click();
    void btUsePrint_Click();
    void grdList_OnRefresh(Talvex::Ui::EventArgs& args);
    void grdList_OnAddFields();
    void grdList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void grdList_AfterRefresh();
    void grdList_OnRunMDICommand(const std::string& key);

    bool IsPayables() const;
    Talvex::Currency ThresholdSum() const;
    void ReadList();
    // Runs a pass, then shows the rows again with the same client current.
    void RunProcess(ProcessMode mode);
    void ShowRows();

    bool CreateStep(long index);
    bool DeleteStep(long index);
    // Writes the set-off document of a row as one unit of work and puts its Code and IDC into
    // the row; an unposted document of today already there for the client and side is taken
    // instead of writing a second one.
    void WriteDocument(std::size_t row);
    std::size_t RowOfClient(const std::string& client) const;
    std::vector<SetOffTerm> ReadClientTerms(bool payables, const std::string& client) const;
    std::size_t RowOfGridRow(long gridRow) const;
    // The unposted set-off documents of the Book's today on a side, by client (all clients
    // when client is empty).
    std::map<std::string, std::pair<std::int64_t, std::string>> OpenSetOffDocuments(bool payables,
                                                                                    const std::string& client) const;

    Talvex::Ui::BaseDialog* baseDialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::unique_ptr<Talvex::Erp::CPayedDoc> payedDoc_;
    std::unique_ptr<Talvex::Erp::THDocumentObject> document_;
    std::unique_ptr<Talvex::Erp::THPartyAttributeObject> party_;
    std::string accountCurrency_;
    std::string docTypeName_;

    std::shared_ptr<Talvex::Ui::TableRowSource> rows_;
    // The side the rows were read for: documents are written for this side even if the
    // option was switched since without applying.
    bool rowsPayables_ = false;
    ProcessMode mode_ = ProcessMode::Create;
    std::vector<long> selectedGridRows_;
    long documentsWritten_ = 0;
    bool printRequested_ = false;
};

} // namespace Quarn_DuzAde
