#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Quarn_DuzAde {

// One open debt term as the client-debt list reads it: who the client is, under which
// manager and department, when the document was dated and what is still open on it in the
// account currency.
struct DebtOfClientsSourceRow {
    std::string department; // display texts, as the grid shows them
    std::string person;
    std::string client;
    std::string depCode; // codes, the drill-down's filters
    std::string perCode;
    std::string clnCode;
    Talvex::Date documentDate;
    Talvex::Currency accNeedPaySum;
};

// One row of the client-debt grid.
struct DebtOfClientsRow {
    enum class Type { Department = 0, Person = 1, Client = 2, GrandTotal = 3 };

    Type rowType = Type::Client;
    std::string department;
    std::string person;
    std::string client;
    std::string depCode;
    std::string perCode;
    std::string clnCode;
    Talvex::Currency totalSumm; // BegRest and every month
    Talvex::Currency begRest;   // documents dated before the period
    std::vector<Talvex::Currency> months;
};

// Spreads the open debt terms of the client-debt report over the months of a period in one
// pass: a row per client with its debt before the period and per month, the manager's
// subtotal after its clients, the department's after its managers, and the grand total last.
//
// Clients, managers and departments keep the order in which their first term came (the list
// arrives ordered by department, manager and client). Each client's sums are rounded to two
// decimals as they are stored; subtotals add the rounded figures, so that a subtotal is
// always the sum of the rows above it on paper.
class DebtOfClientsFill {
public:
    // begDate and endDate are widened to whole months.
    DebtOfClientsFill(Talvex::Date begDate, Talvex::Date endDate);

    Talvex::Date BegDate() const { return begDate_; }
    Talvex::Date EndDate() const { return endDate_; }
    int MonthCount() const { return monthCount_; }
    // The month column of a date: -1 before the period, MonthCount() or more after it.
    int MonthOf(Talvex::Date date) const;

    // Takes the next source row.
    void Add(const DebtOfClientsSourceRow& row);
    // The grid's rows; an empty source gives no rows at all, not even a grand total.
    [[nodiscard]] std::vector<DebtOfClientsRow> Finish() const;
    // The positions of the source rows behind a cell of a row Finish gave: those of the row's
    // level with the row's codes, within the column's dates (see DebtCellOf).
    [[nodiscard]] std::vector<std::size_t> CellSources(const DebtOfClientsRow& row, std::string_view column) const;

private:
    struct ClientSums {
        DebtOfClientsRow row;
        std::vector<Talvex::Currency> exact; // BegRest, then each month, unrounded
    };
    struct PersonGroup {
        std::string person;
        std::string perCode;
        std::vector<std::size_t> clients; // into clients_
    };
    struct DepartmentGroup {
        std::string department;
        std::string depCode;
        std::vector<std::size_t> persons; // into persons_
    };

    std::size_t ClientSlot(const DebtOfClientsSourceRow& row);

    Talvex::Date begDate_;
    Talvex::Date endDate_;
    int monthCount_ = 0;

    std::vector<DepartmentGroup> departments_;
    std::vector<PersonGroup> persons_;
    std::vector<ClientSums> clients_;
    std::unordered_map<std::string, std::size_t> departmentIndex_;
    std::unordered_map<std::string, std::size_t> personIndex_; // department + person
    std::unordered_map<std::string, std::size_t> clientIndex_; // department + person + client
    // Per source row, in order: its client and its month column.
    std::vector<std::uint32_t> slotOfRow_;
    std::vector<std::int32_t> monthOfRow_;
    // The rows arrive grouped, so the slot of the last row usually serves the next one too.
    std::size_t lastSlot_ = 0;
    bool hasLast_ = false;
};

// The order of the display texts of departments, managers and clients as the database sorts
// them: each text's rank, equal texts alike.
using DebtTextRanks = std::unordered_map<std::string, std::size_t>;

// Where a term stands in the report's order: the ranks of its department, manager and client
// texts, then its document date.
struct DebtOrderKey {
    std::size_t department = 0;
    std::size_t person = 0;
    std::size_t client = 0;
    Talvex::Date documentDate;
};

// The rank of a display text. Throws ValueError naming a text the ranks lack.
std::size_t DebtTextRank(const DebtTextRanks& ranks, std::string_view text);

// The positions of the keys in the report's order, the order the fill expects its rows in:
// by department, manager and client text, then document date; equal keys keep their order.
std::vector<std::size_t> DebtSourceOrder(const std::vector<DebtOrderKey>& keys);

// The columns of the client-debt grid a drill-down may start from.
struct DebtCellRange {
    bool beforePeriod = false; // BegRest: documents dated before the period
    int month = -1;            // Summa<i>: documents of month i; -1 for no month
};

// What a cell of the grid stands for: the column's date range, and how far down the
// department, manager and client the row's codes narrow (0 all, 1 department, 2 manager,
// 3 client). In the Department and Person text columns the narrowing stops at that column's
// level: a department's text stands for the whole department, a manager's for the whole
// manager, whatever the row below it is.
struct DebtCell {
    int level = 0;
    DebtCellRange range;
};
DebtCell DebtCellOf(DebtOfClientsRow::Type rowType, std::string_view column, int monthCount);

// "Summa0", "Summa1", ...
std::string DebtMonthColumn(int month);

} // namespace Quarn_DuzAde
