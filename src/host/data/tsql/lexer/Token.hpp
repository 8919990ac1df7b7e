#pragma once

#include <string>

namespace Talvex::Data::TSql {

enum class TokenKind {
    Identifier,       // plain name or keyword: SELECT, oTable, #Tmp
    QuotedIdentifier, // [30-60NeedPaySum] or "Name": never a keyword
    String,           // 'text'
    NString,          // N'text'
    Integer,          // 42
    Decimal,          // 4.25
    Float,            // 1e3
    Parameter,        // ?
    Variable,         // @Name
    Symbol,           // ( ) , . ; operators
    End,
};

// One token of a statement. `text` is its value (a string literal without its quotes and
// with doubled quotes undone, a bracketed name without brackets); `spelling` is the text as
// it stands in the statement, for error messages.
struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    std::string spelling;
    int line = 1;
    int column = 1;
};

} // namespace Talvex::Data::TSql
