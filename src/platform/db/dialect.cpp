#include "platform/db/dialect.h"

#include <cctype>
#include <charconv>
#include <optional>

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

}  // namespace

std::string dayLiteral(vb::VbDate d) {
  double r = vb::roundToSecond(d);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, r);
  return std::string(buf, res.ptr);
}

std::string translateAccessSql(const std::string& sql, bool aposDates) {
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
          out += dayLiteral(*d);
          i = j + 1;
          continue;
        }
      }
      out.append(sql, i, j + 1 - i);
      i = j + 1;
      continue;
    }
    if (c == '#') {
      size_t j = sql.find('#', i + 1);
      if (j != std::string::npos) {
        if (std::optional<vb::VbDate> d = vb::parseDate(sql.substr(i + 1, j - i - 1))) {
          out += dayLiteral(*d);
          i = j + 1;
          continue;
        }
        out.append(sql, i, j + 1 - i);
        i = j + 1;
        continue;
      }
      out += c;
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
        out.append(sql, i, j + 1 - i);
        i = j + 1;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace fw::db
