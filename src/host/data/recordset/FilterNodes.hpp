#pragma once

#include "host/data/recordset/RecordFilter.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Data::RecordsetDetail {

enum class CompareOp { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual };

class AllOfNode final : public FilterNode {
public:
    explicit AllOfNode(std::vector<std::unique_ptr<FilterNode>> parts) : parts_(std::move(parts)) {}
    bool Matches(const StoredRow& row) const override;
    const std::vector<std::size_t>* Candidates(RowStore& store) const override;

private:
    std::vector<std::unique_ptr<FilterNode>> parts_;
};

class AnyOfNode final : public FilterNode {
public:
    explicit AnyOfNode(std::vector<std::unique_ptr<FilterNode>> parts) : parts_(std::move(parts)) {}
    bool Matches(const StoredRow& row) const override;

private:
    std::vector<std::unique_ptr<FilterNode>> parts_;
};

// Field against a literal already converted to the field's kind.
class CompareNode final : public FilterNode {
public:
    CompareNode(std::size_t field, CompareOp op, Value literal) : field_(field), op_(op), literal_(std::move(literal))
    {
    }
    bool Matches(const StoredRow& row) const override;
    const std::vector<std::size_t>* Candidates(RowStore& store) const override;

private:
    std::size_t field_;
    CompareOp op_;
    Value literal_;
};

class IsNullNode final : public FilterNode {
public:
    IsNullNode(std::size_t field, bool negated) : field_(field), negated_(negated) {}
    bool Matches(const StoredRow& row) const override;

private:
    std::size_t field_;
    bool negated_;
};

class LikeNode final : public FilterNode {
public:
    LikeNode(std::size_t field, std::u32string foldedPattern, bool negated)
        : field_(field), pattern_(std::move(foldedPattern)), negated_(negated)
    {
    }
    bool Matches(const StoredRow& row) const override;

private:
    std::size_t field_;
    std::u32string pattern_;
    bool negated_;
};

class InListNode final : public FilterNode {
public:
    InListNode(std::size_t field, std::vector<Value> literals, bool negated)
        : field_(field), literals_(std::move(literals)), negated_(negated)
    {
    }
    bool Matches(const StoredRow& row) const override;

private:
    std::size_t field_;
    std::vector<Value> literals_;
    bool negated_;
};

} // namespace Talvex::Data::RecordsetDetail
