#pragma once

#include "host/objects/Field.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex {

class Book;

// One row of an ERP table as the host edits it: loaded by its IDC or by the columns of a
// key, its fields read and set by name (any case, as the ERP spells them) and checked
// against the column's kind, then saved (inserted when new, else updated) or deleted. Every
// write runs on the Book's connection inside the caller's unit of work: the object never
// commits what the caller's transaction has not.
class TableObject : public Object {
public:
    // ValueError when the database has no such table.
    TableObject(std::shared_ptr<Book> book, const std::string& tableName);

    const std::string& TableName() const { return tableName_; }
    bool HasField(std::string_view name) const;

    // False, and the object left empty, when no row has the IDC (or the key values). A key
    // several rows share loads the first written of them in a table with an IDC; in a table
    // without one it is refused (ValueError), since saving could not tell the rows apart.
    bool Load(std::int64_t idc);
    bool LoadByKey(const std::vector<std::pair<std::string, Value>>& key);
    // Starts a new row: every field empty, so that the table's defaults hold for the fields
    // not set. The next Save inserts.
    void AddNew();

    // ValueError naming the table and field for a name the table does not have.
    const Value& Get(std::string_view name) const;
    // ValueError when the value is not of the column's kind (text into an amount, a
    // fraction into a whole number); null is left to the table's own rules.
    void Set(std::string_view name, Value value);

    // Inserts a new row or updates the loaded one; returns its IDC (0 for a table without
    // one). DatabaseError naming the table and row when the database refuses.
    std::int64_t Save();
    // ValueError for a row never loaded or saved.
    void Delete();

    bool IsNew() const { return isNew_; }
    bool IsLoaded() const { return !isNew_; }
    std::int64_t IDC() const;

private:
    std::size_t IndexOf(std::string_view name) const;
    void ReadRow(const std::vector<Value>& row);
    std::string RowWhere(std::vector<Value>& params) const;
    std::string Describe() const;

    std::shared_ptr<Book> book_;
    std::string tableName_;
    std::vector<std::string> names_;
    std::vector<FieldType> types_;
    std::vector<Value> values_;
    std::vector<bool> changed_;
    int idcIndex_ = -1;
    // How the loaded row is found again when the table has no IDC: the key it was loaded by.
    std::vector<std::pair<std::size_t, Value>> rowKey_;
    bool isNew_ = true;
};

// The value a column of the kind takes, or ValueError naming what was given. Whole numbers
// become amounts, an integer 0 or 1 a flag; nothing else changes kind.
Value CheckedFieldValue(FieldType type, const Value& value, const std::string& where);

} // namespace Talvex
