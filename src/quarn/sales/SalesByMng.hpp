#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One goods row of a sale, return or discount document in the accounting currency, net of
// VAT and signed (returns and discounts take away), with whom it is attributed to.
struct SalesByMngRow {
    std::string docTypeCode;
    std::int64_t idc = 0;
    std::string number;
    Talvex::Date documentDate;
    std::int64_t billIdc = 0; // the parent document; 0: none
    std::string billCode;     // "PRSF:2026.03.01:PRSF-2026-000001" of the parent
    std::string depCode;      // of the parent's parent, else the parent, else the document
    std::string depName;
    std::string personCode; // the author, found the same way
    std::string personName;
    bool isSubsidiary = false; // the buyer is a subsidiary: attributed to it instead
    std::string clientCode;
    std::string clientName;
    Talvex::Currency summa; // without VAT
    Talvex::Currency summVat;
};

// A line of the report: a department and manager, or a subsidiary (sorted after them).
struct SalesByMngLine {
    int posNumb = 0; // 0 department and manager, 1 subsidiary
    std::string department;
    std::optional<std::string> depCode; // none on a subsidiary's line
    std::string person;
    std::string personCode;
    Talvex::Currency summa;
    Talvex::Currency summVat;
    Talvex::Currency totalSum;
};

// A total of several lines under one name.
struct SalesByMngGroup {
    std::string groupComment;
    Talvex::Currency summa;
    Talvex::Currency summVat;
    Talvex::Currency totalSum;
};

// The texts a row is shown under: "code : name", a manager "code : first last".
[[nodiscard]] std::string SalesByMngDepartment(const SalesByMngRow& row);
[[nodiscard]] std::string SalesByMngPerson(const SalesByMngRow& row);
// The codes of its line: the department's (none for a subsidiary) and the manager's or
// the subsidiary client's.
[[nodiscard]] std::optional<std::string> SalesByMngDepCode(const SalesByMngRow& row);
[[nodiscard]] std::string SalesByMngPersonCode(const SalesByMngRow& row);

// The summary: the rows summed per department and manager line, departments first in the
// order of their texts, then the subsidiaries.
[[nodiscard]] std::vector<SalesByMngLine> SalesByMngLines(const std::vector<SalesByMngRow>& rows);

// The lines summed per department text, in the lines' order (the subsidiaries, under no
// department, last): the sub-report of the print.
[[nodiscard]] std::vector<SalesByMngGroup> SalesByMngDepartmentTotals(const std::vector<SalesByMngLine>& lines);

// The rows behind a line (its department code, none for a subsidiary, and person code), in
// date order then document: what the document list shows.
[[nodiscard]] std::vector<SalesByMngRow> SalesByMngDocuments(const std::vector<SalesByMngRow>& rows,
                                                             const std::optional<std::string>& depCode,
                                                             const std::string& personCode);

} // namespace Quarn_DuzAde
