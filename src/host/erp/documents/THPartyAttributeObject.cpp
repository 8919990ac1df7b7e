#include "host/erp/documents/THPartyAttributeObject.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Erp {

namespace {

constexpr std::string_view kClientExists = R"sql(
SELECT COUNT(*) FROM REFClient WHERE Code = ?
)sql";
constexpr std::string_view kPersonExists = R"sql(
SELECT COUNT(*) FROM REFPerson WHERE Code = ?
)sql";
constexpr std::string_view kInsertParty = R"sql(
INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode)
VALUES (?, ?, ?, ?, ?)
)sql";

} // namespace

THPartyAttributeObject::THPartyAttributeObject(std::shared_ptr<Book> book) : book_(std::move(book))
{
    if (!book_) throw ValueError("THPartyAttributeObject: a Book is needed");
}

void THPartyAttributeObject::Write(const PartyRow& row)
{
    if (row.docId <= 0) throw ValueError("THPartyAttribute.DocID: the document is not saved");
    if (row.rolePartyCode.empty()) throw ValueError("THPartyAttribute.RolePartyCode: empty");
    if (row.partyType != 1 && row.partyType != 2)
        throw ValueError("THPartyAttribute.PartyType: must be 1 (client) or 2 (person), not " +
                         std::to_string(row.partyType));

    Data::Transaction tx(book_->Db());
    auto found = tx.Db().Query(row.partyType == 1 ? kClientExists : kPersonExists, {row.partyCode});
    if (found.rows.at(0).at(0).ToInteger() == 0)
        throw ValueError(std::string("THPartyAttribute.PartyCode: ") + (row.partyType == 1 ? "client" : "person") +
                         " \"" + row.partyCode + "\" does not exist");
    tx.Db().Execute(kInsertParty, {row.docId, row.docTypeCode, row.rolePartyCode, row.partyType, row.partyCode});
    tx.Commit();
}

} // namespace Talvex::Erp
