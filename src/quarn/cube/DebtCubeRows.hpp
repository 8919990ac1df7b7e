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
namespace Talvex::Cube {
class CubeSource;
}

namespace Quarn_DuzAde {

class OverdueBands;

// One open debt (or one payment not linked to any document) as the client-debt cube reads
// it: the document, its due date, its amounts in the document's currency and in the
// accounting currency, and the department, person and client it counts under.
struct DebtCubeSourceRow {
    std::int64_t idc = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date dueDate; // the need-to-pay date; a payment's own date
    Talvex::Date docDate;
    Talvex::Currency docSumma;
    std::string currencyCode;
    Talvex::Currency needPaySum;
    Talvex::Currency nextPaySum;
    Talvex::Currency notLinkPaySum;
    Talvex::Currency accNeedPaySum;
    Talvex::Currency accNotLinkPaySum;
    std::string department; // "code: name", or the placeholder
    std::string person;
    std::string client;
    std::string depCode;
    std::string perCode;
    std::string clnCode;
};

// The client-debt cube's data: the rows read once, each sorted into an overdue band on the
// report date. A change of bands sorts the same rows again without reading anything, so
// the user can try intervals and see the amounts move between bands.
class DebtCubeRows {
public:
    DebtCubeRows(std::vector<DebtCubeSourceRow> rows, Talvex::Date reportDate);

    const std::vector<DebtCubeSourceRow>& Rows() const { return rows_; }
    Talvex::Date ReportDate() const { return reportDate_; }
    // Days past due of a row on the report date (negative: not yet due).
    long DelayDays(const DebtCubeSourceRow& row) const;

    // The rows as the cube and its drill-down read them, one record per row with its band
    // label in "DataPayType" and "DelayDays", plus the empty letter columns.
    std::shared_ptr<Talvex::Data::Recordset> ToRecordset(const OverdueBands& bands) const;
    // What the cube folds, without a recordset between: the three party dimensions, the band
    // and the two facts, a column each. Only the band column is made anew for new bands.
    Talvex::Cube::CubeSource ToCubeSource(const OverdueBands& bands) const;

    struct BandTotals {
        Talvex::Currency accNeedPaySum;
        Talvex::Currency accNotLinkPaySum;
    };
    // Both facts summed per band label, straight from the rows.
    std::map<std::string, BandTotals> TotalsByBand(const OverdueBands& bands) const;

private:
    struct Columns; // the columns that stay whatever the bands
    std::vector<DebtCubeSourceRow> rows_;
    std::shared_ptr<const Columns> columns_;
    Talvex::Date reportDate_;
};

} // namespace Quarn_DuzAde
