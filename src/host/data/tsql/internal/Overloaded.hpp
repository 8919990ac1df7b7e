#pragma once

namespace Talvex::Data::TSql {

// Visitor built from lambdas, one per node type: std::visit(Overloaded{...}, node).
template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace Talvex::Data::TSql
