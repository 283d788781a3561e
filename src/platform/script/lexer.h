#pragma once
// Splits a script text into VBScript tokens. Keywords are case-insensitive; "'" and Rem start a
// comment; " _" at a line end continues the line; CR, LF and CR LF end a line.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/vb/variant.h"

namespace fw::script {

enum class Tok : uint8_t {
  End,
  Newline,
  Colon,
  Number,  // value in Lexed::values
  String,
  Date,
  Name,
  LParen,
  RParen,
  Comma,
  Plus,
  Minus,
  Star,
  Slash,
  Backslash,
  Caret,
  Amp,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,
  // keywords
  KwAnd,
  KwOr,
  KwNot,
  KwXor,
  KwEqv,
  KwImp,
  KwMod,
  KwTrue,
  KwFalse,
  KwEmpty,
  KwNull,
  KwFunction,
  KwEnd,
  KwDim,
  KwConst,
  KwIf,
  KwThen,
  KwElse,
  KwElseIf,
  KwExit,
  KwCall,
  KwOption,
  KwByVal,
  KwByRef,
  KwReserved,  // a VBScript keyword for something this engine does not run (For, Sub, Set, ...)
};

struct Token {
  Tok kind = Tok::End;
  uint32_t pos = 0;  // byte offset in the text
  uint32_t len = 0;
  uint32_t value = 0;  // Number, String, Date: index into Lexed::values
};

struct Lexed {
  std::vector<Token> tokens;  // always ends with Tok::End
  std::vector<vb::Variant> values;
};

// Raises the VBScript compile error for an invalid character, an unterminated string, a bad
// date literal or an identifier longer than 255 characters.
Lexed lex(std::string_view text);

// A number literal starting at text[pos] ("12", "1.5", ".5", "1E-05", "1.5E+20", "&H1F"): on
// success pos moves past it and value holds an Integer, Long or Double as VBScript types the
// literal. Returns false, leaving pos, when no literal starts there. Raises Overflow for a
// literal beyond the Double range.
bool lexNumber(std::string_view text, std::size_t& pos, vb::Variant& value);

// True for a word the lexer reads as a keyword (And, If, Function, For, ...), any case.
bool isKeyword(std::string_view word);

bool isIdentStart(char c);
bool isIdentChar(char c);

}  // namespace fw::script
