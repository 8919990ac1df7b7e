#include "host/erp/ClientLimitService.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Erp {

namespace {

// The client's card, locked for the unit by a write that changes nothing, so that a hand set
// by another session is waited for and then seen.
constexpr std::string_view kLockClient = R"sql(
UPDATE REFClient SET IsLimitSetManually = IsLimitSetManually WHERE Code = ?
)sql";
constexpr std::string_view kIsLimitSetManually = R"sql(
SELECT IsLimitSetManually FROM REFClient WHERE Code = ?
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
    // A card changed by another session since this unit's snapshot cannot be locked in it
    // (the server refuses to serialize the two): a unit of its own is then begun again and
    // reads the card as the other session left it. Inside a caller's unit the refusal stands.
    const bool ownUnit = !book.Db().InTransaction();
    for (int attempt = 1;; ++attempt) {
        try {
            Data::Transaction unit(book.Db());
            if (book.Db().Execute(kLockClient, {Value(clientCode)}) == 0)
                throw ValueError("Client: no client has the code \"" + clientCode + "\"");
            if (book.Db().Query(kIsLimitSetManually, {Value(clientCode)}).rows.at(0).at(0).ToInteger() == 1)
                return false;
            book.Db().Query(kSetLimit, {Value(clientCode), Value(limit)});
            unit.Commit();
            return true;
        } catch (const DatabaseError& e) {
            if (!ownUnit || attempt >= 3 || std::string_view(e.what()).find("could not serialize") == std::string_view::npos)
                throw;
        }
    }
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
