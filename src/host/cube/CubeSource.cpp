#include "host/cube/CubeSource.hpp"

#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Cube {

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::size_t CubeSource::Find(std::string_view name) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (SameName(names_[i], name)) return i;
    return names_.size();
}

bool CubeSource::Exists(std::string_view name) const
{
    return Find(name) < names_.size();
}

void CubeSource::AddColumn(std::string name, Column values)
{
    if (Exists(name)) throw ValueError("cube source: column \"" + name + "\" is already defined");
    const auto length = std::visit([](const auto& v) { return v.size(); }, values);
    if (!columns_.empty() && length != rowCount_)
        throw ValueError("cube source: column \"" + name + "\" has " + std::to_string(length) + " rows, the others " +
                         std::to_string(rowCount_));
    rowCount_ = length;
    names_.push_back(std::move(name));
    columns_.push_back(std::move(values));
}

const CubeSource::Column& CubeSource::Item(std::string_view name) const
{
    const auto index = Find(name);
    if (index == names_.size()) throw ValueError("cube source: no column \"" + std::string(name) + "\"");
    return columns_[index];
}

Value CubeSource::ValueAt(std::string_view name, std::size_t row) const
{
    return std::visit([row](const auto& v) { return Value(v.at(row)); }, Item(name));
}

CubeSource CubeSource::FromRecordset(Data::Recordset& recordset)
{
    auto& fields = recordset.Fields();
    std::vector<std::vector<Value>> columns(fields.Count());
    if (recordset.RecordCount() > 0) {
        // Sized once: a column of a big list would otherwise be moved a score of times.
        for (auto& column : columns)
            column.reserve(static_cast<std::size_t>(recordset.RecordCount()));
        recordset.MoveFirst();
        while (!recordset.Eof()) {
            for (std::size_t i = 0; i < columns.size(); ++i)
                columns[i].push_back(fields.Item(i).Value());
            recordset.MoveNext();
        }
    }
    CubeSource source;
    for (std::size_t i = 0; i < columns.size(); ++i)
        source.AddColumn(fields.Item(i).Name(), std::move(columns[i]));
    return source;
}

} // namespace Talvex::Cube
