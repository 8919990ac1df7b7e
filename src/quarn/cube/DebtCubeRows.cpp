#include "quarn/cube/DebtCubeRows.hpp"

#include "host/cube/CubeSource.hpp"
#include "host/data/Recordset.hpp"
#include "quarn/debt/OverdueBands.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

struct Column {
    const char* name;
    DataTypeEnum type;
    std::int64_t size;
};

// The cube's columns in the order the record is written.
constexpr Column kColumns[] = {
    {"IDC", DataTypeEnum::BigInt, 0},
    {"DocTypeCode", DataTypeEnum::VarChar, 20},
    {"Number", DataTypeEnum::VarChar, 60},
    {"DocumentDate", DataTypeEnum::Date, 0},
    {"DocDate", DataTypeEnum::Date, 0},
    {"DocSumma", DataTypeEnum::Currency, 0},
    {"CurrencyCode", DataTypeEnum::VarChar, 10},
    {"NeedPaySum", DataTypeEnum::Currency, 0},
    {"NextPaySum", DataTypeEnum::Currency, 0},
    {"NotLinkPaySum", DataTypeEnum::Currency, 0},
    {"AccNeedPaySum", DataTypeEnum::Currency, 0},
    {"AccNotLinkPaySum", DataTypeEnum::Currency, 0},
    {"DataPayType", DataTypeEnum::VarChar, 200},
    {"DelayDays", DataTypeEnum::Integer, 0},
    {"Department", DataTypeEnum::VarChar, 400},
    {"Person", DataTypeEnum::VarChar, 400},
    {"Client", DataTypeEnum::VarChar, 400},
    {"DepCode", DataTypeEnum::VarChar, 40},
    {"PerCode", DataTypeEnum::VarChar, 40},
    {"ClnCode", DataTypeEnum::VarChar, 40},
    {"ClientName", DataTypeEnum::VarChar, 400},
    {"ClientAddress", DataTypeEnum::VarChar, 400},
    {"ClientFax", DataTypeEnum::VarChar, 100},
    {"ClientPhone", DataTypeEnum::VarChar, 100},
    {"PlantCode", DataTypeEnum::VarChar, 100},
};

// A text column coded against its distinct values in the order they first occur.
Talvex::Cube::CodedColumn Coded(const std::vector<DebtCubeSourceRow>& rows,
                                const std::string DebtCubeSourceRow::*member)
{
    Talvex::Cube::CodedColumn column;
    std::map<std::string, std::uint32_t> codes;
    column.codes.reserve(rows.size());
    for (const auto& row : rows) {
        auto [at, added] = codes.emplace(row.*member, static_cast<std::uint32_t>(column.members.size()));
        if (added) column.members.emplace_back(row.*member);
        column.codes.push_back(at->second);
    }
    return column;
}

} // namespace

struct DebtCubeRows::Columns {
    Talvex::Cube::CodedColumn department;
    Talvex::Cube::CodedColumn person;
    Talvex::Cube::CodedColumn client;
    std::vector<Talvex::Currency> accNeedPaySum;
    std::vector<Talvex::Currency> accNotLinkPaySum;
    std::vector<long> delayDays;
};

DebtCubeRows::DebtCubeRows(std::vector<DebtCubeSourceRow> rows, Talvex::Date reportDate)
    : rows_(std::move(rows)), reportDate_(reportDate)
{
    auto columns = std::make_shared<Columns>();
    columns->department = Coded(rows_, &DebtCubeSourceRow::department);
    columns->person = Coded(rows_, &DebtCubeSourceRow::person);
    columns->client = Coded(rows_, &DebtCubeSourceRow::client);
    for (const auto& row : rows_) {
        columns->accNeedPaySum.push_back(row.accNeedPaySum);
        columns->accNotLinkPaySum.push_back(row.accNotLinkPaySum);
        columns->delayDays.push_back(DelayDays(row));
    }
    columns_ = std::move(columns);
}

Talvex::Cube::CubeSource DebtCubeRows::ToCubeSource(const OverdueBands& bands) const
{
    Talvex::Cube::CodedColumn band;
    for (const auto& b : bands.Bands())
        band.members.emplace_back(b.label);
    band.codes.reserve(rows_.size());
    for (long delay : columns_->delayDays)
        band.codes.push_back(static_cast<std::uint32_t>(bands.BandOf(delay)));
    // A band no row falls into is no member of the cube.
    std::vector<std::uint32_t> used(band.members.size(), 0);
    for (auto code : band.codes)
        used[code] = 1;
    Talvex::Cube::CodedColumn kept;
    std::vector<std::uint32_t> renumbered(band.members.size(), 0);
    for (std::size_t i = 0; i < band.members.size(); ++i)
        if (used[i]) {
            renumbered[i] = static_cast<std::uint32_t>(kept.members.size());
            kept.members.push_back(band.members[i]);
        }
    kept.codes.reserve(band.codes.size());
    for (auto code : band.codes)
        kept.codes.push_back(renumbered[code]);

    Talvex::Cube::CubeSource source;
    source.AddColumn("Department", columns_->department);
    source.AddColumn("Person", columns_->person);
    source.AddColumn("Client", columns_->client);
    source.AddColumn("DataPayType", std::move(kept));
    source.AddColumn("AccNeedPaySum", columns_->accNeedPaySum);
    source.AddColumn("AccNotLinkPaySum", columns_->accNotLinkPaySum);
    return source;
}

long DebtCubeRows::DelayDays(const DebtCubeSourceRow& row) const
{
    return OverdueBands::DelayDays(row.dueDate, reportDate_);
}

std::shared_ptr<Talvex::Data::Recordset> DebtCubeRows::ToRecordset(const OverdueBands& bands) const
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (const auto& column : kColumns)
        rs->Fields().Append(column.name, column.type, column.size);
    rs->Open();
    for (const auto& row : rows_) {
        const long delay = DelayDays(row);
        const Value values[] = {Value(row.idc),
                                Value(row.docTypeCode),
                                Value(row.number),
                                Value(row.dueDate),
                                Value(row.docDate),
                                Value(row.docSumma),
                                Value(row.currencyCode),
                                Value(row.needPaySum),
                                Value(row.nextPaySum),
                                Value(row.notLinkPaySum),
                                Value(row.accNeedPaySum),
                                Value(row.accNotLinkPaySum),
                                Value(bands.LabelOf(delay)),
                                Value(static_cast<std::int64_t>(delay)),
                                Value(row.department),
                                Value(row.person),
                                Value(row.client),
                                Value(row.depCode),
                                Value(row.perCode),
                                Value(row.clnCode),
                                Value(std::string()),
                                Value(std::string()),
                                Value(std::string()),
                                Value(std::string()),
                                Value(std::string())};
        rs->AddNew();
        for (std::size_t i = 0; i < std::size(values); ++i)
            rs->Fields().Item(i).SetValue(values[i]);
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

std::map<std::string, DebtCubeRows::BandTotals> DebtCubeRows::TotalsByBand(const OverdueBands& bands) const
{
    std::map<std::string, BandTotals> totals;
    for (const auto& row : rows_) {
        auto& band = totals[bands.LabelOf(DelayDays(row))];
        band.accNeedPaySum += row.accNeedPaySum;
        band.accNotLinkPaySum += row.accNotLinkPaySum;
    }
    return totals;
}

} // namespace Quarn_DuzAde
