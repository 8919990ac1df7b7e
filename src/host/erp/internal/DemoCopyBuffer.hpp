#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp::Demo {

// Rows of one table gathered in memory and sent with one COPY when flushed, so that the
// generator can fill many tables side by side although a connection runs one COPY at a time.
class DemoCopyBuffer {
public:
    DemoCopyBuffer(std::string table, std::vector<std::string> columns);

    DemoCopyBuffer& Int(std::int64_t value);
    DemoCopyBuffer& Text(std::string_view value);
    DemoCopyBuffer& Money(Currency value);
    DemoCopyBuffer& Cents(std::int64_t cents) { return Money(Currency::FromUnits(cents * 100)); }
    DemoCopyBuffer& Day(Date value);
    DemoCopyBuffer& Flag(bool value) { return Int(value ? 1 : 0); }
    DemoCopyBuffer& Null();
    DemoCopyBuffer& OptionalInt(std::optional<std::int64_t> value) { return value ? Int(*value) : Null(); }
    DemoCopyBuffer& OptionalText(std::string_view value) { return value.empty() ? Null() : Text(value); }
    // Ends a row; throws when it does not have one field per column.
    void EndRow();

    // Sends the gathered rows and forgets them; returns how many were sent.
    std::size_t Flush(Data::Connection& db);
    std::size_t TotalRows() const { return totalRows_; }
    const std::string& Table() const { return table_; }

private:
    std::string table_;
    std::vector<std::string> columns_;
    std::vector<std::optional<std::string>> fields_;
    std::size_t fieldsInRow_ = 0;
    std::size_t totalRows_ = 0;
};

} // namespace Talvex::Erp::Demo
