#pragma once

#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/Form.hpp"
#include "quarn/cube/CubeSrcList.hpp"
#include "quarn/cube/ISrcDocList.hpp"
#include "quarn/sales/CSalesBySupplImpl.hpp"
#include "quarn/settlement/PayTermArrangement.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The payment terms of a supplier's pay-on-sale purchase invoices: each invoice with what
// its goods sold (in all and in the period), what is still owed and its instalments, which
// the user adds, changes and removes; saving writes each invoice's terms as one unit of work.
// It also lists the sales behind an invoice.
class frmArrangementPayTerm : public Talvex::Ui::Form {
public:
    static constexpr const char* kList = "PayTermList";

    frmArrangementPayTerm();

    // Keeps the dialog engine, the Book ("Book") and the fixation categories ("FixCategory").
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

    // The invoices as arranged now.
    const std::vector<ArrangedInvoice>& Invoices() const { return invoices_; }
    // The invoice (and term, -1 for the invoice's own row) a grid row shows.
    struct RowRef {
        std::size_t invoice;
        long term;
    };
    const std::vector<RowRef>& Rows() const { return rowRefs_; }

    // Reads the invoices of the supplier and period into the list (fetch, then compute).
    void Fill(const std::string& client, Talvex::Date begDate, Talvex::Date endDate);
    // Writes every invoice with a changed term, one unit of work each; an invoice that fails
    // (or whose terms another user changed since they were read) is reported and keeps its
    // edits; the others are read again. Returns how many invoices were written.
    int Save();
    // Sets a term's sum from its grid row, as the grid's edit does.
    void EditTermSumma(long row, Talvex::Currency summa);
    // Adds a term to the invoice of a grid row, as the form asks for it.
    bool AddTerm(long row, Talvex::Date date, Talvex::Currency summa);
    // Opens the list of the sales of the goods of the current row's invoice (inside the
    // period when onPeriod).
    void ShowSales(bool onPeriod);
    // The list window of the sales, once opened.
    const CubeSrcList* SalesListForm() const { return salesForm_.get(); }

    // The source of that list: the sales of the invoice chosen last.
    ISrcDocList* SalesSource() const { return salesSource_.get(); }

private:
    void mBaseDlg_BeforeLoadHandling();
    void mLocalList_OnAddFields();
    void mLocalList_OnRunMDICommand(const std::string& key);
    void PayTermList_CellChange(Talvex::Ui::EventArgs& args);
    void btRefresh_Click();
    void btSave_Click();
    void btInfo_Click();
    void AddTermAsked();
    // The refusal naming the control, or empty; on success the period and supplier.
    std::string ReadParams();
    void ShowInvoices(long currentRow = 0);
    std::vector<StoredPayTermRow> FetchInvoices(bool isGroup) const;
    // Adds the stored terms of the invoices to their rows and keeps them as read.
    void FetchStoredTerms(const std::vector<std::int64_t>& ids, std::vector<StoredPayTermRow>& rows);
    std::vector<InvoiceSaleRow> FetchSales(bool isGroup, const std::vector<std::int64_t>& ids) const;
    const RowRef& RefOf(long row) const;
    void SaveInvoice(const ArrangedInvoice& invoice);

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    CSalesBySupplImpl sales_;
    std::string client_;
    std::string fixCategory_; // the fixation categories whose sales count; empty: all
    Talvex::Date begDate_;
    Talvex::Date endDate_;
    std::vector<ArrangedInvoice> invoices_;
    std::vector<RowRef> rowRefs_;
    // The stored terms of each invoice as read: (term id, days, sum), to tell whether another
    // user changed them before a save.
    struct StoredTerm {
        std::int64_t id;
        std::int64_t days;
        Talvex::Currency summa;
        bool operator==(const StoredTerm&) const = default;
    };
    std::map<std::int64_t, std::vector<StoredTerm>> stored_;

    // What the list of sales shows: held apart, as the list's parent object.
    struct SalesOfInvoice : public Talvex::Object, public ISrcDocList {
        std::shared_ptr<Talvex::DataList> SourceList() override { return list; }
        std::shared_ptr<Talvex::Data::Recordset> SourceRst() override { return nullptr; }
        bool ListIsFill() override { return false; }
        Talvex::FieldList& ShowFields() override { return fields; }
        std::string Filter() override { return filter; }
        std::string FltrInfo() override { return info; }
        std::string PeriodFltrInfo() override { return periodInfo; }
        std::string Caption() override { return caption; }
        bool DistinctByIDC() override { return false; }

        std::shared_ptr<Talvex::DataList> list;
        Talvex::FieldList fields;
        std::string filter, info, periodInfo, caption;
    };
    std::shared_ptr<SalesOfInvoice> salesSource_;
    std::shared_ptr<CubeSrcList> salesForm_;
    std::unique_ptr<Talvex::Ui::BaseDialog> salesDialog_;
};

} // namespace Quarn_DuzAde
