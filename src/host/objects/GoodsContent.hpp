#pragma once

#include <memory>
#include <string>

namespace Talvex {

class Book;
class DataList;

// The host's goods-content services: how goods rows are linked to the rows they
// come from (THGoodContent: SpecID from CorSpecID), and which document types of the
// consignment chain the company uses.
class GoodsContent {
public:
    // A goods-content list, to be joined under the caller's alias ("GC").
    static std::shared_ptr<DataList> ContentList(const std::shared_ptr<Book>& book);
    // After the caller joined the content list under contentAlias: joins the row each link
    // comes from as specAlias and that row's document as corDocAlias (left outer when the
    // content join is), so "<corDocAlias>.IDC" reads in the caller's list.
    static void JoinContentSources(DataList& target, const std::string& contentAlias, const std::string& specAlias,
                                   const std::string& corDocAlias, int outer);
    // Whether documents of the type are kept: a type the company never wrote is not in use.
    static bool DocTypeInUse(Book& book, const std::string& docTypeCode);
};

} // namespace Talvex
