#include "platform/db/dialect.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>

#include "platform/db/error.h"
#include "platform/vb/convert.h"

namespace fw::db {

namespace {

bool digits(const std::string& s, size_t& i, int minCount, int maxCount) {
  int n = 0;
  while (i < s.size() && n < maxCount && std::isdigit(static_cast<unsigned char>(s[i]))) {
    ++i;
    ++n;
  }
  return n >= minCount;
}

// "m/d/yyyy", optionally followed by one or two blanks and "h:mm" or "h:mm:ss": the forms a text
// literal must have to count as a date on an apostrophe-dates connection.
bool monthFirstDateForm(const std::string& s) {
  size_t i = 0;
  if (!digits(s, i, 1, 2) || i >= s.size() || s[i++] != '/') return false;
  if (!digits(s, i, 1, 2) || i >= s.size() || s[i++] != '/') return false;
  if (!digits(s, i, 4, 4)) return false;
  if (i == s.size()) return true;
  size_t blanks = 0;
  while (i < s.size() && s[i] == ' ') {
    ++i;
    ++blanks;
  }
  if (blanks < 1 || blanks > 2) return false;
  if (!digits(s, i, 1, 2) || i >= s.size() || s[i++] != ':') return false;
  if (!digits(s, i, 2, 2)) return false;
  if (i < s.size()) {
    if (s[i++] != ':' || !digits(s, i, 2, 2)) return false;
  }
  return i == s.size();
}

bool sheetName(const std::string& inner) {
  if (inner.size() < 2 || inner.back() != '$') return false;
  for (size_t i = 0; i + 1 < inner.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(inner[i]);
    if (!std::isalnum(c) && c != '_') return false;
  }
  return true;
}

bool startsWordAt(const std::string& s, size_t i, const char* word) {
  size_t n = std::char_traits<char>::length(word);
  if (i + n > s.size()) return false;
  for (size_t k = 0; k < n; ++k)
    if (std::tolower(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
  return i + n == s.size() || std::isspace(static_cast<unsigned char>(s[i + n]));
}

// "select top n rest" becomes "select rest limit n"; anything else is returned as it is.
std::string moveTopToLimit(const std::string& sql) {
  size_t i = 0;
  auto blanks = [&] {
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  };
  blanks();
  if (!startsWordAt(sql, i, "select")) return sql;
  const size_t afterSelect = i + 6;
  i = afterSelect;
  blanks();
  if (!startsWordAt(sql, i, "top")) return sql;
  const size_t topAt = i;
  i += 3;
  blanks();
  const size_t numberAt = i;
  while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
  if (i == numberAt || i >= sql.size() || !std::isspace(static_cast<unsigned char>(sql[i]))) return sql;
  const std::string count = sql.substr(numberAt, i - numberAt);
  std::string rest = sql.substr(0, topAt) + sql.substr(i + 1);
  size_t end = rest.size();
  while (end > 0 && (rest[end - 1] == ';' || std::isspace(static_cast<unsigned char>(rest[end - 1])))) --end;
  return rest.substr(0, end) + " limit " + count + rest.substr(end);
}

std::string dateLiteralFor(vb::VbDate d, SqlTarget target) {
  if (target == SqlTarget::Postgres) return "TIMESTAMP '" + timestampText(d) + "'";
  return dayLiteral(d);
}

[[noreturn]] void untranslatable(const std::string& what, const std::string& sql) {
  raise(err::FaultyCommand, "Syntax error in date in query expression '" + what + "' (the statement was not sent: " +
                                sql + ")");
}

}  // namespace

std::string timestampText(vb::VbDate d) {
  vb::CivilDateTime c = vb::toCivil(d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return buf;
}

std::string dayLiteral(vb::VbDate d) {
  double r = vb::roundToSecond(d);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, r);
  return std::string(buf, res.ptr);
}

std::string translateAccessSql(const std::string& sql, bool aposDates, SqlTarget target) {
  const bool pg = target == SqlTarget::Postgres;
  std::string out;
  out.reserve(sql.size() + 16);
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      // A quoted text runs to the matching quote; a doubled quote stands for one.
      size_t j = i + 1;
      std::string inner;
      bool closed = false;
      while (j < n) {
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            inner += c;
            j += 2;
            continue;
          }
          closed = true;
          break;
        }
        inner += sql[j++];
      }
      if (!closed) {
        out.append(sql, i, std::string::npos);
        break;
      }
      if (c == '\'' && aposDates && monthFirstDateForm(inner)) {
        if (std::optional<vb::VbDate> d = vb::parseDate(inner)) {
          out += dateLiteralFor(*d, target);
          i = j + 1;
          continue;
        }
      }
      if (pg && c == '"') {
        // A text between double quotes is a text in the Access dialect, a name on the server.
        out += '\'';
        for (char t : inner) {
          if (t == '\'') out += '\'';
          out += t;
        }
        out += '\'';
        i = j + 1;
        continue;
      }
      out.append(sql, i, j + 1 - i);
      i = j + 1;
      continue;
    }
    if (c == '#') {
      size_t j = sql.find('#', i + 1);
      if (j != std::string::npos) {
        if (std::optional<vb::VbDate> d = vb::parseDate(sql.substr(i + 1, j - i - 1))) {
          out += dateLiteralFor(*d, target);
          i = j + 1;
          continue;
        }
        // On the server # is an operator: the statement would run with another meaning.
        if (pg) untranslatable(sql.substr(i, j + 1 - i), sql);
        out.append(sql, i, j + 1 - i);
        i = j + 1;
        continue;
      }
      if (pg) untranslatable(sql.substr(i), sql);
      out += c;
      ++i;
      continue;
    }
    if (pg && c == '&') {
      out += "||";
      ++i;
      continue;
    }
    if (c == '[') {
      size_t j = sql.find(']', i + 1);
      if (j != std::string::npos) {
        std::string inner = sql.substr(i + 1, j - i - 1);
        if (sheetName(inner)) {
          out += inner.substr(0, inner.size() - 1);
          i = j + 1;
          continue;
        }
        if (pg) {
          out += '"';
          for (char t : inner) {
            if (t == '"') out += '"';
            out += t;
          }
          out += '"';
        } else {
          out.append(sql, i, j + 1 - i);
        }
        i = j + 1;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return pg ? moveTopToLimit(out) : out;
}

}  // namespace fw::db
