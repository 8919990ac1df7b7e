#include "host/data/recordset/FilterNodes.hpp"

#include "host/data/recordset/ValueCompare.hpp"

namespace Talvex::Data::RecordsetDetail {

bool AllOfNode::Matches(const StoredRow& row) const
{
    for (const auto& part : parts_)
        if (!part->Matches(row)) return false;
    return true;
}

// The fewest rows any one part allows: every row that matches all parts is among them.
const std::vector<std::size_t>* AllOfNode::Candidates(RowStore& store) const
{
    const std::vector<std::size_t>* fewest = nullptr;
    for (const auto& part : parts_) {
        const std::vector<std::size_t>* rows = part->Candidates(store);
        if (rows && (!fewest || rows->size() < fewest->size())) fewest = rows;
    }
    return fewest;
}

bool AnyOfNode::Matches(const StoredRow& row) const
{
    for (const auto& part : parts_)
        if (part->Matches(row)) return true;
    return false;
}

bool CompareNode::Matches(const StoredRow& row) const
{
    // The common case of a report's filter, text equal to text, without the general route.
    if (op_ == CompareOp::Equal || op_ == CompareOp::NotEqual) {
        const auto* cell = std::get_if<std::string>(&row[field_].Raw());
        const auto* literal = std::get_if<std::string>(&literal_.Raw());
        if (cell && literal) return (CompareText(*cell, *literal) == 0) == (op_ == CompareOp::Equal);
    }
    std::optional<int> order = CompareValues(row[field_], literal_);
    if (!order) return false;
    switch (op_) {
    case CompareOp::Equal: return *order == 0;
    case CompareOp::NotEqual: return *order != 0;
    case CompareOp::Less: return *order < 0;
    case CompareOp::Greater: return *order > 0;
    case CompareOp::LessOrEqual: return *order <= 0;
    case CompareOp::GreaterOrEqual: return *order >= 0;
    }
    return false;
}

const std::vector<std::size_t>* CompareNode::Candidates(RowStore& store) const
{
    return op_ == CompareOp::Equal ? store.RowsEqualTo(field_, literal_) : nullptr;
}

bool IsNullNode::Matches(const StoredRow& row) const
{
    const Value& cell = row[field_];
    return (cell.IsNull() || cell.IsEmpty()) != negated_;
}

bool LikeNode::Matches(const StoredRow& row) const
{
    const Value& cell = row[field_];
    if (cell.IsNull() || cell.IsEmpty() || cell.IsObject()) return false;
    if (const auto* text = std::get_if<std::string>(&cell.Raw())) return MatchesLike(*text, pattern_) != negated_;
    return MatchesLike(cell.ToText(), pattern_) != negated_;
}

bool InListNode::Matches(const StoredRow& row) const
{
    const Value& cell = row[field_];
    if (cell.IsNull() || cell.IsEmpty()) return false;
    for (const Value& literal : literals_)
        if (CompareValues(cell, literal) == 0) return !negated_;
    return negated_;
}

} // namespace Talvex::Data::RecordsetDetail
