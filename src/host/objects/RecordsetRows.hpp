#pragma once

#include "host/types/Value.hpp"
#include "host/ui/TableRowSource.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Talvex::Ui {

// The records a recordset shows (through its filter, in its order) as rows of values, the
// form a grid, a local list or a printer takes them in: the named columns in that order, or
// every column of the recordset when none is named. The recordset's own cursor stays where
// it is. A column the recordset does not have throws ValueError naming it.
struct RecordsetRows {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};
RecordsetRows ReadRecordsetRows(const Data::Recordset& recordset, std::vector<std::string> columns = {});

// The same rows as the row source of a local list.
std::shared_ptr<TableRowSource> RecordsetRowSource(const Data::Recordset& recordset,
                                                   std::vector<std::string> columns = {});

} // namespace Talvex::Ui
