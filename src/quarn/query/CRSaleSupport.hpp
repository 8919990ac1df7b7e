#pragma once

#include "host/types/Date.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The joins sales reports share: posted documents of a type in a period with their goods
// rows, the consignment delivery of an invoice row, the chain from an invoice to its parent
// documents ("Prnt", "PrntAdd", "PPDoc"), and the seller shown for a sale ("Prs").
class CRSaleSupport {
public:
    void Init(std::shared_ptr<Talvex::Book> book);

    // One row per posted document position of the type in the period; the goods row is
    // joined under gSpecAlias and its position is the column "PosNumb".
    std::shared_ptr<Talvex::DataList> CrBaseDocAndSpec(const std::string& docType, Talvex::Date begDate,
                                                       Talvex::Date endDate, const std::string& gSpecAlias = "GSpec");
    // A scalar sub-select giving, for a goods-content row under gcAlias, the delivery
    // document of a consignment sale; empty when consignment ("POSF") is not in use.
    std::string ConsignSel(const std::string& gcAlias);
    // The positions of the type's documents split by the documents their goods come from:
    // each vertical content link of a position, plus the part of the position no link
    // covers. Address the position as oTable (SpecID, PosNumb, AmountAccount, CorDocID,
    // ConsCorDocId) and its goods row as gs.
    std::shared_ptr<Talvex::DataList> CrDocLstByContent(const std::string& docType, Talvex::Date begDate,
                                                        Talvex::Date endDate);
    // The same positions split the same way, read from the kept sales parts (THSalePart)
    // rather than worked out from the goods rows and links: the columns of
    // CrDocLstByContent's oTable, and in place of its goods row "gs" and the type's goods
    // table the line's own columns GoodCode, LineAmountAccount, LineSumma, LineCostSumm,
    // SummVAT and AddDiscountSumm (null when the type's goods table has no row for it), and
    // the part's shares of the line's sum without VAT, PartNet and (with the additional
    // discount) PartNetWithDiscount, and of its cost, PartCost.
    std::shared_ptr<Talvex::DataList> CrSalePartList(const std::string& docType, Talvex::Date begDate,
                                                     Talvex::Date endDate);
    void JoinParentDoc(Talvex::DataList& document, const std::string& docType);
    // The seller: the person who wrote the oldest document of the chain; with fldName a
    // column showing it (a subsidiary client shows itself; the caller joins the client as "Cl").
    void JoinSellerInfo(Talvex::DataList& document, const std::string& fldName, const std::string& docType);
    // The seller's text over the person joined as "Prs", for a list that reads the buyer's
    // subsidiary mark and "code:name" through other expressions than the client "Cl".
    static std::string SellerText(const std::string& isSubsidiary, const std::string& clientText);

    // The posted documents of the type whose date falls in the period, with the document
    // columns every sales list carries (IDC, DocTypeCode, Number, DocumentDate, CurrencyCode,
    // Author, Department, ParentID).
    std::shared_ptr<Talvex::DataList> DocumentList(const std::string& docType, Talvex::Date begDate,
                                                   Talvex::Date endDate);

private:
    Talvex::Book& RequireBook() const;
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
