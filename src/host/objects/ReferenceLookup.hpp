#pragma once

#include "host/types/Value.hpp"
#include "host/ui/Control.hpp"

#include <cstddef>
#include <string_view>
#include <vector>

namespace Talvex {

class Book;

// One row of a reference offered to the user: its code and its name as the database holds them.
struct LookupItem {
    Value code;
    Value name;
};

// The type-ahead list of a control bound to a reference: a combo's bound lookup, or a
// selector's reference (by its Code and Name). Front ends ask it for the rows that match what
// the person typed; the text reaches SQL only as an escaped literal.
class ReferenceLookup {
public:
    // Throws UiError naming the control when it is bound to no reference.
    explicit ReferenceLookup(const Ui::Control& control);
    explicit ReferenceLookup(Ui::LookupBinding binding);

    const Ui::LookupBinding& Binding() const { return binding_; }

    // The rows whose code or name holds the typed text, case ignored and the text taken as
    // it stands ('%' and '_' match only themselves), in code order, at most limit of them.
    // Nothing typed: the first rows. Throws ValueError when the reference or its columns
    // are not in the database.
    std::vector<LookupItem> Find(Book& book, std::string_view typed, std::size_t limit) const;

private:
    Ui::LookupBinding binding_;
};

} // namespace Talvex
