#include "quarn/cube/CashFlowRows.hpp"

#include "host/cube/CubeSource.hpp"
#include "host/data/Recordset.hpp"

#include <algorithm>
#include <map>
#include <numeric>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

constexpr unsigned kWednesday = 3; // ISO weekday, Monday 1
constexpr unsigned kSaturday = 6;
constexpr const char* kRestPart = "Rest";

bool IsPaymentDay(Date date)
{
    const unsigned weekday = date.IsoWeekday();
    return weekday == kWednesday || weekday == kSaturday;
}

Talvex::Cube::CodedColumn Coded(const std::vector<std::string>& texts)
{
    Talvex::Cube::CodedColumn column;
    std::map<std::string, std::uint32_t> codes;
    column.codes.reserve(texts.size());
    for (const auto& text : texts) {
        auto [at, added] = codes.emplace(text, static_cast<std::uint32_t>(column.members.size()));
        if (added) column.members.emplace_back(text);
        column.codes.push_back(at->second);
    }
    return column;
}

// Each flow kind's codes on every level, looked up once per kind rather than per row.
std::vector<std::vector<std::string>> LevelTexts(const std::vector<CashFlowSourceRow>& rows, int levelCount,
                                                 const CashFlowRows::LevelPath& path)
{
    std::map<std::string, std::vector<std::string>> paths;
    std::vector<std::vector<std::string>> levels(static_cast<std::size_t>(levelCount));
    for (auto& level : levels)
        level.reserve(rows.size());
    for (const auto& row : rows) {
        auto found = paths.find(row.flowKindCode);
        if (found == paths.end()) {
            std::vector<std::string> p = path ? path(row.flowKindCode) : std::vector<std::string>{};
            p.resize(static_cast<std::size_t>(levelCount), row.flowKindCode);
            // The last level is the kind itself, whatever the tree says.
            p.back() = row.flowKindCode;
            found = paths.emplace(row.flowKindCode, std::move(p)).first;
        }
        for (std::size_t i = 0; i < levels.size(); ++i)
            levels[i].push_back(found->second[i]);
    }
    return levels;
}

} // namespace

namespace CashFlowDays {

Date WindowStart(Date begDate)
{
    Date day = begDate;
    for (int step = 0; step < 7 && !IsPaymentDay(day); ++step)
        day = day.AddDays(-1);
    return day;
}

Date PaymentDay(Date date)
{
    Date day = date;
    while (!IsPaymentDay(day))
        day = day.AddDays(1);
    return day;
}

} // namespace CashFlowDays

CashFlowRows::CashFlowRows(std::vector<CashFlowSourceRow> rows, bool withRests, Date endDate)
    : rows_(std::move(rows)), withRests_(withRests)
{
    rests_.assign(rows_.size(), CashFlowRest{});
    if (withRests_) ComputeRests(endDate);
}

// One pass over the rows in the order of flow kind, party and payment day. The opening cash
// rest of a row is added to all three rests wherever it stands in its series, so a series
// whose first payment day holds a flow beside its opening rest starts right all the same.
void CashFlowRows::ComputeRests(Date endDate)
{
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        const auto& x = rows_[a];
        const auto& y = rows_[b];
        if (x.flowKindCode != y.flowKindCode) return x.flowKindCode < y.flowKindCode;
        if (x.partyCode != y.partyCode) return x.partyCode < y.partyCode;
        return x.recDate < y.recDate;
    });

    std::vector<CashFlowSourceRow> carries;
    std::vector<CashFlowRest> carryRests;
    // Rows for the months after `from` up to the end in which the series did not move.
    auto carryMonths = [&](const CashFlowSourceRow& last, Date nextMove, const CashFlowRest& rest) {
        if (rest.IsZero()) return;
        for (Date month = last.recDate.FirstOfMonth().AddMonthsClamped(1);
             month <= endDate && (nextMove == Date() || month < nextMove.FirstOfMonth());
             month = month.AddMonthsClamped(1)) {
            const Date day = CashFlowDays::PaymentDay(month);
            if (day > endDate) break;
            CashFlowSourceRow carry;
            carry.part = kRestPart;
            carry.recDate = day;
            carry.flowKindCode = last.flowKindCode;
            carry.partyCode = last.partyCode;
            carries.push_back(std::move(carry));
            carryRests.push_back(rest);
        }
    };

    CashFlowRest running;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto& row = rows_[order[k]];
        const bool newSeries = k == 0 || rows_[order[k - 1]].flowKindCode != row.flowKindCode ||
                               rows_[order[k - 1]].partyCode != row.partyCode;
        if (newSeries) running = CashFlowRest{};
        running.planRest += row.begPlanRest + row.planSumma + row.debtSumma;
        running.sfRest += row.begPlanRest + row.debtSumma;
        running.factRest += row.begPlanRest + row.paySumma;
        const bool lastOfSeries = k + 1 == order.size() || rows_[order[k + 1]].flowKindCode != row.flowKindCode ||
                                  rows_[order[k + 1]].partyCode != row.partyCode;
        const bool lastOfDay = lastOfSeries || rows_[order[k + 1]].recDate != row.recDate;
        if (!lastOfDay) continue;
        if (!running.IsZero()) rests_[order[k]] = running;
        carryMonths(row, lastOfSeries ? Date() : rows_[order[k + 1]].recDate, running);
    }
    for (std::size_t i = 0; i < carries.size(); ++i) {
        rows_.push_back(std::move(carries[i]));
        rests_.push_back(carryRests[i]);
    }
}

CashFlowRows::Totals CashFlowRows::GrandTotals() const
{
    Totals totals;
    for (const auto& [kind, byKind] : TotalsByFlowKind()) {
        totals.begDebtSumma += byKind.begDebtSumma;
        totals.debtSumma += byKind.debtSumma;
        totals.planSumma += byKind.planSumma;
        totals.bPlanSumma += byKind.bPlanSumma;
        totals.paySumma += byKind.paySumma;
        totals.begPlanRest += byKind.begPlanRest;
        totals.planRest += byKind.planRest;
        totals.sfRest += byKind.sfRest;
        totals.factRest += byKind.factRest;
    }
    return totals;
}

std::map<std::string, CashFlowRows::Totals> CashFlowRows::TotalsByFlowKind() const
{
    std::map<std::string, Totals> totals;
    for (const auto& row : rows_) {
        Totals& t = totals[row.flowKindCode];
        t.begDebtSumma += row.begDebtSumma;
        t.debtSumma += row.debtSumma;
        t.planSumma += row.planSumma;
        t.bPlanSumma += row.bPlanSumma;
        t.paySumma += row.paySumma;
        t.begPlanRest += row.begPlanRest;
    }
    if (!withRests_) return totals;
    // The last rest of each series: the one on its latest payment day.
    std::map<std::pair<std::string, std::string>, std::pair<Date, CashFlowRest>> last;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto& row = rows_[i];
        auto [at, added] = last.try_emplace({row.flowKindCode, row.partyCode}, row.recDate, rests_[i]);
        if (added) continue;
        if (row.recDate > at->second.first) {
            at->second = {row.recDate, rests_[i]};
        } else if (row.recDate == at->second.first) {
            // Only one row of a day carries the day's rest; the others hold zero.
            at->second.second.planRest += rests_[i].planRest;
            at->second.second.sfRest += rests_[i].sfRest;
            at->second.second.factRest += rests_[i].factRest;
        }
    }
    for (const auto& [series, rest] : last) {
        Totals& t = totals[series.first];
        t.planRest += rest.second.planRest;
        t.sfRest += rest.second.sfRest;
        t.factRest += rest.second.factRest;
    }
    return totals;
}

std::vector<std::string> CashFlowRows::LevelColumns(int levelCount)
{
    std::vector<std::string> names;
    for (int level = 1; level < levelCount; ++level)
        names.push_back("FlowKindLevel" + std::to_string(level));
    names.emplace_back("FlowKindCode");
    return names;
}

Talvex::Cube::CubeSource CashFlowRows::ToCubeSource(int levelCount, const LevelPath& path) const
{
    levelCount = std::max(levelCount, 1);
    Talvex::Cube::CubeSource source;
    const auto names = LevelColumns(levelCount);
    auto levels = LevelTexts(rows_, levelCount, path);
    for (std::size_t i = 0; i < names.size(); ++i)
        source.AddColumn(names[i], Coded(levels[i]));
    std::vector<std::string> parties;
    std::vector<Date> days;
    parties.reserve(rows_.size());
    days.reserve(rows_.size());
    for (const auto& row : rows_) {
        parties.push_back(row.partyCode);
        days.push_back(row.recDate);
    }
    source.AddColumn("PartyCode", Coded(parties));
    source.AddColumn("RecDate", days);
    source.AddColumn("Day", std::move(days));
    auto money = [&](Currency CashFlowSourceRow::*member) {
        std::vector<Currency> column;
        column.reserve(rows_.size());
        for (const auto& row : rows_)
            column.push_back(row.*member);
        return column;
    };
    source.AddColumn("BegDebtSumma", money(&CashFlowSourceRow::begDebtSumma));
    source.AddColumn("DebtSumma", money(&CashFlowSourceRow::debtSumma));
    source.AddColumn("PlanSumma", money(&CashFlowSourceRow::planSumma));
    source.AddColumn("BPlanSumma", money(&CashFlowSourceRow::bPlanSumma));
    source.AddColumn("PaySumma", money(&CashFlowSourceRow::paySumma));
    if (withRests_) {
        auto rest = [&](Currency CashFlowRest::*member) {
            std::vector<Currency> column;
            column.reserve(rests_.size());
            for (const auto& r : rests_)
                column.push_back(r.*member);
            return column;
        };
        source.AddColumn("PlanRest", rest(&CashFlowRest::planRest));
        source.AddColumn("SFRest", rest(&CashFlowRest::sfRest));
        source.AddColumn("FactRest", rest(&CashFlowRest::factRest));
    }
    return source;
}

std::shared_ptr<Talvex::Data::Recordset> CashFlowRows::ToRecordset(int levelCount, const LevelPath& path) const
{
    levelCount = std::max(levelCount, 1);
    const auto names = LevelColumns(levelCount);
    const auto levels = LevelTexts(rows_, levelCount, path);
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    auto& fields = rs->Fields();
    for (const auto& name : names)
        fields.Append(name, DataTypeEnum::VarChar, 40);
    for (auto [name, type, size] : {std::tuple{"PartyCode", DataTypeEnum::VarChar, 40},
                                    {"RecDate", DataTypeEnum::Date, 0},
                                    {"Day", DataTypeEnum::Date, 0},
                                    {"Part", DataTypeEnum::VarChar, 20},
                                    {"IDC", DataTypeEnum::BigInt, 0},
                                    {"DocTypeCode", DataTypeEnum::VarChar, 20},
                                    {"DocumentDate", DataTypeEnum::Date, 0},
                                    {"Number", DataTypeEnum::VarChar, 60},
                                    {"Summa", DataTypeEnum::Currency, 0},
                                    {"CurrencyCode", DataTypeEnum::VarChar, 10},
                                    {"BegDebtSumma", DataTypeEnum::Currency, 0},
                                    {"DebtSumma", DataTypeEnum::Currency, 0},
                                    {"PlanSumma", DataTypeEnum::Currency, 0},
                                    {"BPlanSumma", DataTypeEnum::Currency, 0},
                                    {"PaySumma", DataTypeEnum::Currency, 0},
                                    {"BegPlanRest", DataTypeEnum::Currency, 0},
                                    {"PlanRest", DataTypeEnum::Currency, 0},
                                    {"SFRest", DataTypeEnum::Currency, 0},
                                    {"FactRest", DataTypeEnum::Currency, 0}})
        fields.Append(name, type, size);
    rs->Open();
    const auto optionalDate = [](Date d) { return d == Date() ? Value() : Value(d); };
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto& row = rows_[i];
        std::vector<Value> values;
        values.reserve(names.size() + 19);
        for (const auto& level : levels)
            values.emplace_back(level[i]);
        for (Value v : {Value(row.partyCode), Value(row.recDate), Value(row.recDate), Value(row.part),
                        Value(row.idc), Value(row.docTypeCode), optionalDate(row.documentDate), Value(row.number),
                        Value(row.summa), Value(row.currencyCode), Value(row.begDebtSumma), Value(row.debtSumma),
                        Value(row.planSumma), Value(row.bPlanSumma), Value(row.paySumma), Value(row.begPlanRest),
                        Value(rests_[i].planRest), Value(rests_[i].sfRest), Value(rests_[i].factRest)})
            values.push_back(std::move(v));
        rs->AddNew();
        for (std::size_t f = 0; f < values.size(); ++f)
            rs->Fields().Item(f).SetValue(values[f]);
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
