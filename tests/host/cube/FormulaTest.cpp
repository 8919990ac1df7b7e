#include "host/cube/Formula.hpp"
#include "host/cube/FormulaError.hpp"

#include <gtest/gtest.h>

#include <map>

using Talvex::Cube::Formula;
using Talvex::Cube::FormulaError;

namespace {

std::optional<double> Evaluated(const std::string& text, const std::map<std::string, std::optional<double>>& facts)
{
    return Formula(text).Evaluate([&](const std::string& name) { return facts.at(name); });
}

} // namespace

TEST(CubeFormula, EvaluatesPrecedenceFunctionsAndComparisons)
{
    const std::map<std::string, std::optional<double>> facts{{"Summa", 200.0}, {"Cost", 150.0}, {"Profit", -30.0}};
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"Summa - Cost", 50},
        {"Summa - Cost * 2", -100},
        {"(Summa - Cost) * 2", 100},
        {"max( Profit, 0 )*100/Summa", 0},
        {"max(Summa, Cost, 500)", 500},
        {"min(Summa, Cost)", 150},
        {"abs(Profit) / 3", 10},
        {"-Summa + 1.5", -198.5},
        {"Summa - -Cost", 350},
        {"Summa > Cost", 1},
        {"Summa <= Cost", 0},
        {"Summa - Cost = 50", 1},
        {"Profit <> 0", 1},
    };
    for (const auto& c : cases) {
        const auto v = Evaluated(c.text, facts);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*v, c.expected) << c.text;
    }
}

TEST(CubeFormula, DivisionByZeroAndBlankOperandsGiveBlank)
{
    const std::map<std::string, std::optional<double>> facts{{"Summa", 0.0}, {"Profit", 5.0}, {"Empty", std::nullopt}};
    EXPECT_FALSE(Evaluated("Profit*100/Summa", facts).has_value());
    EXPECT_FALSE(Evaluated("Profit + Empty", facts).has_value());
    EXPECT_FALSE(Evaluated("max(Profit, Empty)", facts).has_value());
    EXPECT_DOUBLE_EQ(*Evaluated("Summa / Profit", facts), 0.0);
}

TEST(CubeFormula, BadSyntaxNamesTheFormulaAndPosition)
{
    struct Case {
        const char* text;
        const char* fragment;
    };
    const Case cases[] = {
        {"Summa -", "missing operand"},
        {"(Summa - Cost", "missing ')'"},
        {"Summa $ Cost", "unexpected '$'"},
        {"if(Summa, 1)", "wrong number of arguments to if"},
        {"IsTotal(Summa)", "wrong number of arguments to IsTotal"},
        {"Summa[$pos-]", "bad position"},
        {"Summa[pos-1]", "expected '$pos'"},
        {"Summa[$pos-1", "missing ']'"},
        {"abs(Summa, Cost)", "wrong number of arguments"},
        {"1.2.3 + Summa", "bad number"},
        {"", "missing operand"},
    };
    for (const auto& c : cases) {
        try {
            Formula f(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const FormulaError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(std::string("\"") + c.text + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
            EXPECT_NE(message.find("position"), std::string::npos) << message;
        }
    }
}

TEST(CubeFormula, TemplateFillsPlaceholdersInOrder)
{
    const auto f = Formula::FromTemplate("%0 - (%1 + %2)", {"Summa", "Cost", "Discount"});
    EXPECT_EQ(f.Text(), "Summa - (Cost + Discount)");
    EXPECT_EQ(f.Names(), (std::vector<std::string>{"Summa", "Cost", "Discount"}));
    const std::map<std::string, std::optional<double>> facts{{"Summa", 100.0}, {"Cost", 30.0}, {"Discount", 5.0}};
    EXPECT_DOUBLE_EQ(*f.Evaluate([&](const std::string& n) { return facts.at(n); }), 65.0);
    EXPECT_THROW(Formula::FromTemplate("%0 - %3", {"Summa"}), FormulaError);
}

namespace {

// A cell for a formula worked out by hand: facts now and at neighbouring positions.
class HandCell : public Formula::Context {
public:
    std::map<std::pair<std::string, int>, std::optional<double>> values;
    bool total = false;
    const Talvex::Cube::Functions* functions = nullptr;

    std::optional<double> Value(const std::string& name, int offset) const override
    {
        const auto it = values.find({name, offset});
        return it == values.end() ? std::nullopt : it->second;
    }
    bool IsTotal() const override { return total; }
    const Talvex::Cube::Functions* UserFunctions() const override { return functions; }
};

} // namespace

TEST(CubeFormula, UserFunctionsIfTotalsAndNeighbours)
{
    Talvex::Cube::Functions functions;
    functions.Add("Delta(Val1, Val2)=100*(Val2-Val1)/Val1");
    functions.Add("Twice(x) = 2 * x");
    functions.Add("Growth(a, b) = twice(b) - Twice(a)"); // nested call, case of names ignored
    HandCell cell;
    cell.functions = &functions;
    cell.values = {{{"Summa", 0}, 150.0}, {{"Summa", -1}, 120.0}, {{"Summa", 1}, 0.0}};

    const Formula trend("if(IsTotal(),0,Delta(Summa[$pos-1],Summa))");
    EXPECT_TRUE(trend.UsesPosition());
    ASSERT_EQ(trend.Calls().size(), 1u);
    EXPECT_EQ(trend.Calls()[0].name, "Delta");
    EXPECT_EQ(trend.Calls()[0].arity, 2u);
    EXPECT_EQ(trend.Names(), std::vector<std::string>{"Summa"});
    EXPECT_DOUBLE_EQ(*trend.Evaluate(cell), 25.0); // 120 -> 150
    EXPECT_DOUBLE_EQ(*Formula("Delta(Summa, Summa[$pos+1])").Evaluate(cell), -100.0);
    EXPECT_FALSE(Formula("Delta(Summa[$pos+1], Summa)").Evaluate(cell)); // from 0: no percentage
    EXPECT_FALSE(Formula("Delta(Summa[$pos-2], Summa)").Evaluate(cell)); // no such position
    EXPECT_DOUBLE_EQ(*Formula("Growth(Summa[$pos - 1], Summa)").Evaluate(cell), 60.0);
    EXPECT_DOUBLE_EQ(*Formula("if(Summa > 100, Summa, 0 - Summa)").Evaluate(cell), 150.0);
    EXPECT_DOUBLE_EQ(*Formula("if(Summa < 100, Summa, 0 - Summa)").Evaluate(cell), -150.0);
    EXPECT_FALSE(Formula("if(Summa[$pos-5] > 1, 1, 2)").Evaluate(cell)); // a blank condition
    EXPECT_DOUBLE_EQ(*Formula("IsTotal()").Evaluate(cell), 0.0);

    cell.total = true;
    // The branch not taken is not read: the position before the first gives no blank here.
    EXPECT_DOUBLE_EQ(*Formula("if(IsTotal(),0,Delta(Summa[$pos-9],Summa))").Evaluate(cell), 0.0);
    EXPECT_DOUBLE_EQ(*Formula("IsTotal() * 7").Evaluate(cell), 7.0);

    // Evaluated by name only, a neighbour is blank and a user function unknown.
    const std::map<std::string, std::optional<double>> facts{{"Summa", 10.0}};
    EXPECT_FALSE(Evaluated("Summa[$pos-1] + 1", facts).has_value());
    try {
        Evaluated("Delta(Summa, 1)", facts);
        ADD_FAILURE() << "a user function without the cube's functions";
    } catch (const FormulaError& e) {
        EXPECT_NE(std::string(e.what()).find("unknown function 'Delta'"), std::string::npos) << e.what();
    }
}

TEST(CubeFormula, BadFunctionDefinitionsAndCallsNameTheirText)
{
    struct Case {
        const char* definition;
        const char* fragment;
    };
    const Case cases[] = {
        {"Delta = 1", "expected Name(parameters)=formula"},
        {"Delta(a, b) 100*a", "expected '='"},
        {"1Delta(a)=a", "bad name"},
        {"Delta(a, a)=a", "given twice"},
        {"Delta(a, 2b)=a", "bad parameter"},
        {"Delta(a)=a + Summa", "unknown name \"Summa\""},
        {"Delta(a)=a[$pos-1]", "no neighbouring positions"},
        {"Delta(a)=a +", "missing operand"},
    };
    for (const auto& c : cases) {
        try {
            Talvex::Cube::FormulaFunction f(c.definition);
            ADD_FAILURE() << "accepted: " << c.definition;
        } catch (const FormulaError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.definition), std::string::npos) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
        }
    }

    Talvex::Cube::Functions functions;
    functions.Add("Delta(a, b)=b - a");
    functions.Add("delta(a, b)=100*(b-a)/a"); // replaces by name
    EXPECT_EQ(functions.Count(), 1u);
    EXPECT_EQ(functions.Find("DELTA")->Body().Text(), "100*(b-a)/a");
    EXPECT_EQ(functions.Find("Other"), nullptr);

    const Formula wrongCount("Delta(Summa)");
    EXPECT_THROW(wrongCount.CheckCalls(functions, "fact \"DSumma\""), FormulaError);
    try {
        Formula("sqrt(Summa)").CheckCalls(functions, "fact \"Root\"");
        ADD_FAILURE() << "an unknown function passed";
    } catch (const FormulaError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("\"sqrt(Summa)\" of fact \"Root\""), std::string::npos) << message;
        EXPECT_NE(message.find("unknown function 'sqrt'"), std::string::npos) << message;
    }

    // A function that calls itself is stopped with its text, not by the stack.
    Talvex::Cube::Functions looping;
    looping.Add("Loop(a)=Loop(a) + 1");
    HandCell cell;
    cell.functions = &looping;
    cell.values = {{{"Summa", 0}, 1.0}};
    try {
        Formula("Loop(Summa)").Evaluate(cell);
        ADD_FAILURE() << "a looping function returned";
    } catch (const FormulaError& e) {
        EXPECT_NE(std::string(e.what()).find("calls itself"), std::string::npos) << e.what();
    }
}
