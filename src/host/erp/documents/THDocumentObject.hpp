#pragma once

#include "host/objects/AtomObject.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
class TableObject;
namespace Ui {
class DocumentOpener;
}
} // namespace Talvex

namespace Talvex::Erp {

// The header of one ERP document (THDocument) as the host edits it: a new document gets the
// next number of its type, its fields are set by name, and saving, loading and deleting
// write through the Book's connection, each as one unit of work.
class THDocumentObject : public AtomObject {
public:
    explicit THDocumentObject(std::shared_ptr<Book> book);

    std::string ObjectName() const override { return "THDocument"; }

    // Starts a new, unsaved document of the type, dated the Book's today, in the account
    // currency and with a zero sum.
    void New(const std::string& docTypeCode);

    // "SUSM-2026-000001": the next free number of the document's type in the year of its date.
    std::string NextNumber();

    // A header column by name ("DocTypeCode", "Summa", "IsKredit"); ValueError for a name
    // THDocument does not have.
    Value& Fields(std::string_view name);
    const Value& Fields(std::string_view name) const;

    // Inserts a new document or updates the loaded one; returns its IDC. An empty Code takes
    // the Number, the way the document lists show a document.
    std::int64_t Save();
    // ValueError when no document has the IDC.
    void Load(std::int64_t idc);
    // Removes the document with its parties and its payment links on either side; ValueError
    // for a posted document or one never saved.
    void Delete();

    // The document's goods rows (THGoodSpec) in position order, read on first use after a
    // load; edited in place and written by WriteBack.
    std::vector<std::shared_ptr<TableObject>>& Rows();

    // Writes the loaded document back, header and rows, as one unit of work inside the
    // caller's. recalculate: the document is saved as its editor saves it after a change of
    // its rows: the header's Summa becomes the sum of its rows (when it has rows) and the
    // cost-changed marks of header and rows are cleared. ValueError for a document never
    // loaded or saved.
    void WriteBack(bool recalculate);
    // Deletes the saved document's goods rows (and a cash plan's lines), so that an editor can
    // write them anew in its unit of work.
    void RemoveRows();

    // Pays the target document from this one (a payment linked to the invoice it settles):
    // amount in this document's currency, 0 for as much as is open on the target and left of
    // this document. Returns the amount linked; ValueError when more is asked than is open.
    Currency Link(std::int64_t targetIdc, Currency amount);

    bool IsPosted() const;
    std::int64_t IDC() const { return idc_; }
    Book& OwnerBook() const { return *book_; }

    void OpenInWindow(Ui::DocumentOpener& opener) const;

private:
    std::string Describe() const;
    std::shared_ptr<Book> book_;
    std::int64_t idc_ = 0;
    std::map<std::string, Value, std::less<>> fields_;
    std::vector<std::shared_ptr<TableObject>> rows_;
    bool rowsRead_ = false;
};

} // namespace Talvex::Erp
