#include "host/data/tsql/ast/Select.hpp"

// Comparisons of the nodes that hold a sub-query or a list of expressions: they need the
// complete types, which Expression.hpp cannot see.
namespace Talvex::Data::TSql::Ast {

bool InList::operator==(const InList& o) const
{
    return operand == o.operand && items == o.items && negated == o.negated;
}
bool InSelect::operator==(const InSelect& o) const
{
    return operand == o.operand && query == o.query && negated == o.negated;
}
bool Exists::operator==(const Exists& o) const
{
    return query == o.query;
}
bool ScalarSelect::operator==(const ScalarSelect& o) const
{
    return query == o.query;
}
bool FunctionCall::operator==(const FunctionCall& o) const
{
    return name == o.name && args == o.args && distinct == o.distinct && star == o.star;
}

} // namespace Talvex::Data::TSql::Ast
