#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "quarn/sales/ConsignFigures.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class FieldList;
namespace Data {
class Recordset;
}
namespace Erp {
struct PayableDocument;
class THPaymentDocumentDlg;
} // namespace Erp
namespace Ui {
class BaseDialog;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// A vendor of the working list with the payment made to it from the list.
struct ConsignDlgRow {
    VendorDebt debt;
    std::int64_t payDocId = 0;
    std::string payDocInfo; // "MP #number    sum currency"
    std::string payedDocs;  // the documents the payment pays, with the sums
};

// The buyer's working list of consignment vendors: what each must be paid on the report date,
// and from each row a payment document "MP" made, opened, or deleted again; the list prints
// as "ConsignRep".
class ConsignDlg : public Talvex::Ui::Form {
public:
    static constexpr const char* kList = "SpecGrid";

    ConsignDlg();
    ~ConsignDlg() override;

    // param: "Book"; optionally "RepDate" and "MarketGroup" (a comma list; else the groups
    // last chosen for the consignment reports, else every vendor).
    void Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param);

    const std::vector<ConsignDlgRow>& Rows() const { return rows_; }

    // The vendor's open purchases and returns: what a payment to it may pay.
    static std::vector<Talvex::Erp::PayableDocument> PayedDocList(const std::shared_ptr<Talvex::Book>& book,
                                                                  const std::string& vendCode);

    // Lets a test reach the payment editor before it is shown (to stand a failure in it).
    void SetPaymentEditorHook(std::function<void(Talvex::Erp::THPaymentDocumentDlg&)> hook)
    {
        editorHook_ = std::move(hook);
    }

private:
    void mBaseDlg_BeforeLoadHandling();
    void btRefresh_Click();
    void btUsePrint_Click();
    void RunCommand(const std::string& key);
    void MakePayment(std::size_t row);
    void DeletePayment(std::size_t row);
    void OpenVendor(std::size_t row);
    void ReadPayment(ConsignDlgRow& row) const;
    void BindResult();
    // The refusal naming the control, or empty.
    std::string CheckInput(Talvex::Date& repDate, std::string& fixCats) const;
    long CurrentRow() const;

    Talvex::Ui::BaseDialog* mBaseDlg = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    Talvex::Date repDate_;
    std::string marketGroup_;
    std::string fixCats_;
    std::vector<ConsignDlgRow> rows_;
    // Payments made from this list, by vendor: a refresh keeps them on their rows, so that a
    // second "make a payment" opens the one made instead of making another.
    std::map<std::string, std::int64_t> payments_;
    std::function<void(Talvex::Erp::THPaymentDocumentDlg&)> editorHook_;
};

} // namespace Quarn_DuzAde
