#include "host/erp/ClientLimitService.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Erp {

namespace {

// The client's card, locked for the unit so that a hand set meanwhile is seen.
constexpr std::string_view kClientForUpdate = R"sql(
SELECT IsLimitSetManually FROM REFClient WHERE Code = ? FOR UPDATE
)sql";

constexpr std::string_view kSetLimit = R"sql(
SELECT GLSetClientLimit(?, ?)
)sql";

} // namespace

void ClientLimitService::Init(std::shared_ptr<Book> book)
{
    if (!book) throw ValueError("ClientLimitService.Init: no Book");
    book_ = std::move(book);
}

Book& ClientLimitService::BookChecked() const
{
    if (!book_) throw ValueError("ClientLimitService: Init was not called");
    return *book_;
}

bool ClientLimitService::SetLimit(const std::string& clientCode, Currency limit)
{
    auto& book = BookChecked();
    if (clientCode.empty()) throw ValueError("Client: a credit limit needs a client code");
    if (limit < Currency())
        throw ValueError("Limit: the credit limit of client \"" + clientCode + "\" must not be negative, not " +
                         limit.ToString());
    Data::Transaction unit(book.Db());
    auto rs = book.Db().Query(kClientForUpdate, {Value(clientCode)});
    if (rs.rows.empty()) throw ValueError("Client: no client has the code \"" + clientCode + "\"");
    if (rs.rows[0][0].ToInteger() == 1) return false;
    book.Db().Query(kSetLimit, {Value(clientCode), Value(limit)});
    unit.Commit();
    return true;
}

std::string ClientLimitService::Plant() const
{
    const Value plant = BookChecked().Setting("MyPlant");
    return plant.IsEmpty() || plant.IsNull() ? std::string() : plant.ToText();
}

std::shared_ptr<DataList> ClientLimitService::BalanceList(Date repDate) const
{
    auto list = BookChecked().CreateList("GLContLimitBalance");
    list->Params().Item("RepDate").SetValue(Value(repDate));
    return list;
}

} // namespace Talvex::Erp
