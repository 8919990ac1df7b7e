#pragma once

#include "host/data/recordset/RowStore.hpp"
#include "host/types/Value.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Data::RecordsetDetail {

// The values of one stored row, read by field index.
class StoredRow {
public:
    StoredRow(const RowStore& store, std::size_t row) : store_(&store), row_(row) {}
    const Value& operator[](std::size_t field) const { return store_->At(row_, field); }

private:
    const RowStore* store_;
    std::size_t row_;
};

// One condition of a compiled filter, asked once per row.
class FilterNode {
public:
    virtual ~FilterNode() = default;
    virtual bool Matches(const StoredRow& row) const = 0;
    // The rows that can match, in storage order, when a lookup in the store can tell them
    // (every row the condition matches is among them); null when every row must be asked.
    virtual const std::vector<std::size_t>* Candidates(RowStore&) const { return nullptr; }
};

// A recordset filter compiled once into a tree of conditions over field indexes, with every
// literal already converted to the kind of its field, so that asking a row is cheap.
//
// The criteria are those of an ADO filter: `Field op value` joined with AND and OR, where
// AND binds tighter than OR and parentheses group; `op` is one of = <> != < > <= >= LIKE
// NOT LIKE IN NOT IN, or `IS [NOT] NULL`; `= NULL` and `<> NULL` test for null. Values are
// 'text' (a quote doubled inside), #date# (#2014-02-01# or, month first, #02/01/2014#),
// numbers (12, -3.5, 1e3, $50.00), TRUE, FALSE and NULL. LIKE takes '*' or '%' for any run
// of characters. Field names may be [bracketed] and are found without regard to case. A
// row whose field is null matches no comparison.
class RecordFilter {
public:
    // Throws ValueError naming the 1-based position of what does not parse or fit.
    static std::shared_ptr<const RecordFilter> Compile(std::string_view criteria, const std::vector<FieldDef>& fields);

    bool Matches(const StoredRow& row) const { return root_->Matches(row); }
    const std::vector<std::size_t>* Candidates(RowStore& store) const { return root_->Candidates(store); }
    const std::string& Text() const { return text_; }

    RecordFilter(std::string text, std::unique_ptr<FilterNode> root) : text_(std::move(text)), root_(std::move(root)) {}

private:
    std::string text_;
    std::unique_ptr<FilterNode> root_;
};

// Reads the inside of a #date# literal: yyyy-mm-dd (also with / or .) or m/d/yyyy, month
// first as the literals are written; a time of day after a blank is accepted and dropped.
bool ParseFilterDate(std::string_view text, Date& out);

} // namespace Talvex::Data::RecordsetDetail
