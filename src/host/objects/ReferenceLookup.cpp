#include "host/objects/ReferenceLookup.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/UiError.hpp"

#include <string>

namespace Talvex {
namespace {

Ui::LookupBinding BindingOf(const Ui::Control& control)
{
    if (const Ui::LookupBinding* lookup = control.Lookup()) return *lookup;
    if (control.Kind() == Ui::ControlKind::Selector && !control.Selector().reference.empty())
        return Ui::LookupBinding{control.Selector().reference, "Code", "Name"};
    throw Ui::UiError(control.Owner().Name() + "." + control.Name() + ": not bound to a reference");
}

} // namespace

ReferenceLookup::ReferenceLookup(const Ui::Control& control) : binding_(BindingOf(control)) {}

ReferenceLookup::ReferenceLookup(Ui::LookupBinding binding) : binding_(std::move(binding))
{
    if (binding_.table.empty()) throw ValueError("ReferenceLookup: the binding names no reference");
}

std::vector<LookupItem> ReferenceLookup::Find(Book& book, std::string_view typed, std::size_t limit) const
{
    // The binding's names reach the statement only as columns the list knows: an unknown
    // reference or column is refused here, before any SQL is written.
    auto list = book.CreateList(binding_.table);
    list->Fields().SelectFields({binding_.codeColumn, binding_.nameColumn});
    const Field& code = list->Fields().Item(binding_.codeColumn);
    const Field& name = list->Fields().Item(binding_.nameColumn);
    if (!typed.empty()) {
        const Value text{std::string(typed)};
        list->SetFilter(SqlTools::CombineConds(CombineMode::kOr, {SqlTools::CondContains(code.SqlExpression(), text),
                                                                  SqlTools::CondContains(name.SqlExpression(), text)}));
    }
    list->OrderBy(code.SqlExpression());
    list->Refresh();
    auto rows = list->Recordset();
    std::vector<LookupItem> items;
    if (rows->RecordCount() == 0) return items;
    for (rows->MoveFirst(); !rows->Eof() && items.size() < limit; rows->MoveNext())
        items.push_back({rows->Fields().Item(code.Name()).Value(), rows->Fields().Item(name.Name()).Value()});
    return items;
}

} // namespace Talvex
