#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Erp {

// The header columns of a document (THDocument, besides its IDC), spelt as the schema
// spells them: what the document object carries and what the generator writes.
inline constexpr std::array<std::string_view, 20> kDocumentHeaderColumns = {"DocTypeCode",
                                                                            "DocumentDate",
                                                                            "Number",
                                                                            "Code",
                                                                            "Name",
                                                                            "Summa",
                                                                            "CurrencyCode",
                                                                            "IsPosted",
                                                                            "IsClosed",
                                                                            "IsPayClosed",
                                                                            "StateCode",
                                                                            "ParentID",
                                                                            "Author",
                                                                            "Department",
                                                                            "IsDirectPay",
                                                                            "IsMngBKeeping",
                                                                            "IsCostChanged",
                                                                            "IsKredit",
                                                                            "CommingInForceDate",
                                                                            "TermsOfValidityDate"};

// The same with the IDC first, as the generator loads rows.
inline std::vector<std::string> DocumentColumnsWithId()
{
    std::vector<std::string> columns = {"IDC"};
    for (auto column : kDocumentHeaderColumns)
        columns.emplace_back(column);
    return columns;
}

} // namespace Talvex::Erp
