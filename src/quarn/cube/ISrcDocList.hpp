#pragma once

#include <memory>
#include <string>

namespace Talvex {
class DataList;
class FieldList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// A provider of the source documents behind a cube cell (or a list report's row), read by
// the drill-down list form (CubeSrcList). In SQL mode the form queries SourceList under the
// alias "oTable" with Filter; in recordset mode (ListIsFill) it filters SourceRst in memory.
class ISrcDocList {
public:
    virtual ~ISrcDocList() = default;

    virtual std::shared_ptr<Talvex::DataList> SourceList() = 0;
    virtual std::shared_ptr<Talvex::Data::Recordset> SourceRst() = 0;
    virtual bool ListIsFill() = 0;
    // The columns the drill-down list shows.
    virtual Talvex::FieldList& ShowFields() = 0;
    // The condition that selects the rows of the chosen cell; empty: every row. In recordset
    // mode it is a recordset filter, in SQL mode a T-SQL condition.
    virtual std::string Filter() = 0;
    virtual std::string FltrInfo() = 0;
    virtual std::string PeriodFltrInfo() = 0;
    virtual std::string Caption() = 0;
    // In recordset mode, show each document ("IDC") once.
    virtual bool DistinctByIDC() = 0;
};

} // namespace Quarn_DuzAde
