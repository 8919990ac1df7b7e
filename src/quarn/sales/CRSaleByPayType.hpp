#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/SaleByPayTypeSplit.hpp"

#include "host/types/Decimal.hpp"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class CCube;
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// An invoice's members: the texts its goods rows are shown under.
struct PayTypeInvoiceMembers {
    std::string number;
    Talvex::Date documentDate;
    std::string department, person, client;
};

// A good's members: its own text and its group's.
struct PayTypeGoodMembers {
    std::string good, parent;
};

// A goods row of the cube: its invoice and good (indexes into the report's invoices and
// goods, whose texts it is shown under) and its quantity.
struct PayTypeCubeRow {
    std::int64_t idc = 0;
    std::size_t invoice = 0;
    std::size_t good = 0;
    Talvex::Currency amount; // in the accounting unit
};

// A payment document line of an invoice, for the drill-down.
struct PayTypePaymentLine {
    std::int64_t invoiceIdc = 0;
    std::int64_t payDocId = 0;
    std::string docTypeCode;
    Talvex::Date payDocDate;
    std::string number;
    Talvex::Currency summa;
};

// Sales by payment type: the goods rows of the posted sale invoices of a period split by how
// each invoice was paid (cash, card, commission, barter, not paid), in the host cube, with
// the invoice rows and the payment documents behind any cell.
class CRSaleByPayType : public Talvex::Object,
                        public ReportExecBase,
                        public Talvex::ICubeForm2,
                        public Talvex::Ui::IProcessObject,
                        public std::enable_shared_from_this<CRSaleByPayType> {
public:
    CRSaleByPayType();
    ~CRSaleByPayType() override;

    // Opens the cube window, which carries the report from then on; no result list.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnOpenCube(Talvex::CCube& cube) override;
    void OnUserMenu(int index) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // The split pass: one step per invoice.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

    // Fetch without a window: keeps the parameters and reads the rows, the invoices and their
    // payments of the period (the rows left not paid until the pass runs).
    void Prepare(Talvex::FieldList& params);
    // The cube's source after the pass: one record per goods row with its members and facts.
    std::shared_ptr<Talvex::Data::Recordset> SourceRecordset() const;
    const std::vector<PayTypeRow>& SplitRows() const { return split_; }
    const std::vector<PayTypeInvoice>& Invoices() const { return invoices_; }
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }
    // Dimensions and facts on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);

private:
    Talvex::Date DateParam(const char* name) const;
    std::string Department() const;
    std::string InvoiceFilter(const std::string& alias) const;
    std::vector<PayTypePayment> FetchPayments();
    void FetchInvoices(const std::vector<PayTypePayment>& paid);
    void FetchGoods();
    void FetchRows();
    // The cell double-clicked, or the focused one.
    void ShowInvoiceRows(const Talvex::Cube::GridCell* cell = nullptr);
    void ShowPaymentDocuments();

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    std::vector<PayTypeCubeRow> rows_;
    std::vector<PayTypeRow> split_;
    std::vector<PayTypeInvoice> invoices_;
    std::vector<PayTypeInvoiceMembers> members_; // beside invoices_
    // What converts an invoice's rows into the accounting currency: nothing in it, else the
    // day's rate (none when the currency has no rate: the rows count nothing).
    struct InvoiceRate {
        bool inAccountCurrency = true;
        std::optional<Talvex::Decimal> rate;
    };
    std::vector<InvoiceRate> rates_;  // beside invoices_
    std::vector<bool> hasBuyer_;      // beside invoices_: rows of an invoice without a buyer are not shown
    std::vector<PayTypeGoodMembers> goods_;
    std::unordered_map<std::string, std::size_t> goodIndex_; // by folded code
    std::vector<std::pair<std::size_t, std::size_t>> rowsOfInvoice_; // [first, end) in rows_
    std::vector<PayTypePaymentLine> payments_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
    std::shared_ptr<Talvex::Data::Recordset> paymentRst_;
    bool showingPayments_ = false;
};

} // namespace Quarn_DuzAde
