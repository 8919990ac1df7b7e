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
        {"sqrt(Summa)", "unknown function 'sqrt'"},
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
