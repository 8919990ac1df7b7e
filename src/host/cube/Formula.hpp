#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

class Functions;

// An arithmetic formula over fact names, as calculated facts and formula conditions are
// written: "max( Profit, 0 )*100/Summa", "Summa - Cost",
// "if(IsTotal(),0,Delta(Summa[$pos-1],Summa))". It knows +, -, *, /, parentheses, numbers,
// the functions max, min (any number of arguments), abs, if(condition, then, else) and
// IsTotal(), the comparisons <, <=, >, >=, =, <> (1 when true, 0 when false), the user
// functions of the cube (Functions below) and references to a fact at a neighbouring
// position of the axis: "Summa[$pos-1]" is Summa at the previous member, "Summa[$pos+1]" at
// the next.
//
// A blank operand (a cell without rows, a position before the first member) makes the result
// blank, and so does a division by zero: a percentage of nothing is shown as an empty cell,
// not as infinity or 0. if() reads only the branch its condition picks, so
// "if(IsTotal(),0,...)" is 0 at a total whatever the other branch would give.
class Formula {
public:
    // Reads the text; throws FormulaError quoting the formula and the position of the fault.
    // A call of a function that is not built in is taken for a user function; whether the
    // cube has it is checked when the cube becomes active (CheckCalls).
    explicit Formula(std::string text);
    // "%0 - (%1 + %2)" with the placeholders replaced by the names, in order.
    static Formula FromTemplate(std::string_view pattern, const std::vector<std::string>& names);

    const std::string& Text() const { return text_; }
    // The fact names the formula refers to, each once, in order of first use.
    const std::vector<std::string>& Names() const { return names_; }
    // The user functions it calls, each name once with the number of arguments it is given.
    struct Call {
        std::string name;
        std::size_t arity = 0;
    };
    const std::vector<Call>& Calls() const { return calls_; }
    // True when it refers to a neighbouring position ("Summa[$pos-1]").
    bool UsesPosition() const { return usesPosition_; }

    // What a formula reads at the cell it is evaluated for.
    class Context {
    public:
        virtual ~Context() = default;
        // A fact's value at the cell (offset 0) or at the member offset positions away along
        // the axis; empty for a blank cell or a position that does not exist.
        virtual std::optional<double> Value(const std::string& name, int offset) const = 0;
        // Whether the cell is a subtotal or the grand total on either axis.
        virtual bool IsTotal() const { return false; }
        // The user functions of the cube; null when there are none.
        virtual const Functions* UserFunctions() const { return nullptr; }
    };
    std::optional<double> Evaluate(const Context& context) const;

    // Evaluation by name only: no totals, no neighbours (blank), no user functions.
    using Resolver = std::function<std::optional<double>(const std::string& name)>;
    std::optional<double> Evaluate(const Resolver& valueOf) const;

    // Throws FormulaError naming the formula and its owner ("fact \"DSumma\"") when it calls
    // a function the cube does not have or gives one the wrong number of arguments.
    void CheckCalls(const Functions& functions, const std::string& owner) const;

    struct Node;
    // The parsed formula, for the evaluator.
    const Node& Root() const { return *root_; }

private:
    std::string text_;
    std::vector<std::string> names_;
    std::vector<Call> calls_;
    bool usesPosition_ = false;
    std::shared_ptr<const Node> root_;
};

// A function the user adds to a cube, written as its definition:
// "Delta(Val1, Val2)=100*(Val2-Val1)/Val1". Its body reads only its parameters (and may call
// the built-in functions and other user functions); it knows no facts of its own, so the same
// function serves every fact it is given.
class FormulaFunction {
public:
    // Throws FormulaError quoting the definition when it does not read.
    explicit FormulaFunction(const std::string& definition);

    const std::string& Name() const { return name_; }
    const std::vector<std::string>& Params() const { return params_; }
    const Formula& Body() const { return body_; }
    const std::string& Definition() const { return definition_; }

private:
    std::string definition_;
    std::string name_;
    std::vector<std::string> params_;
    Formula body_;
};

// The user functions of a cube, found by name without regard to case.
class Functions {
public:
    // Adds (or replaces, by name) a function from its definition.
    const FormulaFunction& Add(const std::string& definition);
    void Clear() { items_.clear(); }
    std::size_t Count() const { return items_.size(); }
    const FormulaFunction& Item(std::size_t index) const { return items_.at(index); }
    const FormulaFunction* Find(std::string_view name) const;

private:
    std::deque<FormulaFunction> items_;
};

} // namespace Talvex::Cube
