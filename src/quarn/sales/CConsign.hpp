#pragma once

#include "host/types/Date.hpp"
#include "quarn/sales/ConsignFigures.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// Goods taken from vendors on consignment: what of each purchase row is still in stock, what
// is due for payment and what was sold, per vendor and good.
class CConsign {
public:
    void Init(std::shared_ptr<Talvex::Book> book);

    // The consignment rows: each goods row of the posted incoming documents of the types (a
    // comma list) dated up to the report date, of the vendors of the market groups (a comma
    // list; empty: all) under the client-tree node (empty: anywhere), with the fixation
    // categories (a comma list; empty: all). Net sums are in the accounting currency.
    std::vector<ConsignSourceRow> ReadRows(const std::string& docTypes, Talvex::Date repDate,
                                           const std::string& marketGroup, const std::string& clientGr,
                                           const std::string& sFixCatList) const;

    // One row per vendor and good with a rest: Code, Name (the vendor), GoodCode, GoodName,
    // UnitCode, Rest, RestAmount, RestForPayAmount; ordered by vendor, then good.
    std::shared_ptr<Talvex::Data::Recordset> RestByVendor(Talvex::Date repDate, const std::string& marketGroup,
                                                          const std::string& clientGr = {},
                                                          const std::string& sFixCatList = {}) const;

private:
    Talvex::Book& BookChecked() const;
    std::shared_ptr<Talvex::DataList> RowSource(const std::string& docTypes, Talvex::Date repDate,
                                                const std::string& marketGroup, const std::string& clientGr,
                                                const std::string& sFixCatList) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
