#include "host/erp/internal/DemoCopyBuffer.hpp"

#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"

#include <utility>

namespace Talvex::Erp::Demo {

DemoCopyBuffer::DemoCopyBuffer(std::string table, std::vector<std::string> columns)
    : table_(std::move(table)), columns_(std::move(columns))
{
}

DemoCopyBuffer& DemoCopyBuffer::Int(std::int64_t value)
{
    fields_.emplace_back(std::to_string(value));
    ++fieldsInRow_;
    return *this;
}

DemoCopyBuffer& DemoCopyBuffer::Text(std::string_view value)
{
    fields_.emplace_back(std::string(value));
    ++fieldsInRow_;
    return *this;
}

DemoCopyBuffer& DemoCopyBuffer::Money(Currency value)
{
    fields_.emplace_back(value.ToString());
    ++fieldsInRow_;
    return *this;
}

DemoCopyBuffer& DemoCopyBuffer::Day(Date value)
{
    fields_.emplace_back(value.ToIso());
    ++fieldsInRow_;
    return *this;
}

DemoCopyBuffer& DemoCopyBuffer::Null()
{
    fields_.emplace_back(std::nullopt);
    ++fieldsInRow_;
    return *this;
}

void DemoCopyBuffer::EndRow()
{
    if (fieldsInRow_ != columns_.size())
        throw ValueError(table_ + ": a row of " + std::to_string(fieldsInRow_) + " fields for " +
                         std::to_string(columns_.size()) + " columns");
    fieldsInRow_ = 0;
}

std::size_t DemoCopyBuffer::Flush(Data::Connection& db)
{
    if (fields_.empty()) return 0;
    const std::size_t rows = fields_.size() / columns_.size();
    auto copy = db.BeginCopy(table_, columns_);
    std::size_t column = 0;
    for (const auto& field : fields_) {
        if (field)
            copy.Add(std::string_view(*field));
        else
            copy.AddNull();
        if (++column == columns_.size()) {
            copy.EndRow();
            column = 0;
        }
    }
    copy.Finish();
    fields_.clear();
    totalRows_ += rows;
    return rows;
}

} // namespace Talvex::Erp::Demo
