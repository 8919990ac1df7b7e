#pragma once

#include "host/types/Date.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The lists behind goods bought on pay-on-sale terms: what was sold out of a supplier's
// pay-on-sale purchases (through the stock fixation log, which records the purchase row each
// sold quantity came from), valued at the purchase price, and the payment terms of those
// purchases. Serves the sales-by-supplier report and the payment-term arrangement.
class CSalesBySupplImpl {
public:
    void Init(std::shared_ptr<Talvex::Book> book);

    // One row per fixation of a quantity sold in the period out of a pay-on-sale purchase of
    // the supplier (one code, or every code under a node of the client tree): GoodCode,
    // Name, AmountAccount, Price, Summa, CurrencyCode, PRSFDate, PRSFNumber, PISFDate,
    // PISFNumber, NeedPayDate. The supplier is owed the purchase unit price times the
    // quantity sold, due the supplier's market-group term after the sale. Unread.
    std::shared_ptr<Talvex::DataList> SaleBySupplList(const std::string& supplCode, bool isSupplGroup,
                                                      Talvex::Date begDate, Talvex::Date endDate) const;

    // The same base per purchase invoice, for the invoices given (their IDC): PISFIdc,
    // PRSFIdc, DocTypeCode, PRSFNumber, PRSFDate, AmountAccount, Summa, ClntCode, ClntName,
    // NeedPayDate. Without begDate every sale up to endDate counts; with fixation categories
    // (a comma list) only the quantities fixed under them. Unread.
    std::shared_ptr<Talvex::DataList> SupplOnSale(const std::string& supplCode, bool isSupplGroup,
                                                  std::optional<Talvex::Date> begDate, Talvex::Date endDate,
                                                  const std::vector<long>& invoices,
                                                  const std::string& fixCategories = {}) const;

    // The payment terms of the supplier's posted pay-on-sale purchase invoices dated up to
    // endDate: one row per term (a row without TermId stands for the part of an invoice its
    // stored terms leave out), with
    // PISFIdc, PISFNumber, PISFDate, DocSumma, CurrencyCode, DebtSumma (the term's open part
    // as of today), TermId, TermSumma, PayToDate, PayTerm (the market group's), ClntCode,
    // ClntName; ordered by supplier, invoice date and invoice. Which of them need arranging
    // (open, or sold in a period) is the caller's choice. Unread.
    std::shared_ptr<Talvex::DataList> SupplPayOnSale(const std::string& supplCode, bool isSupplGroup,
                                                     Talvex::Date endDate) const;

private:
    Talvex::Book& BookChecked() const;
    // The fixation base: posted sale invoices of the period, their rows, the fixation log,
    // the purchase rows and invoices (pay-on-sale only), the supplier and its market group.
    std::shared_ptr<Talvex::DataList> FixationBase(const std::string& supplCode, bool isSupplGroup,
                                                   std::optional<Talvex::Date> begDate, Talvex::Date endDate) const;
    void RestrictSupplier(Talvex::DataList& list, const std::string& partyExpr, const std::string& supplCode,
                          bool isSupplGroup) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
