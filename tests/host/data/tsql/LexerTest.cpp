#include "host/data/tsql/lexer/Lexer.hpp"
#include "host/data/tsql/TSql.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data::TSql {
namespace {

std::string Describe(const std::vector<Token>& tokens)
{
    std::string out;
    for (const Token& t : tokens) {
        if (t.kind == TokenKind::End) break;
        static constexpr const char* kKinds[] = {"id",  "qid", "str",   "nstr", "int",
                                                 "dec", "flt", "param", "var",  "sym"};
        out += (out.empty() ? "" : " ") + std::string(kKinds[static_cast<int>(t.kind)]) + ":" + t.text;
    }
    return out;
}

TEST(TSqlLexer, SplitsLiteralsNamesAndOperators)
{
    struct Case {
        const char* text;
        const char* tokens;
    };
    const Case cases[] = {
        {"SELECT oTable.Code", "id:SELECT id:oTable sym:. id:Code"},
        {"[30-60NeedPaySum] \"Quoted Name\"", "qid:30-60NeedPaySum qid:Quoted Name"},
        {"[a]]b]", "qid:a]b"},
        {"'it''s' N'Šiauliai' n'x'", "str:it's nstr:Šiauliai nstr:x"},
        {"''", "str:"},
        {"42 4.25 .5 1e3 2.5E-2", "int:42 dec:4.25 dec:.5 flt:1e3 flt:2.5E-2"},
        {"1.e", "dec:1. id:e"},
        {"a<=b<>c!=d>=e!<f!>g", "id:a sym:<= id:b sym:<> id:c sym:!= id:d sym:>= id:e sym:!< id:f sym:!> id:g"},
        {"?,? @Node #Tmp", "param:? sym:, param:? var:@Node id:#Tmp"},
        {"sp_C$CostAnltDistrib", "id:sp_C$CostAnltDistrib"},
        {"a -- comment ' not a string\nb", "id:a id:b"},
        {"a /* outer /* inner */ still comment */ b", "id:a id:b"},
        {"'-- not a comment' '/* nor this */'", "str:-- not a comment str:/* nor this */"},
        {"x-1", "id:x sym:- int:1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(Tokenize(c.text)), c.tokens) << c.text;
}

TEST(TSqlLexer, TokensCarryLineAndColumn)
{
    auto tokens = Tokenize("SELECT a,\n  /* note\n */ N'x' -- tail\n\tFROM [t]");
    struct Expected {
        const char* text;
        int line;
        int column;
    };
    const Expected expected[] = {{"SELECT", 1, 1}, {"a", 1, 8}, {",", 1, 9}, {"x", 3, 5}, {"FROM", 4, 2}, {"t", 4, 7}};
    ASSERT_EQ(tokens.size(), std::size(expected) + 1);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(tokens[i].text, expected[i].text);
        EXPECT_EQ(tokens[i].line, expected[i].line) << expected[i].text;
        EXPECT_EQ(tokens[i].column, expected[i].column) << expected[i].text;
    }
    EXPECT_EQ(tokens[3].spelling, "N'x'");
}

TEST(TSqlLexer, UnclosedLiteralsAndStrayCharactersAreErrorsWithTheirPlace)
{
    struct Case {
        const char* text;
        int line;
        int column;
    };
    const Case cases[] = {
        {"SELECT\n  'abc", 2, 3},
        {"SELECT [abc", 1, 8},
        {"SELECT 1 /* open", 1, 10},
        {"SELECT a\n FROM t WHERE a = `x`", 2, 19},
    };
    for (const Case& c : cases) {
        try {
            Tokenize(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const SqlSyntaxError& e) {
            EXPECT_EQ(e.Line(), c.line) << c.text;
            EXPECT_EQ(e.Column(), c.column) << c.text;
        }
    }
}

} // namespace
} // namespace Talvex::Data::TSql
