#include "quarn/debt/DebtOfClientsFill.hpp"

#include "host/types/Errors.hpp"

#include <algorithm>
#include <tuple>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Type = DebtOfClientsRow::Type;

namespace {

// Keys of the groups: the display texts joined by a character no text holds.
std::string Key(std::string_view a, std::string_view b = {}, std::string_view c = {})
{
    std::string key;
    key.reserve(a.size() + b.size() + c.size() + 2);
    key.append(a).push_back('\x1f');
    key.append(b).push_back('\x1f');
    key.append(c);
    return key;
}

Currency Rounded(Currency c)
{
    return c.RoundHalfAwayFromZero(2);
}

void AddInto(DebtOfClientsRow& total, const DebtOfClientsRow& part)
{
    total.totalSumm += part.totalSumm;
    total.begRest += part.begRest;
    for (std::size_t i = 0; i < total.months.size(); ++i)
        total.months[i] += part.months[i];
}

} // namespace

std::string DebtMonthColumn(int month)
{
    return "Summa" + std::to_string(month);
}

DebtOfClientsFill::DebtOfClientsFill(Date begDate, Date endDate)
    : begDate_(begDate.FirstOfMonth()), endDate_(endDate.LastOfMonth())
{
    if (begDate_ > endDate_)
        throw Talvex::ValueError("EndDate: the period ends (" + endDate_.ToIso() + ") before it begins (" +
                                 begDate_.ToIso() + ")");
    monthCount_ = (endDate_.Year() - begDate_.Year()) * 12 + static_cast<int>(endDate_.Month()) -
                  static_cast<int>(begDate_.Month()) + 1;
}

int DebtOfClientsFill::MonthOf(Date date) const
{
    return (date.Year() - begDate_.Year()) * 12 + static_cast<int>(date.Month()) - static_cast<int>(begDate_.Month());
}

std::size_t DebtOfClientsFill::ClientSlot(const DebtOfClientsSourceRow& row)
{
    if (hasLast_) {
        const auto& last = clients_[lastSlot_].row;
        if (last.client == row.client && last.person == row.person && last.department == row.department)
            return lastSlot_;
    }
    const std::string clientKey = Key(row.department, row.person, row.client);
    if (auto it = clientIndex_.find(clientKey); it != clientIndex_.end()) return it->second;

    auto [dep, newDepartment] = departmentIndex_.try_emplace(row.department, departments_.size());
    if (newDepartment) departments_.push_back({row.department, row.depCode, {}});
    auto [per, newPerson] = personIndex_.try_emplace(Key(row.department, row.person), persons_.size());
    if (newPerson) {
        persons_.push_back({row.person, row.perCode, {}});
        departments_[dep->second].persons.push_back(per->second);
    }
    const std::size_t slot = clients_.size();
    ClientSums sums;
    sums.row.rowType = Type::Client;
    sums.row.department = row.department;
    sums.row.person = row.person;
    sums.row.client = row.client;
    sums.row.depCode = row.depCode;
    sums.row.perCode = row.perCode;
    sums.row.clnCode = row.clnCode;
    sums.exact.assign(static_cast<std::size_t>(monthCount_) + 1, Currency());
    clients_.push_back(std::move(sums));
    persons_[per->second].clients.push_back(slot);
    clientIndex_.emplace(clientKey, slot);
    return slot;
}

void DebtOfClientsFill::Add(const DebtOfClientsSourceRow& row)
{
    const std::size_t slot = ClientSlot(row);
    lastSlot_ = slot;
    hasLast_ = true;
    auto& sums = clients_[slot];
    const int month = MonthOf(row.documentDate);
    slotOfRow_.push_back(static_cast<std::uint32_t>(slot));
    monthOfRow_.push_back(month);
    // A term dated after the period counts in no column; the list never brings one, but a
    // source read otherwise might.
    if (month >= monthCount_) return;
    sums.exact[month < 0 ? 0 : static_cast<std::size_t>(month) + 1] += row.accNeedPaySum;
}

std::vector<DebtOfClientsRow> DebtOfClientsFill::Finish() const
{
    std::vector<DebtOfClientsRow> rows;
    if (clients_.empty()) return rows;
    const std::size_t width = static_cast<std::size_t>(monthCount_);
    auto emptyRow = [&](Type type) {
        DebtOfClientsRow row;
        row.rowType = type;
        row.months.assign(width, Currency());
        return row;
    };

    DebtOfClientsRow grand = emptyRow(Type::GrandTotal);
    for (const auto& department : departments_) {
        DebtOfClientsRow depRow = emptyRow(Type::Department);
        depRow.department = department.department;
        for (std::size_t p : department.persons) {
            const auto& person = persons_[p];
            DebtOfClientsRow perRow = emptyRow(Type::Person);
            perRow.department = department.department;
            perRow.person = person.person;
            perRow.depCode = department.depCode;
            perRow.perCode = person.perCode;
            for (std::size_t c : person.clients) {
                const auto& sums = clients_[c];
                DebtOfClientsRow clientRow = sums.row;
                clientRow.begRest = Rounded(sums.exact[0]);
                clientRow.totalSumm = clientRow.begRest;
                clientRow.months.resize(width);
                for (std::size_t i = 0; i < width; ++i) {
                    clientRow.months[i] = Rounded(sums.exact[i + 1]);
                    clientRow.totalSumm += clientRow.months[i];
                }
                AddInto(perRow, clientRow);
                rows.push_back(std::move(clientRow));
            }
            AddInto(depRow, perRow);
            rows.push_back(std::move(perRow));
        }
        depRow.depCode = department.depCode;
        AddInto(grand, depRow);
        rows.push_back(std::move(depRow));
    }
    rows.push_back(std::move(grand));
    return rows;
}

std::size_t DebtTextRank(const DebtTextRanks& ranks, std::string_view text)
{
    const auto it = ranks.find(std::string(text));
    if (it == ranks.end()) throw Talvex::ValueError("DebtTextRank: the text \"" + std::string(text) + "\" has no rank");
    return it->second;
}

std::vector<std::size_t> DebtSourceOrder(const std::vector<DebtOrderKey>& keys)
{
    std::vector<std::size_t> positions(keys.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = i;
    auto tied = [&keys](std::size_t i) {
        const DebtOrderKey& k = keys[i];
        return std::tie(k.department, k.person, k.client, k.documentDate);
    };
    std::stable_sort(positions.begin(), positions.end(),
                     [&](std::size_t a, std::size_t b) { return tied(a) < tied(b); });
    return positions;
}

DebtCell DebtCellOf(Type rowType, std::string_view column, int monthCount)
{
    DebtCell cell;
    cell.level = rowType == Type::GrandTotal ? 0 : rowType == Type::Department ? 1 : rowType == Type::Person ? 2 : 3;
    if (column == "Department") cell.level = std::min(cell.level, 1);
    if (column == "Person") cell.level = std::min(cell.level, 2);
    if (column == "BegRest") cell.range.beforePeriod = true;
    for (int i = 0; i < monthCount; ++i)
        if (column == DebtMonthColumn(i)) cell.range.month = i;
    return cell;
}

std::vector<std::size_t> DebtOfClientsFill::CellSources(const DebtOfClientsRow& row, std::string_view column) const
{
    const DebtCell cell = DebtCellOf(row.rowType, column, monthCount_);
    std::vector<char> clientIn(clients_.size(), 0);
    for (std::size_t c = 0; c < clients_.size(); ++c) {
        const auto& client = clients_[c].row;
        clientIn[c] = (cell.level < 1 || client.depCode == row.depCode) &&
                      (cell.level < 2 || client.perCode == row.perCode) &&
                      (cell.level < 3 || client.clnCode == row.clnCode);
    }
    std::vector<std::size_t> result;
    for (std::size_t i = 0; i < slotOfRow_.size(); ++i) {
        if (!clientIn[slotOfRow_[i]]) continue;
        const int month = monthOfRow_[i];
        if (cell.range.beforePeriod && month >= 0) continue;
        if (cell.range.month >= 0 && month != cell.range.month) continue;
        result.push_back(i);
    }
    return result;
}

} // namespace Quarn_DuzAde
