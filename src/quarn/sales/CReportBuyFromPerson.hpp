#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/BuyFromPerson.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Goods bought from private persons in a period, one total per person, as the company
// declares them to the tax authority; the form prints the list and exports it as the XML
// file of the form FR0471 (CRepBuyFromPersonXML).
class CReportBuyFromPerson : public Talvex::Object, public IMainEntry {
public:
    // Opens frmRepBuyFromPerson over the Book of params (or the host context's).
    void Main(Talvex::FieldList& params) override;

    // The list of totals per person (Code, Name, PlantCode, CurrencyCode, Summa,
    // IsIncomeTill), ordered by Code, for the parameters "BegPeriod", "EndPeriod",
    // "ClientGroupCode", "Client", "Category", "MinSum", "IncomeTill" and "AccCurr". The export
    // reads the same list as the print, so the file declares what the print shows.
    static std::shared_ptr<Talvex::DataList> GetList(const std::shared_ptr<Talvex::Book>& book,
                                                     const Talvex::FieldList& params, bool importToXml = false);

    // The parameters of one list, as GetList reads them from its parameter list.
    struct Params {
        Talvex::Date begPeriod;
        Talvex::Date endPeriod;
        std::string clientGroupCode; // a node of the client tree; empty: none
        std::string clients;         // chosen persons, codes separated by commas; empty: all
        std::vector<int> categories; // goods categories; empty: the whole purchase counts
        Talvex::Currency minSum;
        Talvex::Date incomeTill;
        std::string accountCurrency;
    };
    // Throws Talvex::ValueError naming the parameter that is missing or wrong.
    static Params ReadParams(const Talvex::FieldList& params);

    // Fetch: the purchases from persons, each in the accounting currency.
    static std::vector<BuyFromPersonPurchase> FetchPurchases(const std::shared_ptr<Talvex::Book>& book,
                                                             const Params& params);
    // Show: the totals as the list the host prints and the export reads.
    static std::shared_ptr<Talvex::DataList> ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                        const std::vector<BuyFromPersonTotal>& totals);
    // The totals back from such a list (what the export writes).
    static std::vector<BuyFromPersonTotal> TotalsOf(Talvex::DataList& list);
};

} // namespace Quarn_DuzAde
