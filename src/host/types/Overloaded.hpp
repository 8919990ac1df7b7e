#pragma once

namespace Talvex {

// A visitor built from lambdas, one per alternative: std::visit(Overloaded{...}, variant).
template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace Talvex
