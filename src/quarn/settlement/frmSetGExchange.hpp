#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/settlement/ExchangeClients.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
namespace Data {
class Recordset;
}
namespace Erp {
class CExchangeDoc;
}
namespace Ui {
class BaseDialog;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

// The exchange-difference settlement: the clients with open foreign-currency debts on both
// sides in a period, valued in the account currency at the rates of their documents' dates;
// for each, one "BUSM" document booking the realised exchange differences of the client's
// foreign-currency documents settled in the period (the exchange-document component of the
// payable-document library writes it, one unit of work per client); the user opens such a
// document and deletes the unposted ones again.
class frmSetGExchange : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    static constexpr const char* kCode = "Code";
    static constexpr const char* kName = "Name";
    static constexpr const char* kDebtIncom = "DebtIncom";
    static constexpr const char* kDebtOutcome = "DebtOutcome";
    static constexpr const char* kCurrencyCode = "CurrencyCode";
    static constexpr const char* kDoc = "Doc";
    static constexpr const char* kDocID = "DocID";

    frmSetGExchange();
    ~frmSetGExchange() override;

    // Keeps the dialog and Param("Book"), creates the exchange-document component.
    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param);

    // The open terms of posted foreign-currency debt documents dated in the period, with
    // Client, Name, DocTypeCode, IsIncome and AccDebt (the open debt in the account currency
    // at the rate of the document's date). Unread.
    static std::shared_ptr<Talvex::DataList> CreateDebtList(std::shared_ptr<Talvex::Book> book, Talvex::Date dateBeg,
                                                            Talvex::Date dateEnd);
    // The list read into terms.
    static std::vector<ExchangeDebtTerm> ReadDebtTerms(Talvex::DataList& list);

    // IProcessObject: the create pass (mode 0) over every row, the delete pass (mode 1) over
    // the selected rows.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

    const Talvex::Ui::TableRowSource& Rows() const { return *rows_; }
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
    void grdList_OnAddFields();
    void grdList_OnAddColumn(Talvex::Ui::EventArgs& args);
    void grdList_AfterRefresh();
    void grdList_OnRunMDICommand(const std::string& key);

    void ReadList();
    void ShowRows(const std::string& currentCode);
    void RunProcess(ProcessMode mode);
    bool CreateStep(long index);
    bool DeleteStep(long index);
    // Books the row's document; true when one was written.
    bool WriteDocument(std::size_t row);
    std::size_t RowOfCode(const std::string& code) const;
    std::size_t RowOfGridRow(long gridRow) const;
    std::string CurrentCode() const;

    Talvex::Ui::BaseDialog* baseDialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::unique_ptr<Talvex::Erp::CExchangeDoc> exchange_;
    std::string accountCurrency_;
    std::string docTypeName_;

    std::shared_ptr<Talvex::Ui::TableRowSource> rows_;
    // The period the rows were read for: documents are booked for it even if the boxes were
    // changed since without applying.
    Talvex::Date rowsBeg_;
    Talvex::Date rowsEnd_;
    ProcessMode mode_ = ProcessMode::Create;
    std::vector<long> selectedGridRows_;
    long documentsWritten_ = 0;
    bool printRequested_ = false;
};

} // namespace Quarn_DuzAde
