#include "quarn/sales/SalesByMng.hpp"

#include <algorithm>
#include <map>
#include <tuple>

namespace Quarn_DuzAde {

std::string SalesByMngDepartment(const SalesByMngRow& row)
{
    if (row.isSubsidiary || row.depCode.empty()) return {};
    return row.depCode + " : " + row.depName;
}

std::string SalesByMngPerson(const SalesByMngRow& row)
{
    if (row.isSubsidiary) return row.clientCode + " : " + row.clientName;
    if (row.personCode.empty()) return {};
    return row.personCode + " : " + row.personName;
}

std::optional<std::string> SalesByMngDepCode(const SalesByMngRow& row)
{
    if (row.isSubsidiary) return std::nullopt;
    return row.depCode;
}

std::string SalesByMngPersonCode(const SalesByMngRow& row)
{
    return row.isSubsidiary ? row.clientCode : row.personCode;
}

std::vector<SalesByMngLine> SalesByMngLines(const std::vector<SalesByMngRow>& rows)
{
    // Keyed by what the line shows, so the map gives the report's order directly.
    using Key = std::tuple<int, std::string, std::string, std::optional<std::string>, std::string>;
    std::map<Key, SalesByMngLine> lines;
    for (const auto& row : rows) {
        const int posNumb = row.isSubsidiary ? 1 : 0;
        const Key key{posNumb, SalesByMngDepartment(row), SalesByMngPerson(row), SalesByMngDepCode(row),
                      SalesByMngPersonCode(row)};
        auto [it, added] = lines.try_emplace(key);
        SalesByMngLine& line = it->second;
        if (added) {
            line.posNumb = posNumb;
            line.department = std::get<1>(key);
            line.person = std::get<2>(key);
            line.depCode = std::get<3>(key);
            line.personCode = std::get<4>(key);
        }
        line.summa += row.summa;
        line.summVat += row.summVat;
        line.totalSum += row.summa + row.summVat;
    }
    std::vector<SalesByMngLine> result;
    result.reserve(lines.size());
    for (auto& [key, line] : lines)
        result.push_back(std::move(line));
    return result;
}

std::vector<SalesByMngGroup> SalesByMngDepartmentTotals(const std::vector<SalesByMngLine>& lines)
{
    std::vector<SalesByMngGroup> totals;
    for (const auto& line : lines) {
        if (totals.empty() || totals.back().groupComment != line.department) {
            totals.push_back({});
            totals.back().groupComment = line.department;
        }
        totals.back().summa += line.summa;
        totals.back().summVat += line.summVat;
        totals.back().totalSum += line.totalSum;
    }
    return totals;
}

std::vector<SalesByMngRow> SalesByMngDocuments(const std::vector<SalesByMngRow>& rows,
                                               const std::optional<std::string>& depCode, const std::string& personCode)
{
    std::vector<SalesByMngRow> documents;
    for (const auto& row : rows) {
        if (SalesByMngDepCode(row) == depCode && SalesByMngPersonCode(row) == personCode) documents.push_back(row);
    }
    std::stable_sort(documents.begin(), documents.end(), [](const SalesByMngRow& a, const SalesByMngRow& b) {
        return std::tie(a.documentDate, a.idc) < std::tie(b.documentDate, b.idc);
    });
    return documents;
}

} // namespace Quarn_DuzAde
