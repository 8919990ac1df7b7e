#pragma once

#include <string>

namespace Talvex {
class DataList;
class FieldList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde::OLAP {

// Small procedures the sales cubes share.

// A numbered text of the module's form resources; every cube caption comes through here.
std::string ResString(long id);

// The default sales parameters: "GoodCode" (empty), "DateBeg" 1 January 2002, "DateEnd"
// 31 December 2002, "IsGroup" 0. Parameters already present keep their values.
void AddDefaultSaleParams(Talvex::FieldList& params);

// The sales caption: for a goods node or good, text 15156 (group) or 15157 (good) and the
// code; then text 15057, "DateBeg", text 15058, "DateEnd" in the short date format.
std::string SaleCaption(const Talvex::FieldList& params);

// When the cube's list holds no rows, tells the user so: the numbered text, then the period
// of the parameters (begName - endName). Answers whether the list was empty.
bool TellWhenEmpty(Talvex::DataList& list, long textId, const Talvex::FieldList& params,
                   const char* begName = "DateBeg", const char* endName = "DateEnd");
// The same for rows computed in the module.
bool TellWhenEmpty(const Talvex::Data::Recordset& rows, long textId, const Talvex::FieldList& params,
                   const char* begName = "DateBeg", const char* endName = "DateEnd");

} // namespace Quarn_DuzAde::OLAP
