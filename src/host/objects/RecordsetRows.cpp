#include "host/objects/RecordsetRows.hpp"

#include "host/data/Recordset.hpp"

namespace Talvex::Ui {

RecordsetRows ReadRecordsetRows(const Data::Recordset& recordset, std::vector<std::string> columns)
{
    // A clone starts on the first record of the same view and leaves the original's cursor alone.
    auto rs = recordset.Clone();
    RecordsetRows result;
    std::vector<std::size_t> fieldIndex;
    if (columns.empty()) {
        for (std::size_t i = 0; i < rs->Fields().Count(); ++i) {
            columns.push_back(rs->Fields().Item(i).Name());
            fieldIndex.push_back(i);
        }
    } else {
        for (const auto& column : columns)
            fieldIndex.push_back(rs->Fields().Item(column).Index());
    }
    result.columns = std::move(columns);
    result.rows.reserve(static_cast<std::size_t>(rs->RecordCount()));
    for (; !rs->Eof(); rs->MoveNext()) {
        std::vector<Value> row;
        row.reserve(fieldIndex.size());
        for (std::size_t index : fieldIndex)
            row.push_back(rs->Fields().Item(index).Value());
        result.rows.push_back(std::move(row));
    }
    return result;
}

std::shared_ptr<TableRowSource> RecordsetRowSource(const Data::Recordset& recordset, std::vector<std::string> columns)
{
    RecordsetRows read = ReadRecordsetRows(recordset, std::move(columns));
    auto source = std::make_shared<TableRowSource>(std::move(read.columns));
    for (auto& row : read.rows)
        source->AddRow(std::move(row));
    return source;
}

} // namespace Talvex::Ui
