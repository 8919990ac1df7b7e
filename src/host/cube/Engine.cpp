#include "host/cube/Engine.hpp"

#include "host/cube/FormulaError.hpp"
#include "host/cube/internal/MemberKey.hpp"
#include "host/cube/internal/Units.hpp"
#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_map>

namespace Talvex::Cube {

namespace {

constexpr std::uint32_t kNoCode = 0xFFFFFFFFu;

struct DateHash {
    std::size_t operator()(Date d) const { return std::hash<std::int32_t>{}(d.Serial()); }
};

struct CurrencyHash {
    std::size_t operator()(Currency c) const { return std::hash<std::int64_t>{}(c.Units()); }
};

template <class T, class Hash = std::hash<T>>
void EncodeTyped(const std::vector<T>& column, std::vector<std::uint32_t>& codes, std::vector<Value>& members)
{
    std::unordered_map<T, std::uint32_t, Hash> dictionary;
    codes.resize(column.size());
    for (std::size_t row = 0; row < column.size(); ++row) {
        const auto [it, inserted] = dictionary.try_emplace(column[row], static_cast<std::uint32_t>(members.size()));
        if (inserted) members.emplace_back(column[row]);
        codes[row] = it->second;
    }
}

// Whole numbers (and dates, by their day number) within a narrow range are encoded through
// an array indexed by the value, which is several times faster than hashing a million rows.
constexpr std::int64_t kDenseRange = std::int64_t{1} << 22;

template <class T, class ToInt>
bool EncodeDense(const std::vector<T>& column, ToInt toInt, std::vector<std::uint32_t>& codes,
                 std::vector<Value>& members)
{
    if (column.empty()) return false;
    auto low = toInt(column[0]);
    auto high = low;
    for (const auto& v : column) {
        low = std::min(low, toInt(v));
        high = std::max(high, toInt(v));
    }
    if (high - low >= kDenseRange) return false;
    std::vector<std::uint32_t> codeOf(static_cast<std::size_t>(high - low + 1), kNoCode);
    codes.resize(column.size());
    for (std::size_t row = 0; row < column.size(); ++row) {
        auto& code = codeOf[static_cast<std::size_t>(toInt(column[row]) - low)];
        if (code == kNoCode) {
            code = static_cast<std::uint32_t>(members.size());
            members.emplace_back(column[row]);
        }
        codes[row] = code;
    }
    return true;
}

void Encode(const CubeSource::Column& column, std::vector<std::uint32_t>& codes, std::vector<Value>& members)
{
    // Coded when loaded: the codes already number the members by first occurrence.
    if (const auto* coded = std::get_if<CodedColumn>(&column)) {
        codes = coded->codes;
        members = coded->members;
        return;
    }
    if (const auto* ints = std::get_if<std::vector<std::int64_t>>(&column))
        if (EncodeDense(
                *ints, [](std::int64_t v) { return v; }, codes, members))
            return;
    if (const auto* dates = std::get_if<std::vector<Date>>(&column))
        if (EncodeDense(
                *dates, [](Date d) { return std::int64_t{d.Serial()}; }, codes, members))
            return;

    std::visit(
        [&](const auto& values) {
            using T = typename std::decay_t<decltype(values)>::value_type;
            if constexpr (std::is_same_v<std::decay_t<decltype(values)>, CodedColumn>)
                return; // taken above
            else if constexpr (std::is_same_v<T, Value>)
                EncodeTyped<Value, Internal::ValueHash>(values, codes, members);
            else if constexpr (std::is_same_v<T, Currency>)
                EncodeTyped<Currency, CurrencyHash>(values, codes, members);
            else if constexpr (std::is_same_v<T, Date>)
                EncodeTyped<Date, DateHash>(values, codes, members);
            else
                EncodeTyped<T>(values, codes, members);
        },
        column);
}

// A value of a base fact as a number: null and empty count 0, anything else must read as one.
double AmountOf(const Value& v, const std::string& name, std::size_t row)
{
    if (v.IsNull() || v.IsEmpty()) return 0.0;
    try {
        return v.ToDouble();
    } catch (const ValueError&) {
        throw ValueError("BaseFacts: \"" + name + "\" row " + std::to_string(row + 1) + " is not a number: \"" +
                         v.ToText() + "\"");
    }
}

std::vector<double> ReadAmounts(const CubeSource::Column& column, const std::string& name)
{
    if (const auto* coded = std::get_if<CodedColumn>(&column)) {
        // Each distinct value is read once; the message names the first row that holds it.
        std::vector<double> ofMember(coded->members.size());
        std::vector<char> read(coded->members.size(), 0);
        std::vector<double> out(coded->codes.size());
        for (std::size_t row = 0; row < out.size(); ++row) {
            const auto code = coded->codes[row];
            if (!read[code]) {
                ofMember[code] = AmountOf(coded->members[code], name, row);
                read[code] = 1;
            }
            out[row] = ofMember[code];
        }
        return out;
    }
    return std::visit(
        [&](const auto& values) {
            using T = typename std::decay_t<decltype(values)>::value_type;
            std::vector<double> out(values.size());
            if constexpr (std::is_same_v<std::decay_t<decltype(values)>, CodedColumn>) {
                return out; // taken above
            } else {
                for (std::size_t row = 0; row < values.size(); ++row) {
                    if constexpr (std::is_same_v<T, double>)
                        out[row] = values[row];
                    else if constexpr (std::is_same_v<T, std::int64_t>)
                        out[row] = static_cast<double>(values[row]);
                    else if constexpr (std::is_same_v<T, Currency>)
                        out[row] = values[row].ToDouble();
                    else if constexpr (std::is_same_v<T, Value>)
                        out[row] = AmountOf(values[row], name, row);
                    else
                        throw ValueError("BaseFacts: \"" + name + "\" is not a column of numbers");
                }
                return out;
            }
        },
        column);
}

} // namespace

Engine::Engine() : dims_(*this) {}

void Engine::SetSource(CubeSource source)
{
    if (active_) throw ValueError("Engine: the source is set while the engine is not active");
    source_ = std::move(source);
}

void Engine::AttachRecordset(Data::Recordset& recordset)
{
    SetSource(CubeSource::FromRecordset(recordset));
}

void Engine::SetDrillDownLevel(Axis axis, int level)
{
    if (axis == Axis::Filter) throw ValueError("Engine: the filter area has no drill-down level");
    drillDown_[static_cast<int>(axis)] = level < 0 ? -1 : level;
    toggled_[static_cast<int>(axis)].clear();
    Invalidate();
}

namespace {

bool SameKeys(const std::vector<Value>& a, const std::vector<Value>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Internal::CompareKeys(a[i], b[i]) != 0) return false;
    return true;
}

} // namespace

void Engine::SetMemberExpanded(Axis axis, const std::vector<Value>& members, bool expanded)
{
    if (axis == Axis::Filter) throw ValueError("Engine: members of the filter area are not expanded");
    const auto& onAxis = dims_.OnAxis(axis);
    const char* axisName = axis == Axis::Rows ? "rows" : "columns";
    if (members.empty() || members.size() >= onAxis.size())
        throw ValueError(std::string("Engine: a member to expand on the ") + axisName + " names 1 to " +
                         std::to_string(onAxis.empty() ? 0 : onAxis.size() - 1) + " keys, not " +
                         std::to_string(members.size()) + " (the innermost dimension has nothing under it)");
    if (active_) {
        for (std::size_t i = 0; i < members.size(); ++i)
            if (onAxis[i]->CodeOf(members[i]) >= onAxis[i]->MemberCount())
                throw ValueError("Engine: \"" + members[i].ToText() + "\" is no member of dimension \"" +
                                 onAxis[i]->Name() + "\"");
    }
    auto& toggled = toggled_[static_cast<int>(axis)];
    const int level = drillDown_[static_cast<int>(axis)];
    const bool byLevel = level < 0 || static_cast<int>(members.size()) <= level;
    const auto it =
        std::find_if(toggled.begin(), toggled.end(), [&](const auto& keys) { return SameKeys(keys, members); });
    if (it != toggled.end()) toggled.erase(it);
    if (expanded != byLevel) toggled.push_back(members);
    Invalidate();
}

bool Engine::IsMemberExpanded(Axis axis, const std::vector<Value>& members) const
{
    if (axis == Axis::Filter || members.empty() || members.size() >= dims_.OnAxis(axis).size()) return false;
    const auto& toggled = toggled_[static_cast<int>(axis)];
    const int level = drillDown_[static_cast<int>(axis)];
    const bool byLevel = level < 0 || static_cast<int>(members.size()) <= level;
    const bool isToggled =
        std::any_of(toggled.begin(), toggled.end(), [&](const auto& keys) { return SameKeys(keys, members); });
    return byLevel != isToggled;
}

void Engine::ClearMemberExpansion(Axis axis)
{
    if (axis == Axis::Filter) return;
    toggled_[static_cast<int>(axis)].clear();
    Invalidate();
}

void Engine::SetOnDimMapping(DimMapping mapping)
{
    mapping_ = std::move(mapping);
}

void Engine::SetActive(bool active)
{
    if (active == active_) return;
    if (!active) {
        active_ = false;
        units_.reset();
        measures_.clear();
        Invalidate();
        return;
    }
    Build();
    active_ = true;
    Invalidate();
}

void Engine::Build()
{
    CheckFacts();
    EncodeDimensions();
    ReadBaseFacts();
    if (PreGrouping)
        PreGroup();
    else {
        auto units = std::make_shared<Units>();
        units->count = source_.RowCount();
        for (std::size_t i = 0; i < dims_.Count(); ++i)
            units->codes.push_back(dims_.Item(i).codes_.data());
        for (const auto& amounts : measures_) {
            units->sums.push_back(amounts.data());
            units->mins.push_back(amounts.data());
            units->maxs.push_back(amounts.data());
        }
        units_ = std::move(units);
    }
}

// Every fact must rest on a base fact of the source, and every formula on known names
// without referring back to itself.
void Engine::CheckFacts() const
{
    for (std::size_t i = 0; i < baseFacts_.Count(); ++i) {
        if (!source_.Exists(baseFacts_.Item(i)))
            throw ValueError("BaseFacts: the source has no column \"" + baseFacts_.Item(i) + "\"");
    }
    for (std::size_t i = 0; i < facts_.Count(); ++i) {
        const auto& fact = facts_.Item(i);
        if (!fact.IsCalculated()) {
            if (!baseFacts_.Exists(fact.BaseFact()))
                throw ValueError("Facts: \"" + fact.Name() + "\" needs the base fact \"" + fact.BaseFact() + "\"");
            continue;
        }
        for (const auto& name : fact.Formula()->Names()) {
            if (!facts_.Exists(name) && !baseFacts_.Exists(name))
                throw FormulaError("formula \"" + fact.Formula()->Text() + "\" of fact \"" + fact.Name() +
                                   "\": unknown fact \"" + name + "\"");
        }
        fact.Formula()->CheckCalls(functions_, "fact \"" + fact.Name() + "\"");
    }
    // Depth-first walk over formula references: 1 = on the current path, 2 = done.
    std::vector<int> state(facts_.Count(), 0);
    std::function<void(std::size_t)> visit = [&](std::size_t index) {
        state[index] = 1;
        const auto& fact = facts_.Item(index);
        if (fact.IsCalculated()) {
            for (const auto& name : fact.Formula()->Names()) {
                const auto next = facts_.IndexOf(name);
                if (next == facts_.Count()) continue;
                if (state[next] == 1)
                    throw FormulaError("formula \"" + fact.Formula()->Text() + "\" of fact \"" + fact.Name() +
                                       "\": refers back to itself through \"" + name + "\"");
                if (state[next] == 0) visit(next);
            }
        }
        state[index] = 2;
    };
    for (std::size_t i = 0; i < facts_.Count(); ++i)
        if (state[i] == 0) visit(i);
}

void Engine::EncodeDimensions()
{
    for (std::size_t i = 0; i < dims_.Count(); ++i) {
        auto& dim = dims_.Item(i);
        dim.members_.clear();
        dim.codes_.clear();
        dim.texts_.clear();
        if (!dim.IsCalculated()) Encode(source_.Item(dim.FieldName()), dim.codes_, dim.members_);
    }
    // Period levels: each distinct date is rolled up once, then rows take their date's member.
    for (std::size_t i = 0; i < dims_.Count(); ++i) {
        auto& dim = dims_.Item(i);
        if (!dim.IsCalculated()) continue;
        const Dimension* dateDim = nullptr;
        for (std::size_t j = 0; j < dims_.Count(); ++j)
            if (!dims_.Item(j).IsCalculated() && dims_.Item(j).FieldName() == dim.FieldName()) dateDim = &dims_.Item(j);
        std::unordered_map<Value, std::uint32_t, Internal::ValueHash> dictionary;
        std::vector<std::uint32_t> codeOfDate(dateDim->members_.size());
        for (std::size_t code = 0; code < dateDim->members_.size(); ++code) {
            const auto& date = dateDim->members_[code];
            Value member = Null{};
            if (!date.IsNull() && !date.IsEmpty()) {
                try {
                    member = Value(static_cast<std::int64_t>(PeriodMember(date.ToDate(), dim.Level())));
                } catch (const ValueError&) {
                    throw ValueError("Dims: \"" + dim.Name() + "\" needs dates in \"" + dim.FieldName() +
                                     "\", found \"" + date.ToText() + "\"");
                }
            }
            const auto [it, inserted] = dictionary.try_emplace(member, static_cast<std::uint32_t>(dim.members_.size()));
            if (inserted) dim.members_.push_back(member);
            codeOfDate[code] = it->second;
        }
        dim.codes_.resize(dateDim->codes_.size());
        for (std::size_t row = 0; row < dim.codes_.size(); ++row)
            dim.codes_[row] = codeOfDate[dateDim->codes_[row]];
    }
    for (std::size_t i = 0; i < dims_.Count(); ++i) {
        auto& dim = dims_.Item(i);
        dim.texts_.reserve(dim.members_.size());
        for (const auto& member : dim.members_)
            dim.texts_.push_back(dim.MapType == 2 && mapping_ ? mapping_(dim, member) : Internal::KeyText(member));
    }
}

void Engine::ReadBaseFacts()
{
    measures_.clear();
    for (std::size_t i = 0; i < baseFacts_.Count(); ++i)
        measures_.push_back(ReadAmounts(source_.Item(baseFacts_.Item(i)), baseFacts_.Item(i)));
}

void Engine::PreGroup()
{
    const auto dimCount = dims_.Count();
    const auto baseCount = measures_.size();
    std::vector<std::uint64_t> stride(dimCount, 1);
    std::uint64_t space = 1;
    for (std::size_t i = 0; i < dimCount; ++i) {
        stride[i] = space;
        const auto radix = std::max<std::uint64_t>(1, dims_.Item(i).members_.size());
        if (__builtin_mul_overflow(space, radix, &space))
            throw ValueError("Engine: too many member combinations to pre-group");
    }
    auto units = std::make_shared<Units>();
    units->codeStore.resize(dimCount);
    units->sumStore.resize(baseCount);
    units->minStore.resize(baseCount);
    units->maxStore.resize(baseCount);
    std::unordered_map<std::uint64_t, std::uint32_t> groupOf;
    for (std::size_t row = 0; row < source_.RowCount(); ++row) {
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < dimCount; ++i)
            key += dims_.Item(i).codes_[row] * stride[i];
        const auto [it, inserted] = groupOf.try_emplace(key, static_cast<std::uint32_t>(units->countStore.size()));
        if (inserted) {
            units->countStore.push_back(0);
            for (std::size_t i = 0; i < dimCount; ++i)
                units->codeStore[i].push_back(dims_.Item(i).codes_[row]);
            for (std::size_t b = 0; b < baseCount; ++b) {
                units->sumStore[b].push_back(0);
                units->minStore[b].push_back(std::numeric_limits<double>::infinity());
                units->maxStore[b].push_back(-std::numeric_limits<double>::infinity());
            }
        }
        const auto g = it->second;
        ++units->countStore[g];
        for (std::size_t b = 0; b < baseCount; ++b) {
            const double v = measures_[b][row];
            units->sumStore[b][g] += v;
            units->minStore[b][g] = std::min(units->minStore[b][g], v);
            units->maxStore[b][g] = std::max(units->maxStore[b][g], v);
        }
    }
    units->count = units->countStore.size();
    for (auto& codes : units->codeStore)
        units->codes.push_back(codes.data());
    for (std::size_t b = 0; b < baseCount; ++b) {
        units->sums.push_back(units->sumStore[b].data());
        units->mins.push_back(units->minStore[b].data());
        units->maxs.push_back(units->maxStore[b].data());
    }
    units->rowCounts = units->countStore.data();
    units_ = std::move(units);
}

std::vector<std::vector<char>> Engine::SelectionMasks() const
{
    std::vector<std::vector<char>> masks(dims_.Count());
    for (std::size_t i = 0; i < dims_.Count(); ++i) {
        const auto& dim = dims_.Item(i);
        if (dim.selection_.empty()) continue;
        masks[i].assign(dim.members_.size(), 0);
        for (const auto& key : dim.selection_) {
            const auto code = dim.CodeOf(key);
            if (code < dim.members_.size()) masks[i][code] = 1;
        }
    }
    return masks;
}

namespace {

// The dimensions and member codes of a cell, row part then column part.
std::vector<std::pair<const Dimension*, std::uint32_t>> CellMembers(const GridCell& cell)
{
    const auto& grid = cell.Grid();
    std::vector<std::pair<const Dimension*, std::uint32_t>> out;
    const auto& row = grid.RowHeader(cell.RowIndex());
    for (std::size_t i = 0; i < row.Codes.size(); ++i)
        out.emplace_back(grid.RowDims()[i], row.Codes[i]);
    const auto& col = grid.ColHeader(cell.ColIndex() / grid.FactCount());
    for (std::size_t i = 0; i < col.Codes.size(); ++i)
        out.emplace_back(grid.ColDims()[i], col.Codes[i]);
    return out;
}

} // namespace

std::vector<std::size_t> Engine::SourceRows(const GridCell& cell) const
{
    const auto members = CellMembers(cell);
    const auto masks = SelectionMasks();
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < source_.RowCount(); ++row) {
        bool match = true;
        for (const auto& [dim, code] : members)
            if (dim->codes_[row] != code) {
                match = false;
                break;
            }
        for (std::size_t i = 0; match && i < masks.size(); ++i)
            if (!masks[i].empty() && !masks[i][dims_.Item(i).codes_[row]]) match = false;
        if (match) rows.push_back(row);
    }
    return rows;
}

std::vector<CellFilterItem> Engine::CellFilter(const GridCell& cell) const
{
    std::vector<CellFilterItem> items;
    for (const auto& [dim, code] : CellMembers(cell))
        items.push_back(CellFilterItem{dim->Name(), dim->FieldName(), dim->Level(), {dim->Member(code)}});
    for (std::size_t i = 0; i < dims_.Count(); ++i) {
        const auto& dim = dims_.Item(i);
        if (!dim.Selection().empty())
            items.push_back(CellFilterItem{dim.Name(), dim.FieldName(), dim.Level(), dim.Selection()});
    }
    return items;
}

const Style* Engine::CellStyle(const GridCell& cell) const
{
    const auto& fact = cell.Fact();
    const auto& list = fact.OwnConditions ? fact.Conditions() : conditions_;
    const auto& grid = cell.Grid();
    const auto rowHeader = cell.RowIndex();
    const auto colHeader = cell.ColIndex() / grid.FactCount();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const auto& condition = list.Item(i);
        bool holds = false;
        if (condition.Kind == Condition::kComparison) {
            if (cell.IsBlank()) continue;
            const double v = cell.Value();
            switch (condition.Oper) {
            case Condition::Less: holds = v < condition.Value; break;
            case Condition::NotGreater: holds = v <= condition.Value; break;
            case Condition::Greater: holds = v > condition.Value; break;
            case Condition::NotLess: holds = v >= condition.Value; break;
            case Condition::Equal: holds = v == condition.Value; break;
            default: holds = v != condition.Value; break;
            }
        } else {
            const auto& formula = *condition.Formula;
            for (const auto& name : formula.Names()) {
                if (!facts_.Exists(name) && !baseFacts_.Exists(name))
                    throw FormulaError("formula \"" + formula.Text() + "\" of style \"" + condition.StyleName +
                                       "\": unknown fact \"" + name + "\"");
            }
            const auto result = grid.EvaluateAt(formula, rowHeader, colHeader);
            holds = result && *result != 0;
        }
        if (holds) return styles_.Find(condition.StyleName);
    }
    return nullptr;
}

} // namespace Talvex::Cube
