#include "host/data/tsql/lexer/Lexer.hpp"

#include "host/data/tsql/TSql.hpp"

namespace Talvex::Data::TSql {
namespace {

bool IsNameStart(char c)
{
    auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' || u >= 0x80;
}

bool IsNamePart(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '@' || c == '$';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    std::vector<Token> Run()
    {
        std::vector<Token> tokens;
        for (;;) {
            SkipBlanksAndComments();
            Token t;
            t.line = line_;
            t.column = column_;
            std::size_t start = pos_;
            tokenStart_ = pos_;
            if (pos_ >= text_.size()) {
                t.kind = TokenKind::End;
                tokens.push_back(std::move(t));
                return tokens;
            }
            ReadToken(t);
            t.spelling = std::string(text_.substr(start, pos_ - start));
            tokens.push_back(std::move(t));
        }
    }

private:
    char At(std::size_t offset = 0) const { return pos_ + offset < text_.size() ? text_[pos_ + offset] : '\0'; }

    void Advance(std::size_t count = 1)
    {
        for (std::size_t i = 0; i < count && pos_ < text_.size(); ++i) {
            if (text_[pos_] == '\n') {
                ++line_;
                column_ = 1;
            } else if ((static_cast<unsigned char>(text_[pos_]) & 0xC0) != 0x80) {
                // Columns count characters, not the continuation bytes of UTF-8.
                ++column_;
            }
            ++pos_;
        }
    }

    [[noreturn]] void Fail(int line, int column, std::string_view near, const std::string& problem) const
    {
        throw SqlSyntaxError(line, column, std::string(near), problem);
    }

    void SkipBlanksAndComments()
    {
        for (;;) {
            char c = At();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                Advance();
            } else if (c == '-' && At(1) == '-') {
                while (pos_ < text_.size() && At() != '\n')
                    Advance();
            } else if (c == '/' && At(1) == '*') {
                int line = line_, column = column_;
                // T-SQL block comments nest.
                int depth = 0;
                do {
                    if (pos_ >= text_.size()) Fail(line, column, "/*", "the comment is not closed");
                    if (At() == '/' && At(1) == '*') {
                        ++depth;
                        Advance(2);
                    } else if (At() == '*' && At(1) == '/') {
                        --depth;
                        Advance(2);
                    } else {
                        Advance();
                    }
                } while (depth > 0);
            } else {
                return;
            }
        }
    }

    // Reads up to the closing delimiter; a doubled delimiter stands for itself.
    std::string ReadDelimited(char close, const Token& t, std::string_view what)
    {
        std::string value;
        Advance(); // the opening delimiter
        for (;;) {
            if (pos_ >= text_.size())
                Fail(t.line, t.column, text_.substr(tokenStart_, 20), std::string(what) + " is not closed");
            char c = At();
            if (c == close) {
                if (At(1) == close) {
                    value += close;
                    Advance(2);
                    continue;
                }
                Advance();
                return value;
            }
            value += c;
            Advance();
        }
    }

    void ReadNumber(Token& t)
    {
        std::size_t start = pos_;
        t.kind = TokenKind::Integer;
        while (IsDigit(At()))
            Advance();
        if (At() == '.') {
            t.kind = TokenKind::Decimal;
            Advance();
            while (IsDigit(At()))
                Advance();
        }
        if ((At() == 'e' || At() == 'E') && (IsDigit(At(1)) || ((At(1) == '+' || At(1) == '-') && IsDigit(At(2))))) {
            t.kind = TokenKind::Float;
            Advance(2);
            while (IsDigit(At()))
                Advance();
        }
        t.text = std::string(text_.substr(start, pos_ - start));
    }

    // #Name: a session temporary table. Its name is written quoted on the server, so it
    // holds only characters that can never end or escape the quotes.
    void ReadTemporaryTableName(Token& t)
    {
        std::size_t start = pos_;
        if (At(1) == '#')
            Fail(t.line, t.column, text_.substr(start, 2), "global temporary tables (##name) are not supported");
        Advance();
        while (IsNamePart(At()))
            Advance();
        t.kind = TokenKind::Identifier;
        t.text = std::string(text_.substr(start, pos_ - start));
        if (!IsTemporaryTableName(t.text))
            Fail(t.line, t.column, t.text, "a temporary table name is '#' and then only letters, digits and '_'");
    }

    void ReadToken(Token& t)
    {
        char c = At();
        if ((c == 'N' || c == 'n') && At(1) == '\'') {
            Advance();
            t.kind = TokenKind::NString;
            t.text = ReadDelimited('\'', t, "the text literal");
        } else if (c == '\'') {
            t.kind = TokenKind::String;
            t.text = ReadDelimited('\'', t, "the text literal");
        } else if (c == '[') {
            t.kind = TokenKind::QuotedIdentifier;
            t.text = ReadDelimited(']', t, "the bracketed name");
        } else if (c == '"') {
            t.kind = TokenKind::QuotedIdentifier;
            t.text = ReadDelimited('"', t, "the quoted name");
        } else if (IsDigit(c) || (c == '.' && IsDigit(At(1)))) {
            ReadNumber(t);
        } else if (c == '@' && IsNamePart(At(1))) {
            std::size_t start = pos_;
            Advance();
            while (IsNamePart(At()))
                Advance();
            t.kind = TokenKind::Variable;
            t.text = std::string(text_.substr(start, pos_ - start));
        } else if (c == '#') {
            ReadTemporaryTableName(t);
        } else if (IsNameStart(c)) {
            std::size_t start = pos_;
            while (IsNamePart(At()))
                Advance();
            t.kind = TokenKind::Identifier;
            t.text = std::string(text_.substr(start, pos_ - start));
        } else if (c == '?') {
            Advance();
            t.kind = TokenKind::Parameter;
            t.text = "?";
        } else {
            static constexpr std::string_view kTwoCharSymbols[] = {"<=", ">=", "<>", "!=", "!<", "!>"};
            t.kind = TokenKind::Symbol;
            for (std::string_view two : kTwoCharSymbols) {
                if (c == two[0] && At(1) == two[1]) {
                    t.text = std::string(two);
                    Advance(2);
                    return;
                }
            }
            static constexpr std::string_view kOneCharSymbols = "(),.;=<>+-*/%&|^~";
            if (kOneCharSymbols.find(c) == std::string_view::npos)
                Fail(t.line, t.column, text_.substr(pos_, 1), "unexpected character");
            t.text = std::string(1, c);
            Advance();
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    int line_ = 1;
    int column_ = 1;
};

} // namespace

std::vector<Token> Tokenize(std::string_view text)
{
    return Lexer(text).Run();
}

} // namespace Talvex::Data::TSql
