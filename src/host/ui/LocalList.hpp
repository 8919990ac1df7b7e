#pragma once

#include "host/ui/Grid.hpp"
#include "host/ui/RowSource.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

struct MenuItem {
    std::string key;
    std::string caption;
};

// The host's list control: a grid bound to a row source that asks its form, by events of
// the list's own name, what to show:
//   OnRefresh      (args.filter: the filter the handler gives the host list)
//   OnAddFields    (the handler declares the fields with DeclareField)
//   OnAddColumn    (once per field, args.gridColumn: caption, format, visibility)
//   AfterRefresh   (rows are in: footers and row styles)
//   OnRunMDICommand(args.key: the local menu item chosen)
// With no fields declared the list shows every column of its source.
class LocalList : public Grid {
public:
    LocalList(Form& owner, std::string name);

    void SetRowSource(std::shared_ptr<const RowSource> source);
    const RowSource* Source() const { return source_.get(); }

    // For OnAddFields handlers.
    void DeclareField(std::string name, std::string caption = "", std::string format = "", bool visible = true);
    // A field the user edits in the list, checked by the rule; the rows the list shows
    // are the form's to read back (the source stays as it was).
    void DeclareEditableField(std::string name, std::string caption, std::string format, CellRule rule);

    // Raises the events above and loads the rows; a list without a source shows no rows.
    void Refresh();
    // The filter the last OnRefresh gave.
    const std::string& Filter() const { return filter_; }

    void AddMenuItem(std::string key, std::string caption);
    const std::vector<MenuItem>& Menu() const { return menu_; }
    // Raises OnRunMDICommand; throws UiError for a key the menu does not hold.
    void ChooseMenuItem(std::string_view key);

private:
    struct Declared {
        std::string name;
        std::string caption;
        std::string format;
        bool visible = true;
        bool editable = false;
        CellRule rule;
    };

    std::shared_ptr<const RowSource> source_;
    std::vector<Declared> declared_;
    std::string filter_;
    std::vector<MenuItem> menu_;
};

} // namespace Talvex::Ui
