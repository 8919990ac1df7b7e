#pragma once

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "support/ScriptedUser.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

// What the ledger reports' tests share: each posting account's turnover straight from the
// postings, and a report run in the user's session as the client runs it.
namespace LedgerRunChecks {

struct AccountTurnover {
    Talvex::Currency opening, debit, credit, closing;
};

// The turnover columns of the signed sides of postings: with the postings as `p` and their
// sides as `s` (Sign 1 for a debit, -1 for a credit), the balance before `first`, the debits
// and the credits from it on, and the balance at the end.
inline std::string TurnoverColumns(const std::string& first)
{
    return "COALESCE(sum(CASE WHEN p.DatePost < " + first + " THEN s.Sign * p.SumAcc END), 0), " +
           "COALESCE(sum(CASE WHEN p.DatePost >= " + first + " AND s.Sign = 1 THEN p.SumAcc END), 0), " +
           "COALESCE(sum(CASE WHEN p.DatePost >= " + first + " AND s.Sign = -1 THEN p.SumAcc END), 0), " +
           "sum(s.Sign * p.SumAcc)";
}

// A PostgreSQL statement's rows, a key then the turnover columns, by key.
inline std::map<std::string, AccountTurnover> TurnoverByKey(Talvex::Book& book, const std::string& sql,
                                                            const std::vector<Talvex::Value>& params)
{
    std::map<std::string, AccountTurnover> out;
    for (const auto& row : book.Db().QueryPostgres(sql, params).rows)
        out[row[0].ToText()] = {row[1].ToCurrency(), row[2].ToCurrency(), row[3].ToCurrency(), row[4].ToCurrency()};
    return out;
}

// Per posting account of the chart "1": the balance before the period, the period's debits
// and credits, and the balance at its end, summed straight from the postings.
inline std::map<std::string, AccountTurnover> TurnoverByAccount(Talvex::Book& book, const Talvex::Date& beg,
                                                                const Talvex::Date& end)
{
    return TurnoverByKey(book,
                         "SELECT s.AccCode, " + TurnoverColumns("$1") +
                             " FROM GLAccountPost p"
                             " CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1), (p.CreditAccCode, -1)) s (AccCode, Sign)"
                             " WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $2 GROUP BY s.AccCode",
                         {Talvex::Value(beg), Talvex::Value(end)});
}

// A report run in the user's session as the client runs it: `in` holds the Book, `out` what
// the caller chose before the run (a report without its form reads them there) and what the
// report handed back after it.
struct ClientRun {
    ClientRun(Talvex::Testing::ScriptedUser& user, const std::shared_ptr<Talvex::Book>& book)
        : app(user.Session()), scope(app)
    {
        in.Add("Book", Talvex::FieldType::kObject, Talvex::Value(std::shared_ptr<Talvex::Object>(book)));
    }

    // The list the report handed back ("DataList"); null when it handed back none.
    std::shared_ptr<Talvex::Data::Recordset> DataList() const
    {
        return std::dynamic_pointer_cast<Talvex::Data::Recordset>(out.Item("DataList").GetValue().ToObject());
    }

    Talvex::ClientApp app;
    Talvex::ClientApp::Scope scope;
    Talvex::FieldList in, out;
};

} // namespace LedgerRunChecks
