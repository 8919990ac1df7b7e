#include "web/StartPage.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/types/Value.hpp"
#include "quarn/cube/RCashFlow.hpp"
#include "quarn/cube/RSale.hpp"
#include "quarn/debt/DebtOfClientsFill.hpp"
#include "quarn/debt/OverdueBands.hpp"
#include "quarn/debt/frmDebtOfClients.hpp"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace Talvex::Web {

using json = nlohmann::json;
using Quarn_DuzAde::DebtOfClientsFill;
using Quarn_DuzAde::DebtOfClientsRow;
using Quarn_DuzAde::DebtOfClientsSourceRow;
using Quarn_DuzAde::frmDebtOfClients;

namespace {

constexpr const char* kBandNames[kDebtBandCount] = {"not yet due", "1-30 days overdue", "31-60 days overdue",
                                                    "61-90 days overdue", "over 90 days overdue"};

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
    // The term's due date rides along; the report's own columns stay as they are.
    list->Fields().AddField("NeedPayDate", FieldType::kDate, list->Alias() + ".NeedPayDate");
    list->Refresh();
    auto source = list->Recordset();
    DebtFigures figures;
    DebtOfClientsFill fill(period.begDate, period.endDate);
    figures.months.assign(static_cast<std::size_t>(fill.MonthCount()), Currency());
    if (!source) return figures;
    const auto fields = frmDebtOfClients::FieldsOf(*source);
    const std::size_t dueField = source->Fields().Item("NeedPayDate").Index();
    std::vector<DueTerm> terms;
    terms.reserve(source->ViewRows().size());
    for (std::size_t stored : source->ViewRows()) {
        const DebtOfClientsSourceRow row = frmDebtOfClients::ReadSourceRow(*source, fields, stored);
        fill.Add(row);
        const Value& due = source->StoredValue(stored, dueField);
        terms.push_back({due.IsNull() ? row.documentDate : due.ToDate(), row.accNeedPaySum});
    }
    figures.documents = terms.size();
    figures.bands = OverdueBands(terms, period.endDate);
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
    for (int i = 0; i < kDebtBandCount; ++i)
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
                 {"note", "Open on " + period.endDate.ToIso() + ", " + std::to_string(figures.documents) + " terms"},
                 {"begDate", period.begDate.ToIso()},
                 {"endDate", period.endDate.ToIso()},
                 {"lists",
                  {{{"caption", "Overdue"}, {"kind", "bands"}, {"items", bands}},
                   {{"caption", "By month of the document"}, {"kind", "months"}, {"items", months}}}}};
    if (!opens.empty()) tile["opens"] = opens;
    return tile;
}

// The cash position: the cash-flow cube's actual rest with the tile's parameters, from the
// report's own fetch and compute, so the figure is the grand total the cube opens with.
json CashTileJson(const std::shared_ptr<Book>& book)
{
    const Quarn_DuzAde::CashFlowParams params = CashTileParams(*book);
    const auto rows = Quarn_DuzAde::RCashFlow::Compute(book, params);
    json kinds = json::array();
    Currency total;
    for (const auto& [kind, totals] : rows.TotalsByFlowKind()) {
        total += totals.factRest;
        kinds.push_back({{"label", kind}, {"value", Money(totals.factRest)}});
    }
    return {{"name", "cash"},
            {"caption", "Cash position"},
            {"total", Money(total)},
            {"note", "Cash on account " + params.acc + " on " + params.endDate.ToIso() + ", the payment day of " +
                         book->Today().ToIso()},
            {"begDate", params.begDate.ToIso()},
            {"endDate", params.endDate.ToIso()},
            {"lists", {{{"caption", "By flow kind"}, {"kind", "accounts"}, {"items", kinds}}}},
            {"opens", "RCashFlow"}};
}

// The sales cube's own list of a period, summed: the cube's grand total of "Summa".
Currency SalesOf(const std::shared_ptr<Book>& book, Date begDate, Date endDate)
{
    auto report = std::make_shared<Quarn_DuzAde::RSale>();
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("DateBeg", FieldType::kDate, Value(begDate));
    params.Add("DateEnd", FieldType::kDate, Value(endDate));
    if (!report->Prepare(params)) throw ValueError("The sales cube needs a Book");
    auto list = report->CreateSalesList(false);
    list->Refresh();
    auto rows = list->Recordset();
    Currency sum;
    if (!rows) return sum;
    const std::size_t field = rows->Fields().Item("Summa").Index();
    for (std::size_t stored : rows->ViewRows()) {
        const Value& v = rows->StoredValue(stored, field);
        if (!v.IsNull()) sum += v.ToCurrency();
    }
    return sum;
}

json SalesTileJson(const std::shared_ptr<Book>& book, Date today)
{
    const SalesMonths months = SalesTileMonths(today);
    const Currency now = SalesOf(book, months.thisBeg, months.thisEnd);
    const Currency before = SalesOf(book, months.lastBeg, months.lastEnd);
    json items = json::array();
    items.push_back({{"label", MonthLabel(months.thisBeg)}, {"value", Money(now)}});
    items.push_back({{"label", MonthLabel(months.lastBeg)}, {"value", Money(before)}});
    json tile = {{"name", "sales"},
                 {"caption", "Sales this month"},
                 {"total", Money(now)},
                 {"note", "Against " + MonthLabel(months.lastBeg) + ", without VAT"},
                 {"begDate", months.thisBeg.ToIso()},
                 {"endDate", months.thisEnd.ToIso()},
                 {"lists", {{{"caption", "This month and a year before"}, {"kind", "sales"}, {"items", items}}}},
                 {"opens", "RSale"}};
    // The change in per cent, one decimal; none against a month without sales.
    if (before.Units() != 0)
        tile["changePercent"] = std::round((now - before).ToDouble() / before.ToDouble() * 1000.0) / 10.0;
    return tile;
}

} // namespace

SalesMonths SalesTileMonths(Date today)
{
    const Date first = today.FirstOfMonth();
    const Date yearBefore = first.AddMonthsClamped(-12);
    Date lastEnd = yearBefore.AddDays(static_cast<std::int32_t>(today.Day()) - 1);
    if (lastEnd > yearBefore.LastOfMonth()) lastEnd = yearBefore.LastOfMonth();
    return {first, today, yearBefore, lastEnd};
}

DebtBands OverdueBands(const std::vector<DueTerm>& terms, Date today)
{
    // The debt reports' own band builder, with the bounds 1, 30, 60 and 90 days late.
    static const Quarn_DuzAde::OverdueBands kBands = Quarn_DuzAde::OverdueBands::FromIntervals(
        {{1, false, 1}, {30, false, 2}, {60, false, 3}, {90, false, 4}}, "Not yet due", "Overdue");
    static_assert(kDebtBandCount == 5);
    DebtBands result;
    for (const auto& term : terms)
        result.bands[kBands.BandOf(Quarn_DuzAde::OverdueBands::DelayDays(term.due, today))] += term.open;
    return result;
}

Quarn_DuzAde::CashFlowParams CashTileParams(Book& book)
{
    Quarn_DuzAde::CashFlowParams params = Quarn_DuzAde::RCashFlow::DefaultParams(book);
    const Date today = book.Today();
    params.begDate = today.FirstOfMonth();
    // Money moves on payment days: what today brings stands on the next one.
    params.endDate = Quarn_DuzAde::CashFlowDays::PaymentDay(today);
    params.planRest = params.sfRest = false;
    params.factRest = true;
    return params;
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
    // Each tile says what it cost, for the bench that reads the page.
    auto timed = [&tiles](auto&& compute) {
        const auto from = std::chrono::steady_clock::now();
        json tile = compute();
        tile["computeMs"] =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - from).count();
        tiles.push_back(std::move(tile));
    };
    timed([&] {
        return DebtTileJson("receivables", "Receivables", ComputeDebt(book, period, 2), period, "CDebtOfClients");
    });
    timed([&] { return DebtTileJson("payables", "Payables", ComputeDebt(book, period, 1), period, "RDebtOfEntpr"); });
    timed([&] { return CashTileJson(book); });
    timed([&] { return SalesTileJson(book, today); });
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    json message = {{"t", "start"},
                    {"today", today.ToIso()},
                    {"currency", book->AccountCurrency()},
                    {"tiles", tiles},
                    {"computeMs", spent}};
    return message.dump();
}

TileReport PrepareTileReport(Book& book, std::string_view tile)
{
    if (tile == "sales") {
        const SalesMonths months = SalesTileMonths(book.Today());
        return {"RSale", {{"DateBeg", months.thisBeg}, {"DateEnd", months.thisEnd}}};
    }
    // Vendor debt opens in its cube on today's date, the day the tile counts its bands on.
    if (tile == "payables") return {"RDebtOfEntpr", {}};
    if (tile == "cash") {
        const Quarn_DuzAde::CashFlowParams params = CashTileParams(book);
        UserSettings settings(book);
        const std::string_view key = Quarn_DuzAde::RCashFlow::kSettingsKey;
        settings.Save(key, "AccSet", Value(params.accSetBudget));
        settings.Save(key, "GenAcc", Value(params.accBudget));
        settings.Save(key, "AnType", Value(params.flowKindAnlt));
        settings.Save(key, "Acc", Value(params.acc));
        settings.Save(key, "Rests", Value(std::string("001")));
        return {"RCashFlow", {{"BegDate", params.begDate}, {"EndDate", params.endDate}}};
    }
    if (tile != "receivables") throw ValueError("The tile '" + std::string(tile) + "' opens no report");
    const TilePeriod period = DebtTilePeriod(book.Today());
    UserSettings settings(book);
    const std::string_view key = frmDebtOfClients::kSettingsKey;
    settings.Save(key, "BegDate", Value(period.begDate));
    settings.Save(key, "EndDate", Value(period.endDate));
    settings.Save(key, "Department", Value(std::string()));
    settings.Save(key, "Person", Value(std::string()));
    return {"CDebtOfClients", {}};
}

} // namespace Talvex::Web
