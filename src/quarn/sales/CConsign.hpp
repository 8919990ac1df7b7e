#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/ConsignFigures.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// Which consignment rows a report takes: the incoming types (a comma list), the report date,
// the vendors (by market groups, a client-tree node, or one vendor or group), the goods (one
// good or a goods group) and the fixation categories. Empty texts restrict nothing.
struct ConsignScope {
    std::string docTypes = "PISF";
    Talvex::Date repDate;
    std::string marketGroup;
    std::string clientGr;
    std::string client;
    bool clientIsGr = false;
    std::string good;
    bool goodIsGr = false;
    std::string fixCatList;
    bool withPurchaseCode = false; // read the purchase's "TYPE:yyyy.mm.dd:Number" too
};

// Goods taken from vendors on consignment: what of each purchase row is still in stock, what
// is due for payment and what was sold, per vendor and good; what each vendor must be paid.
class CConsign : public Talvex::Object, public ReportExecBase {
public:
    // The host's print code of the vendor list.
    static constexpr const char* kReportCode = "ConsignRep";
    // The ledger indicator of what the company owes its vendors (account 450 by client).
    static constexpr const char* kVendorDebtIndicator = "CRED";
    // The payables account whose debit postings pay the vendors.
    static constexpr const char* kVendorAccount = "450";

    void Init(std::shared_ptr<Talvex::Book> book);

    // Opens the working list of vendors (ConsignDlg) on "Book"; nothing is returned.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The rows of a scope, read through the database command service's read-only cursor.
    std::vector<ConsignSourceRow> ReadScope(const ConsignScope& scope) const;

    // One row per vendor with consignment rows: VendCode, VendName, DebtSum, Rest, RestForPay,
    // Sale, SaleForPay, Payed, OverPayed, NeedPay. Without bFillList the list has its columns
    // and no rows.
    std::shared_ptr<Talvex::Data::Recordset> DebtByVendor(Talvex::Date repDate, const std::string& marketGroup,
                                                          const std::string& clientGr = {}, bool bFillList = true,
                                                          const std::string& sFixCatList = {}) const;
    // The fetch and compute of DebtByVendor, without the list.
    std::vector<VendorDebt> DebtByVendorRows(Talvex::Date repDate, const std::string& marketGroup,
                                             const std::string& clientGr, const std::string& sFixCatList) const;
    // The vendors' ledger balances on the report date (negative: the company owes).
    std::map<std::string, Talvex::Currency> VendorCredit(Talvex::Date repDate) const;
    // What was paid to each vendor up to the report date, by the ledger.
    std::map<std::string, Talvex::Currency> VendorPayments(Talvex::Date repDate) const;

    // As RestByVendor over purchases, consignment receipts and sales returns, for one good or
    // goods group and one vendor or vendor group; with bDetail one row per purchase row, with
    // DocID, PosNumb and IncDocCode.
    std::shared_ptr<Talvex::Data::Recordset> RestByVendorExt(Talvex::Date repDate, const std::string& sGood,
                                                             bool bGoodIsGr, const std::string& sClient,
                                                             bool bClientIsGr, const std::string& sFixCatList,
                                                             bool bDetail) const;

    // Prints a vendor list (as DebtByVendor gives it) under the report code "ConsignRep".
    void PrintDebtByVendor(const Talvex::Data::Recordset& DS, Talvex::Date repDate) const;
    static void RegisterLayout();

    // The consignment rows: each goods row of the posted incoming documents of the types (a
    // comma list) dated up to the report date, of the vendors of the market groups (a comma
    // list; empty: all) under the client-tree node (empty: anywhere), with the fixation
    // categories (a comma list; empty: all). Net sums are in the accounting currency.
    std::vector<ConsignSourceRow> ReadRows(const std::string& docTypes, Talvex::Date repDate,
                                           const std::string& marketGroup, const std::string& clientGr,
                                           const std::string& sFixCatList) const;

    // One row per vendor and good with a rest: Code, Name (the vendor), GoodCode, GoodName,
    // UnitCode, Rest, RestAmount, RestForPayAmount; ordered by vendor, then good.
    std::shared_ptr<Talvex::Data::Recordset> RestByVendor(Talvex::Date repDate, const std::string& marketGroup,
                                                          const std::string& clientGr = {},
                                                          const std::string& sFixCatList = {}) const;

private:
    Talvex::Book& BookChecked() const;
    std::shared_ptr<Talvex::DataList> RowSource(const ConsignScope& scope) const;
    // The returns, discounts, fixed-as-sold quantities and payment terms of each row.
    void JoinAdjustments(Talvex::DataList& list, const ConsignScope& scope) const;
    // The rows of the scope: types, date, vendors, goods and fixation categories.
    void Restrict(Talvex::DataList& list, const ConsignScope& scope) const;
    std::shared_ptr<Talvex::Data::Recordset> RestList(const std::vector<VendorGoodRest>& rest, bool detail) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
