#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Data {
class Recordset;
}
namespace Talvex::Cube {
class CubeSource;
}

namespace Quarn_DuzAde {

// One row of the cash-flow cube as read: which part of the data it comes from, its payment
// day, flow kind and party, its amounts in the accounting currency and the document behind
// it (none for a budget posting or an opening cash rest).
struct CashFlowSourceRow {
    std::string part;
    Talvex::Date recDate;
    std::string flowKindCode; // upper case; "--" when missing
    std::string partyCode;    // "--" when the row has no party
    Talvex::Currency begDebtSumma;
    Talvex::Currency debtSumma;
    Talvex::Currency planSumma;
    Talvex::Currency bPlanSumma;
    Talvex::Currency paySumma;
    Talvex::Currency begPlanRest;
    std::int64_t idc = 0;
    std::string docTypeCode;
    Talvex::Date documentDate;
    std::string number;
    Talvex::Currency summa;
    std::string currencyCode;
};

// The three running rests of a row: planned (plan and debt), by invoices (debt) and actual
// (payments), each from the opening cash rest of its flow kind and party.
struct CashFlowRest {
    Talvex::Currency planRest;
    Talvex::Currency sfRest;
    Talvex::Currency factRest;
    bool IsZero() const { return planRest.Units() == 0 && sfRest.Units() == 0 && factRest.Units() == 0; }
};

namespace CashFlowDays {
// Money moves on Wednesdays and Saturdays. The window of a period starts on the payment day
// on or before its first day (at most a week back).
Talvex::Date WindowStart(Talvex::Date begDate);
// The payment day a date's money moves on: the date itself on a Wednesday or Saturday, else
// the next of the two.
Talvex::Date PaymentDay(Talvex::Date date);
} // namespace CashFlowDays

// The cube's data: the rows read, with their running rests when rests are wanted. A rest is
// a state, not a flow: the cube takes it at the last payment day of a cell per flow kind and
// party. So that a month (and a year) in which a flow kind and party did not move still
// shows their rest, such a month gets a row of its own on its first payment day carrying the
// rest and no flow ("Rest" part).
class CashFlowRows {
public:
    // The code of a flow kind on each level of the flow-kind tree, the kind itself last.
    using LevelPath = std::function<std::vector<std::string>(const std::string& flowKind)>;

    CashFlowRows(std::vector<CashFlowSourceRow> rows, bool withRests, Talvex::Date endDate);

    const std::vector<CashFlowSourceRow>& Rows() const { return rows_; }
    // The rests written on each row (all zero without rests, and on every row of a flow kind
    // and party's day but the last, so the cube's last value of the day is the day's rest).
    const std::vector<CashFlowRest>& Rests() const { return rests_; }
    bool WithRests() const { return withRests_; }

    struct Totals {
        Talvex::Currency begDebtSumma, debtSumma, planSumma, bPlanSumma, paySumma, begPlanRest;
        // The rests at the end: each flow kind and party's last rest, added up.
        Talvex::Currency planRest, sfRest, factRest;
    };
    Totals GrandTotals() const;
    // The same per flow kind (the lowest level of the tree).
    std::map<std::string, Totals> TotalsByFlowKind() const;

    // Column names of the flow-kind levels: "FlowKindLevel1" ... and "FlowKindCode" last.
    static std::vector<std::string> LevelColumns(int levelCount);
    // What the cube folds: the flow-kind levels, the party, the payment day ("RecDate" and
    // "Day"), the flows and, with rests, the three rests.
    Talvex::Cube::CubeSource ToCubeSource(int levelCount, const LevelPath& path) const;
    // The same rows with their documents, for the drill-down.
    std::shared_ptr<Talvex::Data::Recordset> ToRecordset(int levelCount, const LevelPath& path) const;

private:
    void ComputeRests(Talvex::Date endDate);

    std::vector<CashFlowSourceRow> rows_;
    std::vector<CashFlowRest> rests_;
    bool withRests_ = false;
};

} // namespace Quarn_DuzAde
