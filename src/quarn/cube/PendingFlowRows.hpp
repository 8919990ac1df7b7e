#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Quarn_DuzAde {

// One open payment term as read: the document behind it, the day it falls due, what is
// still open of it in the document's currency and in the accounting currency (both as
// positive amounts of the debt, whichever side owes), and the client it is owed by or to.
struct PendingTerm {
    std::int64_t idc = 0;
    std::string docTypeCode;
    std::string number;
    std::string currencyCode;
    Talvex::Date dueDate;
    Talvex::Currency rest;    // open, in the document's currency
    Talvex::Currency accRest; // open, in the accounting currency
    std::string person;       // the client's responsible person
    std::string clientGroup;  // the client's parent in the clients' tree, empty when none
    std::string client;       // "code:name", empty for a plan line without a client
};

// The texts the cube shows for the two directions and for missing groups and clients.
struct PendingFlowTexts {
    std::string moneyIn = "in";
    std::string moneyOut = "out";
    std::string noGroup = "-";
    std::string noClient = "-";
};

// The expected cash flow: every open term on its due day as money coming in (what clients
// owe us: sales-side documents) or going out (what we owe: purchases, cash payment plans),
// the money going out negative, so that a day's, a client's or a period's total is the net
// flow expected. A term with nothing open is left out.
class PendingFlowRows {
public:
    PendingFlowRows(std::vector<PendingTerm> terms, PendingFlowTexts texts);

    // True for the types whose open terms are money coming in.
    static bool IsIncoming(const std::string& docTypeCode);

    struct Row {
        std::size_t term = 0; // index into Terms()
        bool incoming = false;
        Talvex::Currency accNeedPaySum; // signed, accounting currency
        Talvex::Currency restPaySum;    // signed, document currency
    };
    const std::vector<Row>& Rows() const { return rows_; }
    const std::vector<PendingTerm>& Terms() const { return terms_; }
    bool Empty() const { return rows_.empty(); }

    struct Totals {
        Talvex::Currency in;  // money in, accounting currency
        Talvex::Currency out; // money out, negative
        Talvex::Currency Net() const { return in + out; }
    };
    Totals GrandTotals() const { return totals_; }
    // The net flow by the first day of each due month.
    std::map<Talvex::Date, Talvex::Currency> NetByMonth() const;

    // The cube's source and the drill-down's list at once: "Direction", "ResponsPerson",
    // "ClientGroup", "Client", "DocumentDate" (the due day), "AccNeedPaySum", "RestPaySum",
    // and the document: "IDC", "DocTypeCode", "Number", "CurrencyCode".
    std::shared_ptr<Talvex::Data::Recordset> ToRecordset() const;

private:
    std::vector<PendingTerm> terms_;
    PendingFlowTexts texts_;
    std::vector<Row> rows_;
    Totals totals_;
};

} // namespace Quarn_DuzAde
