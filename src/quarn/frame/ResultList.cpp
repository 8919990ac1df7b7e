#include "quarn/frame/ResultList.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"

namespace Quarn_DuzAde {

ResultListBuilder::ResultListBuilder(std::shared_ptr<Talvex::Book> book, std::span<const ResultColumn> columns)
    : list_(std::make_shared<Talvex::DataList>(std::move(book), "")),
      rs_(std::make_shared<Talvex::Data::Recordset>()),
      columns_(columns.size())
{
    for (const auto& column : columns) {
        rs_->Fields().Append(column.name, column.type);
        list_->Fields().Add(column.name, column.kind);
    }
    rs_->Open();
}

ResultListBuilder::~ResultListBuilder() = default;

void ResultListBuilder::AddRow(std::span<const Talvex::Value> values)
{
    if (values.size() != columns_)
        throw Talvex::ValueError("ResultList: a row of " + std::to_string(values.size()) + " values for " +
                                 std::to_string(columns_) + " columns");
    rs_->AddNew();
    for (std::size_t i = 0; i < values.size(); ++i)
        rs_->Fields().Item(i).SetValue(values[i]);
    rs_->Update();
}

std::shared_ptr<Talvex::DataList> ResultListBuilder::Finish()
{
    if (rs_->RecordCount() > 0) rs_->MoveFirst();
    list_->SetRecordset(rs_);
    return list_;
}

std::string StoredText(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Talvex::Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace Quarn_DuzAde
