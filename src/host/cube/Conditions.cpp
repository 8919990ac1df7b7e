#include "host/cube/Conditions.hpp"

#include "host/types/Errors.hpp"

namespace Talvex::Cube {

Condition& Conditions::AddComparison(std::string styleName, double value, int oper)
{
    if (oper < Condition::Less || oper > Condition::NotEqual)
        throw ValueError("Conditions: operator " + std::to_string(oper) + " is not one of 0 to 5");
    Condition condition;
    condition.Kind = Condition::kComparison;
    condition.StyleName = std::move(styleName);
    condition.Value = value;
    condition.Oper = oper;
    items_.push_back(std::move(condition));
    return items_.back();
}

Condition& Conditions::AddFormula(std::string styleName, std::string formula)
{
    Condition condition;
    condition.Kind = Condition::kFormula;
    condition.StyleName = std::move(styleName);
    condition.Formula.emplace(std::move(formula));
    items_.push_back(std::move(condition));
    return items_.back();
}

} // namespace Talvex::Cube
