#include "host/erp/documents/THDocumentObject.hpp"

#include "host/erp/DocumentHeader.hpp"
#include "host/erp/documents/CPayedDoc.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DocumentOpener.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace Talvex::Erp {

namespace {

// The header columns a document object carries.
constexpr const auto& kColumns = kDocumentHeaderColumns;

constexpr std::string_view kNextNumber = R"sql(
SELECT dbo.THNextDocNumber(?, ?)
)sql";

constexpr std::string_view kRowsOfDocument = R"sql(
SELECT IDC FROM THGoodSpec WHERE DocID = ? ORDER BY PosNumb
)sql";

constexpr std::string_view kIsPostedById = R"sql(
SELECT IsPosted FROM THDocument WHERE IDC = ?
)sql";

constexpr std::string_view kDeletePayLinks = R"sql(
DELETE FROM THPaySpec WHERE DocID = ? OR CorDocID = ?
)sql";
constexpr std::string_view kDeleteParties = R"sql(
DELETE FROM THPartyAttribute WHERE DocID = ?
)sql";
// The goods rows go with the document, and the cash plan's lines with them.
constexpr std::string_view kDeleteRows = R"sql(
DELETE FROM THGoodSpecCPAY WHERE DocID = ?;
DELETE FROM THGoodSpec WHERE DocID = ?
)sql";
constexpr std::string_view kDeleteDocument = R"sql(
DELETE FROM THDocument WHERE IDC = ?
)sql";

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view ColumnNamed(std::string_view name)
{
    for (auto column : kColumns)
        if (SameName(column, name)) return column;
    throw ValueError("THDocument: no field \"" + std::string(name) + "\"");
}

} // namespace

THDocumentObject::THDocumentObject(std::shared_ptr<Book> book) : book_(std::move(book))
{
    if (!book_) throw ValueError("THDocumentObject: a Book is needed");
}

void THDocumentObject::New(const std::string& docTypeCode)
{
    if (docTypeCode.empty()) throw ValueError("THDocumentObject.New: document type is empty");
    idc_ = 0;
    fields_.clear();
    rows_.clear();
    rowsRead_ = false;
    fields_["DocTypeCode"] = docTypeCode;
    fields_["DocumentDate"] = book_->Today();
    fields_["CurrencyCode"] = book_->AccountCurrency();
    fields_["Summa"] = Currency();
    fields_["IsPosted"] = 0;
    fields_["IsKredit"] = 0;
}

Value& THDocumentObject::Fields(std::string_view name)
{
    return fields_[std::string(ColumnNamed(name))];
}

const Value& THDocumentObject::Fields(std::string_view name) const
{
    static const Value kUnset;
    auto it = fields_.find(ColumnNamed(name));
    return it == fields_.end() ? kUnset : it->second;
}

std::string THDocumentObject::NextNumber()
{
    const std::string type = Fields("DocTypeCode").ToText();
    if (type.empty()) throw ValueError("THDocumentObject.NextNumber: document type is empty");
    const Value& date = Fields("DocumentDate");
    const int year = date.IsEmpty() || date.IsNull() ? book_->Today().Year() : date.ToDate().Year();
    // Taken in the caller's transaction through the key of issued numbers: a writer of the
    // same type at the same time waits for this unit of work to end, then takes the next.
    auto rs = book_->Db().Query(kNextNumber, {Value(type), Value(year)});
    return rs.rows.at(0).at(0).ToText();
}

std::int64_t THDocumentObject::Save()
{
    if (Fields("DocTypeCode").ToText().empty()) throw ValueError("THDocumentObject.Save: document type is empty");
    Data::Transaction tx(book_->Db());
    // The number is drawn inside the unit that writes the document, so that it is issued
    // exactly when the document is.
    if (Fields("Number").ToText().empty()) Fields("Number") = NextNumber();
    if (Fields("Code").IsEmpty() || Fields("Code").IsNull() || Fields("Code").ToText().empty())
        Fields("Code") = Fields("Number").ToText();

    // Only the fields that were given are written: the others keep the table's defaults.
    std::vector<Value> params;
    params.reserve(fields_.size() + 1);
    std::string columns;
    std::string placeholders;
    std::string assignments;
    for (const auto& [name, value] : fields_) {
        if (value.IsEmpty()) continue;
        if (!params.empty()) {
            columns += ", ";
            placeholders += ", ";
            assignments += ", ";
        }
        columns += name;
        placeholders += "?";
        assignments += name + " = ?";
        params.push_back(value);
    }

    try {
        if (idc_ == 0) {
            auto rs = tx.Db().Query("INSERT INTO THDocument (" + columns + ") VALUES (" + placeholders +
                                        "); SELECT SCOPE_IDENTITY()",
                                    params);
            idc_ = rs.rows.at(0).at(0).ToInteger();
        } else {
            params.emplace_back(idc_);
            if (tx.Db().Execute("UPDATE THDocument SET " + assignments + " WHERE IDC = ?", params) != 1)
                throw ValueError("THDocument " + Describe() + ": no longer in the database");
        }
    } catch (const DatabaseError& e) {
        throw DatabaseError("THDocument " + Describe() + ": " + e.what());
    }
    tx.Commit();
    return idc_;
}

void THDocumentObject::Load(std::int64_t idc)
{
    std::string columns;
    for (auto column : kColumns)
        columns += (columns.empty() ? "" : ", ") + std::string(column);
    auto rs = book_->Db().Query("SELECT " + columns + " FROM THDocument WHERE IDC = ?", {idc});
    if (rs.rows.empty()) throw ValueError("THDocument: no document with IDC " + std::to_string(idc));
    fields_.clear();
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        fields_[std::string(kColumns[i])] = rs.rows[0].at(i);
    idc_ = idc;
    rows_.clear();
    rowsRead_ = false;
}

std::vector<std::shared_ptr<TableObject>>& THDocumentObject::Rows()
{
    if (!rowsRead_ && idc_ != 0) {
        for (const auto& row : book_->Db().Query(kRowsOfDocument, {idc_}).rows) {
            auto goodsRow = book_->CreateTableObject("THGoodSpec");
            if (goodsRow->Load(row.at(0).ToInteger())) rows_.push_back(std::move(goodsRow));
        }
    }
    rowsRead_ = true;
    return rows_;
}

void THDocumentObject::WriteBack(bool recalculate)
{
    if (idc_ == 0) throw ValueError("THDocument: a document never loaded or saved cannot be written back");
    Data::Transaction unit(book_->Db());
    auto& rows = Rows();
    if (recalculate) {
        Currency total;
        for (auto& row : rows) {
            row->Set("IsCostChanged", Value(0));
            total += row->Get("Summa").ToCurrency();
        }
        if (!rows.empty()) Fields("Summa") = Value(total);
        Fields("IsCostChanged") = Value(0);
    }
    for (auto& row : rows) {
        if (row->Get("DocID").ToInteger() != idc_)
            throw ValueError("THDocument " + Describe() + ": a row of another document is among its rows");
        row->Save();
    }
    Save();
    unit.Commit();
}

void THDocumentObject::RemoveRows()
{
    if (idc_ == 0) throw ValueError("THDocument: a document not saved has no rows to remove");
    book_->Db().Execute(kDeleteRows, {idc_, idc_});
    rows_.clear();
    rowsRead_ = true;
}

Currency THDocumentObject::Link(std::int64_t targetIdc, Currency amount)
{
    CPayedDoc payedDoc;
    payedDoc.Init(*this);
    return payedDoc.LinkTo(targetIdc, amount);
}

bool THDocumentObject::IsPosted() const
{
    const Value& posted = Fields("IsPosted");
    return !posted.IsEmpty() && !posted.IsNull() && posted.ToInteger() != 0;
}

void THDocumentObject::Delete()
{
    if (idc_ == 0) throw ValueError("THDocument: a document not saved cannot be deleted");
    Data::Transaction tx(book_->Db());
    // The stored flag decides, not the object's copy: the document may have been posted since.
    auto rs = tx.Db().Query(kIsPostedById, {idc_});
    if (rs.rows.empty()) throw ValueError("THDocument " + Describe() + ": no longer in the database");
    if (rs.rows[0].at(0).ToInteger() != 0)
        throw ValueError("THDocument " + Describe() + ": a posted document cannot be deleted");
    tx.Db().Execute(kDeletePayLinks, {idc_, idc_});
    tx.Db().Execute(kDeleteParties, {idc_});
    tx.Db().Execute(kDeleteRows, {idc_, idc_});
    tx.Db().Execute(kDeleteDocument, {idc_});
    tx.Commit();
    idc_ = 0;
    fields_.clear();
    rows_.clear();
    rowsRead_ = false;
}

void THDocumentObject::OpenInWindow(Ui::DocumentOpener& opener) const
{
    if (idc_ == 0) throw ValueError("THDocument: a document not saved cannot be opened");
    opener.Open(Fields("DocTypeCode").ToText(), idc_);
}

std::string THDocumentObject::Describe() const
{
    const std::string number = Fields("Number").IsEmpty() ? std::string() : Fields("Number").ToText();
    return number.empty() ? "IDC " + std::to_string(idc_) : number;
}

} // namespace Talvex::Erp
