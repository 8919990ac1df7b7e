#include "quarn/cube/StockRestRows.hpp"

#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

bool IsEmptyMonth(const StockMonthRow& row)
{
    return row.restAmount.IsZero() && row.restCost.IsZero() && row.incomeAmount.IsZero() && row.incomeCost.IsZero() &&
           row.fixedAmount.IsZero() && row.fixedCost.IsZero();
}

} // namespace

StockRestRows::StockRestRows(std::vector<StockMonthRow> rows, const std::vector<GoodsTreeNode>& tree)
{
    std::unordered_map<std::string, std::string> parentOf;
    parentOf.reserve(tree.size());
    for (const auto& node : tree)
        parentOf.emplace(node.code, node.parent);

    std::erase_if(rows, IsEmptyMonth);
    rows_ = std::move(rows);

    // Each good's groups once, however many months it has.
    std::unordered_map<std::string, std::size_t> pathIndex;
    std::vector<std::string> goodOfPath;
    pathOf_.reserve(rows_.size());
    for (const auto& row : rows_) {
        auto [it, inserted] = pathIndex.try_emplace(row.goodCode, paths_.size());
        if (inserted) {
            std::vector<std::string> path;
            for (auto parent = parentOf.find(row.goodCode); parent != parentOf.end() && !parent->second.empty();
                 parent = parentOf.find(parent->second)) {
                if (std::find(path.begin(), path.end(), parent->second) != path.end() || path.size() > tree.size())
                    throw Talvex::ValueError("REFGood.Parent: the groups above the good '" + row.goodCode +
                                             "' lead back to themselves at '" + parent->second + "'");
                path.push_back(parent->second);
            }
            std::reverse(path.begin(), path.end());
            levels_ = std::max(levels_, path.size());
            paths_.push_back(std::move(path));
            goodOfPath.push_back(row.goodCode);
        }
        pathOf_.push_back(it->second);
    }
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        auto& path = paths_[i];
        if (path.empty()) path.push_back(goodOfPath[i]); // a good outside any group
        path.resize(std::max<std::size_t>(levels_, 1), path.back());
    }
    levels_ = std::max<std::size_t>(levels_, rows_.empty() ? 0 : 1);
}

std::shared_ptr<Talvex::Data::Recordset> StockRestRows::ToRecordset() const
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (std::size_t level = 1; level <= levels_; ++level)
        rs->Fields().Append("GoodCode" + std::to_string(level), DataTypeEnum::VarChar, 30);
    rs->Fields().Append("GoodCode", DataTypeEnum::VarChar, 30);
    rs->Fields().Append("DateEnd", DataTypeEnum::Date);
    for (const char* fact :
         {"IncomeAmountAccount", "IncomeCostSumm", "AmountAccount", "CostSumm", "FixedAmountAccount", "FixedCostSumm"})
        rs->Fields().Append(fact, DataTypeEnum::Currency);
    rs->Fields().Append("MonthDays", DataTypeEnum::Integer);
    rs->Open();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const auto& row = rows_[i];
        rs->AddNew();
        std::size_t field = 0;
        auto put = [&rs, &field](const Value& value) { rs->Fields().Item(field++).SetValue(value); };
        for (const auto& group : PathOf(i))
            put(Value(group));
        put(Value(row.goodCode));
        put(Value(row.dateEnd));
        for (const auto& amount :
             {row.incomeAmount, row.incomeCost, row.restAmount, row.restCost, row.fixedAmount, row.fixedCost})
            put(Value(amount));
        put(Value(row.monthDays));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
