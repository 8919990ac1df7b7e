#include "host/objects/GoodsContent.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"

namespace Talvex {

std::shared_ptr<DataList> GoodsContent::ContentList(const std::shared_ptr<Book>& book)
{
    return book->CreateList("THGoodContent");
}

void GoodsContent::JoinContentSources(DataList& target, const std::string& contentAlias, const std::string& specAlias,
                                      const std::string& corDocAlias, int outer)
{
    auto book = target.BookPtr();
    auto goodsRows = book->CreateList("THGoodSpec");
    goodsRows->Fields().SelectFields({});
    target.Join(goodsRows, specAlias, contentAlias + ".CorSpecID = " + specAlias + ".IDC", outer);
    auto corDoc = book->CreateList("THDocument");
    corDoc->Fields().SelectFields({});
    target.Join(corDoc, corDocAlias, specAlias + ".DocID = " + corDocAlias + ".IDC", outer);
}

bool GoodsContent::DocTypeInUse(Book& book, const std::string& docTypeCode)
{
    auto rs = book.Db().Query("SELECT TOP 1 d.IDC FROM THDocument d WHERE d.DocTypeCode = ?", {Value(docTypeCode)});
    return !rs.rows.empty();
}

} // namespace Talvex
