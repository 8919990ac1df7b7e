#pragma once

#include "host/data/recordset/DataType.hpp"
#include "host/objects/Field.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// A column of a report's result list: its name, its recordset type and its host kind.
struct ResultColumn {
    const char* name;
    Talvex::Data::DataTypeEnum type;
    Talvex::FieldType kind;
};

// The list a report hands to the host ("DataList"): an in-memory recordset of the columns,
// filled a row at a time, standing at its first row when finished.
class ResultListBuilder {
public:
    ResultListBuilder(std::shared_ptr<Talvex::Book> book, std::span<const ResultColumn> columns);
    ~ResultListBuilder();
    // One value a column, in the columns' order; a row of another length throws ValueError.
    void AddRow(std::span<const Talvex::Value> values);
    std::shared_ptr<Talvex::DataList> Finish();

private:
    std::shared_ptr<Talvex::DataList> list_;
    std::shared_ptr<Talvex::Data::Recordset> rs_;
    std::size_t columns_;
};

// A stored text of a read list's row; empty for NULL.
std::string StoredText(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field);

} // namespace Quarn_DuzAde
