#include "host/ui/LocalList.hpp"

#include "host/ui/EventArgs.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

LocalList::LocalList(Form& owner, std::string name) : Grid(owner, std::move(name)) {}

void LocalList::SetRowSource(std::shared_ptr<const RowSource> source)
{
    source_ = std::move(source);
}

void LocalList::DeclareField(std::string name, std::string caption, std::string format, bool visible)
{
    if (name.empty()) throw UiError(Name() + ": a field needs a name");
    declared_.push_back(Declared{std::move(name), std::move(caption), std::move(format), visible, false, {}});
}

void LocalList::DeclareEditableField(std::string name, std::string caption, std::string format, CellRule rule)
{
    declared_.push_back(Declared{std::move(name), std::move(caption), std::move(format), true, true, std::move(rule)});
}

void LocalList::Refresh()
{
    Form& form = Owner();
    EventArgs refreshArgs;
    form.Fire(Name(), "OnRefresh", refreshArgs);
    filter_ = refreshArgs.filter;

    // Fields are declared anew at each refresh: a new period brings new month columns.
    if (form.HasHandler(Name(), "OnAddFields")) {
        declared_.clear();
        EventArgs fieldArgs;
        form.Fire(Name(), "OnAddFields", fieldArgs);
    }
    std::vector<Declared> fields = declared_;
    if (fields.empty() && source_) {
        for (auto& column : source_->ColumnNames())
            fields.push_back(Declared{column, "", "", true, false, {}});
    }

    ClearColumns();
    for (const auto& field : fields) {
        GridColumn& column = AddColumn(field.name, field.caption, field.format);
        column.visible = field.visible;
        column.editable = field.editable;
        column.rule = field.rule;
        EventArgs columnArgs;
        columnArgs.gridColumn = &column;
        form.Fire(Name(), "OnAddColumn", columnArgs);
    }

    if (source_) {
        const std::vector<std::string> sourceColumns = source_->ColumnNames();
        std::vector<std::size_t> sourceIndex;
        for (const auto& column : Columns()) {
            std::size_t i = 0;
            while (i < sourceColumns.size() && sourceColumns[i] != column.name)
                ++i;
            if (i == sourceColumns.size())
                throw UiError(Name() + ": the row source has no column '" + column.name + "'");
            sourceIndex.push_back(i);
        }
        const std::size_t rowCount = source_->RowCount();
        for (std::size_t row = 0; row < rowCount; ++row) {
            std::vector<Value> cells;
            cells.reserve(sourceIndex.size());
            for (std::size_t index : sourceIndex)
                cells.push_back(source_->Cell(row, index));
            AddRow(std::move(cells));
        }
    }
    if (RowCount() > 0) SetCurrentRow(0);

    EventArgs afterArgs;
    form.Fire(Name(), "AfterRefresh", afterArgs);
}

void LocalList::AddMenuItem(std::string key, std::string caption)
{
    if (key.empty()) throw UiError(Name() + ": a menu item needs a key");
    for (const auto& item : menu_) {
        if (item.key == key) throw UiError(Name() + ": the menu item '" + key + "' is added twice");
    }
    menu_.push_back(MenuItem{std::move(key), std::move(caption)});
    Changed("menu");
}

void LocalList::ChooseMenuItem(std::string_view key)
{
    bool found = false;
    for (const auto& item : menu_)
        found = found || item.key == key;
    if (!found) throw UiError(Name() + ": the local menu has no item '" + std::string(key) + "'");
    EventArgs args;
    args.key = std::string(key);
    Owner().Fire(Name(), "OnRunMDICommand", args);
}

} // namespace Talvex::Ui
