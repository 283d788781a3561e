#include "platform/script/lexer.h"

#include <array>
#include <cctype>
#include <cmath>
#include <string>

#include "platform/script/script_errors.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"

namespace fw::script {

namespace {

struct Keyword {
  std::string_view name;
  Tok kind;
};

// VBScript's reserved words. Those this engine has no statement for are kept reserved, so that a
// script using them fails with a syntax error instead of running them as variable names.
constexpr std::array kKeywords{
    Keyword{"and", Tok::KwAnd},           Keyword{"or", Tok::KwOr},
    Keyword{"not", Tok::KwNot},           Keyword{"xor", Tok::KwXor},
    Keyword{"eqv", Tok::KwEqv},           Keyword{"imp", Tok::KwImp},
    Keyword{"mod", Tok::KwMod},           Keyword{"true", Tok::KwTrue},
    Keyword{"false", Tok::KwFalse},       Keyword{"empty", Tok::KwEmpty},
    Keyword{"null", Tok::KwNull},         Keyword{"function", Tok::KwFunction},
    Keyword{"end", Tok::KwEnd},           Keyword{"dim", Tok::KwDim},
    Keyword{"const", Tok::KwConst},       Keyword{"if", Tok::KwIf},
    Keyword{"then", Tok::KwThen},         Keyword{"else", Tok::KwElse},
    Keyword{"elseif", Tok::KwElseIf},     Keyword{"exit", Tok::KwExit},
    Keyword{"call", Tok::KwCall},         Keyword{"option", Tok::KwOption},
    Keyword{"byval", Tok::KwByVal},       Keyword{"byref", Tok::KwByRef},
    Keyword{"is", Tok::KwReserved},       Keyword{"nothing", Tok::KwReserved},
    Keyword{"sub", Tok::KwReserved},      Keyword{"set", Tok::KwReserved},
    Keyword{"let", Tok::KwReserved},      Keyword{"get", Tok::KwReserved},
    Keyword{"for", Tok::KwReserved},      Keyword{"each", Tok::KwReserved},
    Keyword{"in", Tok::KwReserved},       Keyword{"to", Tok::KwReserved},
    Keyword{"step", Tok::KwReserved},     Keyword{"next", Tok::KwReserved},
    Keyword{"do", Tok::KwReserved},       Keyword{"loop", Tok::KwReserved},
    Keyword{"while", Tok::KwReserved},    Keyword{"wend", Tok::KwReserved},
    Keyword{"until", Tok::KwReserved},    Keyword{"select", Tok::KwReserved},
    Keyword{"case", Tok::KwReserved},     Keyword{"with", Tok::KwReserved},
    Keyword{"class", Tok::KwReserved},    Keyword{"property", Tok::KwReserved},
    Keyword{"public", Tok::KwReserved},   Keyword{"private", Tok::KwReserved},
    Keyword{"redim", Tok::KwReserved},    Keyword{"preserve", Tok::KwReserved},
    Keyword{"erase", Tok::KwReserved},    Keyword{"new", Tok::KwReserved},
    Keyword{"me", Tok::KwReserved},       Keyword{"on", Tok::KwReserved},
    Keyword{"goto", Tok::KwReserved},     Keyword{"resume", Tok::KwReserved},
    Keyword{"randomize", Tok::KwReserved}, Keyword{"stop", Tok::KwReserved},
    Keyword{"execute", Tok::KwReserved},  Keyword{"executeglobal", Tok::KwReserved},
};

bool equalsIgnoreCase(std::string_view a, std::string_view lowerB) {
  if (a.size() != lowerB.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != lowerB[i]) return false;
  }
  return true;
}

Tok keywordOf(std::string_view word) {
  for (const Keyword& k : kKeywords) {
    if (equalsIgnoreCase(word, k.name)) return k.kind;
  }
  return Tok::Name;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool lexHex(std::string_view text, std::size_t& pos, vb::Variant& value) {
  std::size_t i = pos + 2;
  uint64_t n = 0;
  std::size_t digits = 0;
  while (i < text.size() && hexDigit(text[i]) >= 0) {
    n = n * 16 + static_cast<uint64_t>(hexDigit(text[i]));
    ++i;
    if (++digits > 8) fail(vb::err::Overflow);
  }
  if (digits == 0) return false;
  bool longMarker = i < text.size() && text[i] == '&';
  if (longMarker) ++i;
  // Like VB, four hex digits are an Integer bit pattern (&HFFFF is -1) and eight a Long one.
  if (digits <= 4 && !longMarker) {
    value = vb::Variant(static_cast<int16_t>(static_cast<uint16_t>(n)));
  } else {
    value = vb::Variant(static_cast<int32_t>(static_cast<uint32_t>(n)));
  }
  pos = i;
  return true;
}

}  // namespace

bool isKeyword(std::string_view word) { return keywordOf(word) != Tok::Name || equalsIgnoreCase(word, "rem"); }

bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c) || c == '_'; }

bool lexNumber(std::string_view text, std::size_t& pos, vb::Variant& value) {
  std::size_t i = pos;
  if (i + 1 < text.size() && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
    return lexHex(text, pos, value);
  }
  std::size_t intDigits = 0;
  while (i < text.size() && isDigit(text[i])) {
    ++i;
    ++intDigits;
  }
  bool isDouble = false;
  std::size_t fracDigits = 0;
  std::size_t point = std::string_view::npos;
  if (i < text.size() && text[i] == '.') {
    point = i - pos;
    std::size_t j = i + 1;
    while (j < text.size() && isDigit(text[j])) {
      ++j;
      ++fracDigits;
    }
    if (intDigits == 0 && fracDigits == 0) return false;
    i = j;
    isDouble = true;
  }
  if (intDigits == 0 && fracDigits == 0) return false;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t expDigits = 0;
    while (j < text.size() && isDigit(text[j])) {
      ++j;
      ++expDigits;
    }
    if (expDigits > 0) {
      i = j;
      isDouble = true;
    }
  }
  std::string_view literal = text.substr(pos, i - pos);
  if (!isDouble && intDigits <= 10) {
    int64_t n = 0;
    for (char c : literal) n = n * 10 + (c - '0');
    if (n <= 32767) {
      value = vb::Variant(static_cast<int16_t>(n));
    } else if (n <= 2147483647) {
      value = vb::Variant(static_cast<int32_t>(n));
    } else {
      value = vb::Variant(static_cast<double>(n));
    }
  } else {
    // Written out in full for the conversion: "5." as "5", ".5" as "0.5".
    std::string digits = intDigits == 0 ? "0" : "";
    if (point != std::string_view::npos && fracDigits == 0) {
      digits.append(literal.substr(0, point));
      digits.append(literal.substr(point + 1));
    } else {
      digits.append(literal);
    }
    double d = vb::CDbl(digits);
    if (!std::isfinite(d)) fail(vb::err::Overflow);
    value = vb::Variant(d);
  }
  pos = i;
  return true;
}

Lexed lex(std::string_view text) {
  Lexed out;
  out.tokens.reserve(text.size() / 2 + 2);
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto push = [&](Tok kind, std::size_t start, std::size_t end, uint32_t value = 0) {
    out.tokens.push_back(Token{kind, static_cast<uint32_t>(start), static_cast<uint32_t>(end - start), value});
  };
  auto pushValue = [&](Tok kind, std::size_t start, std::size_t end, vb::Variant v) {
    out.values.push_back(std::move(v));
    push(kind, start, end, static_cast<uint32_t>(out.values.size() - 1));
  };
  auto skipToLineEnd = [&] {
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
  };
  while (i < n) {
    char c = text[i];
    std::size_t start = i;
    if (isBlank(c)) {
      ++i;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      ++i;
      push(Tok::Newline, start, i);
    } else if (c == '\'') {
      skipToLineEnd();
    } else if (c == '_') {
      // Line continuation: "_" with nothing but blanks before the line end.
      std::size_t j = i + 1;
      while (j < n && isBlank(text[j])) ++j;
      if (j < n && (text[j] == '\r' || text[j] == '\n')) {
        if (text[j] == '\r' && j + 1 < n && text[j + 1] == '\n') ++j;
        i = j + 1;
      } else {
        fail(code::InvalidCharacter);
      }
    } else if (c == '"') {
      std::string s;
      ++i;
      for (;;) {
        if (i >= n || text[i] == '\r' || text[i] == '\n') fail(code::UnterminatedString);
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            s.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        s.push_back(text[i++]);
      }
      pushValue(Tok::String, start, i, vb::Variant(std::move(s)));
    } else if (c == '#') {
      std::size_t j = i + 1;
      while (j < n && text[j] != '#' && text[j] != '\r' && text[j] != '\n') ++j;
      if (j >= n || text[j] != '#') fail(code::SyntaxError);
      auto d = vb::parseDate(std::string(text.substr(i + 1, j - i - 1)));
      if (!d) fail(code::SyntaxError);
      i = j + 1;
      pushValue(Tok::Date, start, i, vb::Variant::Date(*d));
    } else if (isDigit(c) || c == '.' || c == '&') {
      vb::Variant v;
      if (lexNumber(text, i, v)) {
        pushValue(Tok::Number, start, i, std::move(v));
      } else if (c == '&') {
        ++i;
        push(Tok::Amp, start, i);
      } else {
        fail(code::InvalidCharacter);
      }
    } else if (isIdentStart(c)) {
      while (i < n && isIdentChar(text[i])) ++i;
      if (i - start > limit::kIdentifierLength) fail(code::IdentifierTooLong);
      std::string_view word = text.substr(start, i - start);
      if (equalsIgnoreCase(word, "rem")) {
        skipToLineEnd();
        continue;
      }
      push(keywordOf(word), start, i);
    } else {
      ++i;
      switch (c) {
        case '(': push(Tok::LParen, start, i); break;
        case ')': push(Tok::RParen, start, i); break;
        case ',': push(Tok::Comma, start, i); break;
        case ':': push(Tok::Colon, start, i); break;
        case '+': push(Tok::Plus, start, i); break;
        case '-': push(Tok::Minus, start, i); break;
        case '*': push(Tok::Star, start, i); break;
        case '/': push(Tok::Slash, start, i); break;
        case '\\': push(Tok::Backslash, start, i); break;
        case '^': push(Tok::Caret, start, i); break;
        case '=': push(Tok::Eq, start, i); break;
        case '<':
          if (i < n && text[i] == '>') {
            push(Tok::Ne, start, ++i);
          } else if (i < n && text[i] == '=') {
            push(Tok::Le, start, ++i);
          } else {
            push(Tok::Lt, start, i);
          }
          break;
        case '>':
          if (i < n && text[i] == '=') {
            push(Tok::Ge, start, ++i);
          } else {
            push(Tok::Gt, start, i);
          }
          break;
        default: fail(code::InvalidCharacter);
      }
    }
  }
  push(Tok::End, n, n);
  return out;
}

}  // namespace fw::script
