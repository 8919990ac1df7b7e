#pragma once

#include "host/types/Date.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Lists over ERP documents that several reports share: returns and discounts linked to sale
// rows, the outcome of goods fixation, the documents that still need payment (the base of
// every debt report) and the payments not yet linked to a document.
//
// Every operation hands back a DataList the caller may still extend. Joined helper lists
// bring no columns of their own; a zero date (Date{}) means no bound.
class CSelectByDoc {
public:
    void Init(std::shared_ptr<Talvex::Book> book);

    // Per source goods row of SourceDocType in the period: the returned sum ("Summa",
    // without VAT when asked) and quantity ("Amount") of RetDocType rows linked by LinkCode.
    std::shared_ptr<Talvex::DataList> RetOrderSum(const std::string& sourceDocType, const std::string& retDocType,
                                                  const std::string& linkCode, Talvex::Date begDate = {},
                                                  Talvex::Date endDate = {}, bool isWithOutVAT = false);
    // The same for discount documents: a discount not by amount, or with a positive amount,
    // brings no quantity.
    std::shared_ptr<Talvex::DataList> DiscountSum(const std::string& sourceDocType, const std::string& retDocType,
                                                  const std::string& linkCode, Talvex::Date begDate = {},
                                                  Talvex::Date endDate = {}, bool isWithOutVAT = false);
    // Per incoming goods row: the fixed-out quantity, optionally only towards documents
    // other than RetDocType and only of the fix categories sFixCat.
    std::shared_ptr<Talvex::DataList> InGoodFixRezult(const std::string& sourceDocType,
                                                      const std::string& retDocType = {}, Talvex::Date begDate = {},
                                                      Talvex::Date endDate = {}, const std::string& sFixCat = {});

    // NeedPayedDocList without cash plans or contract type, read at once.
    std::shared_ptr<Talvex::DataList> NeedPayedDocs(const std::vector<std::string>& docTypes, Talvex::Date dateBeg = {},
                                                    Talvex::Date dateEnd = {}, Talvex::Date datePayEnd = {},
                                                    const std::string& clientCode = {},
                                                    const std::string& currencyCode = {}, bool isPosted = false,
                                                    bool isByDatePay = false);
    // One row per document and payment term of the given types, with its open part
    // ("RestPaySum") and its client; unread. With a pay-end date the terms stand as on that
    // date and only terms with open debt remain.
    std::shared_ptr<Talvex::DataList> NeedPayedDocList(const std::vector<std::string>& docTypes,
                                                       Talvex::Date dateBeg = {}, Talvex::Date dateEnd = {},
                                                       Talvex::Date datePayEnd = {}, const std::string& clientCode = {},
                                                       const std::string& currencyCode = {}, bool isPosted = false,
                                                       bool isByDatePay = false, bool includeCPAY = false,
                                                       const std::string& contractType = {}, bool joinParty = true,
                                                       bool usePayTermDebt = false);
    // Posted payments of a direction (1 paid out, else received) with the part of their
    // amount not yet linked to any document ("NotLinkPaySum").
    std::shared_ptr<Talvex::DataList> NotLinkPaySum(long direction, const std::string& client = {},
                                                    bool isMngBKeep = false, Talvex::Date endDate = {});

    // The party role through which a document type names its client; empty for none.
    static std::string PartyRole(const std::string& docTypeCode);

private:
    static void JoinParty(Talvex::Book& book, Talvex::DataList& list, const std::vector<std::string>& docTypes,
                          const std::string& clientCode, bool includeCPAY);
    static void JoinCashPlanLines(Talvex::Book& book, Talvex::DataList& list, const std::string& clientCode,
                                  bool joinParty);
    Talvex::Book& BookChecked() const;
    std::shared_ptr<Talvex::DataList> DocumentList(const std::string& docType, Talvex::Date begDate,
                                                   Talvex::Date endDate);
    std::shared_ptr<Talvex::DataList> SpecList(const std::string& docType, Talvex::Date begDate, Talvex::Date endDate);
    std::shared_ptr<Talvex::DataList> ReturnLink(const std::string& sourceDocType, const std::string& retDocType,
                                                 const std::string& linkCode, Talvex::Date begDate,
                                                 Talvex::Date endDate, bool isWithOutVAT);

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
