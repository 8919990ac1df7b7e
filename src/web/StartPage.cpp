#include "web/StartPage.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/types/Value.hpp"
#include "quarn/debt/DebtOfClientsFill.hpp"
#include "quarn/debt/frmDebtOfClients.hpp"

#include <nlohmann/json.hpp>

#include <chrono>

namespace Talvex::Web {

using json = nlohmann::json;
using Quarn_DuzAde::DebtOfClientsFill;
using Quarn_DuzAde::DebtOfClientsRow;
using Quarn_DuzAde::DebtOfClientsSourceRow;
using Quarn_DuzAde::frmDebtOfClients;

namespace {

constexpr const char* kBandNames[4] = {"0-30 days", "31-60 days", "61-90 days", "over 90 days"};

std::string Money(Currency amount)
{
    return amount.RoundHalfAwayFromZero(2).ToFixed(2);
}

std::string MonthLabel(Date first)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04d-%02u", first.Year(), first.Month());
    return text;
}

struct DebtFigures {
    Currency total;
    std::vector<Currency> months;
    DebtBands bands;
    std::size_t documents = 0;
};

// The report's fetch (its source list, read term by term) and compute (its fill): the grand
// total is the very row the report's grid ends with.
DebtFigures ComputeDebt(const std::shared_ptr<Book>& book, const TilePeriod& period, long direction)
{
    frmDebtOfClients report;
    report.UseParameters(book, period.begDate, period.endDate, direction);
    auto list = report.BuildSourceList();
    list->Refresh();
    auto source = list->Recordset();
    DebtFigures figures;
    DebtOfClientsFill fill(period.begDate, period.endDate);
    figures.months.assign(static_cast<std::size_t>(fill.MonthCount()), Currency());
    if (!source) return figures;
    const auto fields = frmDebtOfClients::FieldsOf(*source);
    std::vector<DebtOfClientsSourceRow> rows;
    rows.reserve(source->ViewRows().size());
    for (std::size_t stored : source->ViewRows()) {
        rows.push_back(frmDebtOfClients::ReadSourceRow(*source, fields, stored));
        fill.Add(rows.back());
    }
    figures.documents = rows.size();
    figures.bands = AgeBands(rows, period.endDate);
    for (const DebtOfClientsRow& row : fill.Finish()) {
        if (row.rowType != DebtOfClientsRow::Type::GrandTotal) continue;
        figures.total = row.totalSumm;
        for (std::size_t i = 0; i < row.months.size() && i < figures.months.size(); ++i)
            figures.months[i] = row.months[i];
    }
    return figures;
}

json DebtTileJson(const std::string& name, const std::string& caption, const DebtFigures& figures,
                  const TilePeriod& period, const std::string& opens)
{
    json bands = json::array();
    for (int i = 0; i < 4; ++i)
        bands.push_back({{"label", kBandNames[i]}, {"value", Money(figures.bands.bands[i])}});
    json months = json::array();
    Date month = period.begDate;
    for (const Currency& sum : figures.months) {
        months.push_back({{"label", MonthLabel(month)}, {"value", Money(sum)}});
        month = month.AddMonthsClamped(1);
    }
    json tile = {{"name", name},
                 {"caption", caption},
                 {"total", Money(figures.total)},
                 {"documents", figures.documents},
                 {"begDate", period.begDate.ToIso()},
                 {"endDate", period.endDate.ToIso()},
                 {"bands", bands},
                 {"months", months}};
    if (!opens.empty()) tile["opens"] = opens;
    return tile;
}

} // namespace

DebtBands AgeBands(const std::vector<DebtOfClientsSourceRow>& rows, Date today)
{
    DebtBands result;
    for (const auto& row : rows) {
        const std::int32_t age = row.documentDate.DaysUntil(today);
        const int band = age <= 30 ? 0 : age <= 60 ? 1 : age <= 90 ? 2 : 3;
        result.bands[band] += row.accNeedPaySum;
    }
    return result;
}

TilePeriod DebtTilePeriod(Date today)
{
    return {today.FirstOfMonth().AddMonthsClamped(-11), today.LastOfMonth()};
}

std::string StartPageJson(const std::shared_ptr<Book>& book)
{
    if (!book) throw ValueError("No database is open");
    const auto started = std::chrono::steady_clock::now();
    const Date today = book->Today();
    const TilePeriod period = DebtTilePeriod(today);
    json tiles = json::array();
    tiles.push_back(DebtTileJson("receivables", "Receivables", ComputeDebt(book, period, 2), period, "CDebtOfClients"));
    tiles.push_back(DebtTileJson("payables", "Payables", ComputeDebt(book, period, 1), period, ""));
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    json message = {{"t", "start"},
                    {"today", today.ToIso()},
                    {"currency", book->AccountCurrency()},
                    {"tiles", tiles},
                    {"computeMs", spent}};
    return message.dump();
}

std::string PrepareTileReport(Book& book, std::string_view tile)
{
    if (tile != "receivables") throw ValueError("The tile '" + std::string(tile) + "' opens no report");
    const TilePeriod period = DebtTilePeriod(book.Today());
    UserSettings settings(book);
    const std::string_view key = frmDebtOfClients::kSettingsKey;
    settings.Save(key, "BegDate", Value(period.begDate));
    settings.Save(key, "EndDate", Value(period.endDate));
    settings.Save(key, "Department", Value(std::string()));
    settings.Save(key, "Person", Value(std::string()));
    return "CDebtOfClients";
}

} // namespace Talvex::Web
