#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Talvex::Erp {

// The host's client-limit service: the credit limits of clients kept on the ledger indicator
// marked for them (GLContLimitSpec) and on the client card (REFClient.DefaultLimit), and the
// ledger balances they are compared with.
class ClientLimitService {
public:
    void Init(std::shared_ptr<Book> book);

    // Sets the client's credit limit as one unit of work inside the caller's. A client whose
    // limit is set by hand keeps it: nothing is written and false is returned, also when the
    // hand was set after the caller read the client. Writing the same limit again changes
    // nothing. ValueError for an unknown client or a negative limit.
    bool SetLimit(const std::string& clientCode, Currency limit);

    // The company the limits are kept for (the Book's own plant).
    std::string Plant() const;

    // The ledger balances per analytic object (client) and indicator on the day
    // (AnalytObjectCode, IndicatorCode, Summa), unread; the caller joins the limits.
    std::shared_ptr<DataList> BalanceList(Date repDate) const;

private:
    Book& BookChecked() const;
    std::shared_ptr<Book> book_;
};

} // namespace Talvex::Erp
