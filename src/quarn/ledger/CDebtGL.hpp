#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/ledger/DebtGLFill.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// Reconciles a ledger account with the document debt of each client on a report date: the
// client's closing balance on the account beside what its documents still owe, the
// difference in parentheses after the client's name. Receivables are aged in buckets;
// payables (run through CCredGL) go by document month. Any row opens the documents and the
// postings behind it.
class CDebtGL : public Talvex::Object, public ReportExecBase {
public:
    struct Parameters {
        Talvex::Date endDate;
        std::string accSet;
        std::string account;
        GLDebtMode mode = GLDebtMode::Debt;
    };

    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Fetch and compute without a form: reads the clients, the ledger balances and the open
    // documents, and keeps the reconciliation for the result and the drill-down.
    void Fill(std::shared_ptr<Talvex::Book> book, const Parameters& parameters);
    const DebtGLFill& Result() const;
    // The result list of the mode: one row per client (receivables) or per client and month
    // (payables), in the report's columns.
    std::shared_ptr<Talvex::Data::Recordset> ResultList() const;

    // Drill-down from a result row: the open documents behind a column of a client (an ageing
    // column: those of its bucket; any other: all of the client's, or of docMonth when given),
    // and the client's postings on the account (and the accounts under it) up to the report
    // date, each with its signed effect on the balance ("Saldo").
    std::shared_ptr<Talvex::Data::Recordset> ClientDocuments(const std::string& client, const std::string& column,
                                                             const std::string& docMonth = {}) const;
    std::shared_ptr<Talvex::DataList> ClientPostings(const std::string& client) const;

    // The unread lists of the fetch, for the fetch itself and its benchmark.
    static std::shared_ptr<Talvex::DataList> ClientList(Talvex::Book& book);
    static std::shared_ptr<Talvex::DataList> LedgerList(Talvex::Book& book, const Parameters& parameters);
    static std::shared_ptr<Talvex::DataList> DocumentList(const std::shared_ptr<Talvex::Book>& book,
                                                          const Parameters& parameters);

private:
    bool ReadParameters(Talvex::FieldList& inParams, Talvex::FieldList& outParams);

    std::shared_ptr<Talvex::Book> book_;
    Parameters parameters_;
    std::unique_ptr<DebtGLFill> fill_;
};

} // namespace Quarn_DuzAde
