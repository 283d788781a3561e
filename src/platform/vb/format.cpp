#include "platform/vb/format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "platform/vb/calendar_names.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"

namespace vb {
namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equalsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// ---- number to text -----------------------------------------------------------------------

// The shortest text of value with at most `significant` digits, in printf's %G style: exponent
// form below 1E-04 and from 1E+significant, two exponent digits at least ("1E-05").
std::string generalText(double value, int significant, bool leadingBlank, bool leadingZero) {
  if (value == 0) return leadingBlank ? " 0" : "0";  // also -0
  char buf[64];
  char* out = buf;
  if (leadingBlank && value > 0) *out++ = ' ';
  auto r = std::to_chars(out, buf + sizeof buf, value, std::chars_format::general, significant);
  std::string s(buf, r.ptr);
  for (char& c : s) {
    if (c == 'e') c = 'E';
  }
  if (!leadingZero) {
    size_t zero = s.find("0.");
    if (zero != std::string::npos && (zero == 0 || s[zero - 1] == '-' || s[zero - 1] == ' '))
      s.erase(zero, 1);
  }
  return s;
}

// |value| as a decimal digit string rounded to `significant` digits: value = 0.digits x 10^point.
struct Decimal {
  std::string digits;  // no leading zero; empty for 0
  int point = 0;
};

Decimal toDecimal(double a, int significant) {
  Decimal d;
  if (a == 0 || !std::isfinite(a)) return d;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, significant - 1);
  const char* p = buf;
  const char* e = r.ptr;
  const char* exp = p;
  while (exp < e && *exp != 'e') ++exp;
  for (const char* q = p; q < exp; ++q) {
    if (*q != '.') d.digits += *q;
  }
  int x = 0;
  const char* xs = exp + 1;
  if (xs < e && *xs == '+') ++xs;
  std::from_chars(xs, e, x);
  d.point = x + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Rounds half away from zero to `decimals` places and splits into whole and fraction digits
// (whole is empty when the whole part is 0; fraction has exactly `decimals` digits).
void fixedDigits(const Decimal& d, int decimals, std::string& whole, std::string& fraction) {
  whole.clear();
  fraction.assign(static_cast<size_t>(decimals), '0');
  if (d.digits.empty()) return;
  const int keep = d.point + decimals;  // digits kept from the first significant one
  if (keep < 0) return;
  std::string kept =
      d.digits.substr(0, static_cast<size_t>(std::min<int>(keep, static_cast<int>(d.digits.size()))));
  int point = d.point;
  if (keep < static_cast<int>(d.digits.size()) && d.digits[static_cast<size_t>(keep)] >= '5') {
    kept.resize(static_cast<size_t>(keep), '0');
    int i = keep - 1;
    while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++kept[static_cast<size_t>(i)];
    } else {
      kept.insert(kept.begin(), '1');
      ++point;
    }
  }
  auto digitAt = [&](int index) -> char {  // index from the first significant digit
    return index >= 0 && index < static_cast<int>(kept.size()) ? kept[static_cast<size_t>(index)] : '0';
  };
  for (int i = 0; i < point; ++i) whole += digitAt(i);
  for (int k = 0; k < decimals; ++k) fraction[static_cast<size_t>(k)] = digitAt(point + k);
  size_t nz = whole.find_first_not_of('0');
  whole.erase(0, nz == std::string::npos ? whole.size() : nz);
}

// ---- number patterns ------------------------------------------------------------------------

enum class NumItem : uint8_t { Literal, Int0, IntHash, Point, Frac0, FracHash, Exponent };

struct NumToken {
  NumItem kind;
  std::string text;   // Literal: the text; Exponent: "E+" / "E-" / "e+" / "e-"
  int expDigits = 0;  // Exponent: minimum exponent digits
};

struct NumSection {
  std::vector<NumToken> items;
  int intCount = 0, minInt = 0, fracCount = 0, minFrac = 0;
  bool group = false, percent = false, scientific = false;
  int scale1000 = 0;
};

NumSection compileSection(const std::string& p) {
  NumSection s;
  bool afterPoint = false;
  int pendingCommas = 0;
  bool seenZero = false;
  auto literal = [&](const std::string& t) {
    if (!s.items.empty() && s.items.back().kind == NumItem::Literal)
      s.items.back().text += t;
    else
      s.items.push_back({NumItem::Literal, t});
  };
  auto flushCommas = [&] {
    if (pendingCommas > 0 && s.intCount > 0) s.scale1000 += pendingCommas;
    pendingCommas = 0;
  };
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '"') {
      size_t close = p.find('"', i + 1);
      if (close == std::string::npos) close = p.size();
      literal(p.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '\\') {
      if (i + 1 < p.size()) literal(std::string(1, p[++i]));
    } else if (c == '0' || c == '#') {
      if (!afterPoint) {
        if (pendingCommas > 0 && s.intCount > 0) s.group = true;
        pendingCommas = 0;
        if (c == '0') seenZero = true;
        ++s.intCount;
        if (seenZero) ++s.minInt;
        s.items.push_back({c == '0' ? NumItem::Int0 : NumItem::IntHash, {}});
      } else {
        ++s.fracCount;
        if (c == '0') s.minFrac = s.fracCount;
        s.items.push_back({c == '0' ? NumItem::Frac0 : NumItem::FracHash, {}});
      }
    } else if (c == '.' && !afterPoint) {
      flushCommas();
      afterPoint = true;
      s.items.push_back({NumItem::Point, {}});
    } else if (c == ',' && !afterPoint) {
      ++pendingCommas;
    } else if ((c == 'E' || c == 'e') && i + 2 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-') &&
               (p[i + 2] == '0' || p[i + 2] == '#') && !s.scientific) {
      flushCommas();
      NumToken t{NumItem::Exponent, p.substr(i, 2)};
      i += 2;
      while (i < p.size() && (p[i] == '0' || p[i] == '#')) {
        if (p[i] == '0') ++t.expDigits;
        ++i;
      }
      --i;
      s.scientific = true;
      afterPoint = true;  // no more mantissa digits
      s.items.push_back(std::move(t));
    } else {
      if (c == '%') s.percent = true;
      flushCommas();
      literal(std::string(1, c));
    }
  }
  flushCommas();
  if (s.intCount == 0) {
    // ".00": the whole digits still print, just before the point.
    size_t at = 0;
    while (at < s.items.size() && s.items[at].kind == NumItem::Literal) ++at;
    s.items.insert(s.items.begin() + static_cast<std::ptrdiff_t>(at), NumToken{NumItem::IntHash, {}});
    s.intCount = 1;
  }
  return s;
}

struct NumPattern {
  std::vector<NumSection> sections;  // 1 to 3: positive, negative, zero
  std::vector<bool> empty;
};

NumPattern compileNumber(const std::string& pattern) {
  NumPattern np;
  std::string cur;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '"') {
      size_t close = pattern.find('"', i + 1);
      if (close == std::string::npos) close = pattern.size() - 1;
      cur.append(pattern, i, close - i + 1);
      i = close;
    } else if (c == '\\' && i + 1 < pattern.size()) {
      cur += c;
      cur += pattern[++i];
    } else if (c == ';' && np.sections.size() < 3) {
      np.empty.push_back(cur.empty());
      np.sections.push_back(compileSection(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  np.empty.push_back(cur.empty());
  np.sections.push_back(compileSection(cur));
  return np;
}

std::string exponentText(int x, const NumToken& t) {
  std::string out(1, t.text[0]);
  if (x < 0)
    out += '-';
  else if (t.text[1] == '+')
    out += '+';
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, x < 0 ? -x : x);
  std::string digits(buf, r.ptr);
  if (static_cast<int>(digits.size()) < t.expDigits)
    digits.insert(0, static_cast<size_t>(t.expDigits) - digits.size(), '0');
  return out + digits;
}

// Formats |value| by one section; `minus` puts a "-" in front.
std::string formatSection(const NumSection& s, double value, int significant, bool minus) {
  double a = std::fabs(value);
  if (s.percent) a *= 100;
  for (int i = 0; i < s.scale1000; ++i) a /= 1000;
  Decimal d = toDecimal(a, significant);
  int exponent = 0;
  if (s.scientific && !d.digits.empty()) {
    exponent = d.point - s.intCount;
    d.point = s.intCount;
    // Rounding may carry into a new digit (9.99 -> 10.0): shift once more.
    std::string w, f;
    fixedDigits(d, s.fracCount, w, f);
    if (static_cast<int>(w.size()) > s.intCount) {
      ++exponent;
      --d.point;
    }
  }
  std::string whole, fraction;
  fixedDigits(d, s.fracCount, whole, fraction);
  if (static_cast<int>(whole.size()) < s.minInt)
    whole.insert(0, static_cast<size_t>(s.minInt) - whole.size(), '0');
  size_t fracLen = fraction.size();
  while (fracLen > static_cast<size_t>(s.minFrac) && fraction[fracLen - 1] == '0') --fracLen;
  bool allZero = whole.find_first_not_of('0') == std::string::npos &&
                 fraction.find_first_not_of('0') == std::string::npos;

  std::string out;
  out.reserve(whole.size() + fraction.size() + 16);
  if (minus && !allZero) out += '-';
  const int n = static_cast<int>(whole.size());
  const int excess = n - s.intCount;
  int intIndex = 0, fracIndex = 0;
  auto emitDigit = [&](int j) {
    out += whole[static_cast<size_t>(j)];
    int remaining = n - 1 - j;
    if (s.group && remaining > 0 && remaining % 3 == 0) out += ',';
  };
  for (const NumToken& t : s.items) {
    switch (t.kind) {
      case NumItem::Literal:
        out += t.text;
        break;
      case NumItem::Int0:
      case NumItem::IntHash: {
        const int k = intIndex++;
        if (k == 0 && excess > 0) {
          for (int j = 0; j <= excess; ++j) emitDigit(j);
        } else {
          int j = k + excess;
          if (j >= 0 && j < n) emitDigit(j);
        }
        break;
      }
      case NumItem::Point:
        out += '.';
        break;
      case NumItem::Frac0:
      case NumItem::FracHash: {
        const size_t k = static_cast<size_t>(fracIndex++);
        if (k < fracLen) out += fraction[k];
        break;
      }
      case NumItem::Exponent:
        out += exponentText(exponent, t);
        break;
    }
  }
  return out;
}

// A few compiled patterns per thread: the program formats long series with one or two patterns.
template <typename Compiled>
class PatternCache {
 public:
  template <typename Compile>
  const Compiled& get(const std::string& pattern, Compile compile) {
    for (auto& e : entries_) {
      if (e.used && e.pattern == pattern) return e.compiled;
    }
    Entry& e = entries_[next_];
    next_ = (next_ + 1) % entries_.size();
    e.pattern = pattern;
    e.compiled = compile(pattern);
    e.used = true;
    return e.compiled;
  }

 private:
  struct Entry {
    std::string pattern;
    Compiled compiled;
    bool used = false;
  };
  std::array<Entry, 4> entries_{};
  size_t next_ = 0;
};

// Named number formats.
const char* namedNumberPattern(const std::string& p) {
  if (equalsNoCase(p, "Fixed")) return "0.00";
  if (equalsNoCase(p, "Standard")) return "#,##0.00";
  if (equalsNoCase(p, "Percent")) return "0.00%";
  if (equalsNoCase(p, "Scientific")) return "0.00E+00";
  return nullptr;
}

std::string formatNumberAs(double value, const std::string& pattern, int significant) {
  if (pattern.empty() || equalsNoCase(pattern, "General Number")) {
    return generalText(value, significant, false, true);
  }
  if (const char* named = namedNumberPattern(pattern)) return formatNumberAs(value, named, significant);
  thread_local PatternCache<NumPattern> cache;
  const NumPattern& np = cache.get(pattern, compileNumber);
  const size_t n = np.sections.size();
  if (value < 0 && n >= 2 && !np.empty[1]) return formatSection(np.sections[1], value, significant, false);
  if (value == 0 && n >= 3 && !np.empty[2]) return formatSection(np.sections[2], value, significant, false);
  return formatSection(np.sections[0], value, significant, value < 0);
}

// ---- date patterns ------------------------------------------------------------------------

enum class DateItem : uint8_t {
  Literal,
  D,
  DD,
  DDD,
  DDDD,
  ShortDate,
  LongDate,
  W,
  WW,
  M,
  MM,
  MMM,
  MMMM,
  MinM,
  MinMM,
  Q,
  Y,
  YY,
  YYYY,
  H,
  HH,
  N,
  NN,
  S,
  SS,
  AmPm,
  AP,
  AMPM,
  General,
  LongTime,
};

struct DateToken {
  DateItem kind;
  std::string text;  // Literal text; for AmPm/AP the case sample ("A" or "a")
};

struct DatePattern {
  std::vector<DateToken> items;
  bool twelveHour = false;
  bool anyToken = false;
  bool numberFirst = false;  // the first placeholder is a number placeholder (0 # . , %)
};

bool matchNoCase(const std::string& p, size_t i, const char* word) {
  for (size_t k = 0; word[k]; ++k) {
    if (i + k >= p.size() || lower(p[i + k]) != word[k]) return false;
  }
  return true;
}

DatePattern compileDate(const std::string& p) {
  DatePattern dp;
  bool afterHour = false;
  bool decided = false;
  auto literal = [&](const std::string& t) {
    if (!dp.items.empty() && dp.items.back().kind == DateItem::Literal)
      dp.items.back().text += t;
    else
      dp.items.push_back({DateItem::Literal, t});
  };
  auto token = [&](DateItem k, std::string text = {}) {
    dp.items.push_back({k, std::move(text)});
    if (!decided) decided = true;
    dp.anyToken = true;
    afterHour = k == DateItem::H || k == DateItem::HH;
  };
  auto run = [&](size_t i, char c) {
    size_t n = 0;
    while (i + n < p.size() && lower(p[i + n]) == c) ++n;
    return n;
  };
  for (size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    const char l = lower(c);
    if (c == '"') {
      size_t close = p.find('"', i + 1);
      if (close == std::string::npos) close = p.size();
      literal(p.substr(i + 1, close - i - 1));
      i = close;
      continue;
    }
    if (c == '\\') {
      if (i + 1 < p.size()) literal(std::string(1, p[++i]));
      continue;
    }
    if (matchNoCase(p, i, "am/pm")) {
      token(DateItem::AmPm, std::string(1, c));
      dp.twelveHour = true;
      i += 4;
      continue;
    }
    if (matchNoCase(p, i, "a/p")) {
      token(DateItem::AP, std::string(1, c));
      dp.twelveHour = true;
      i += 2;
      continue;
    }
    if (matchNoCase(p, i, "ampm")) {
      token(DateItem::AMPM);
      dp.twelveHour = true;
      i += 3;
      continue;
    }
    size_t n = 0;
    switch (l) {
      case 'd': {
        n = std::min<size_t>(run(i, 'd'), 6);
        static constexpr DateItem kD[] = {DateItem::D,    DateItem::DD,        DateItem::DDD,
                                          DateItem::DDDD, DateItem::ShortDate, DateItem::LongDate};
        token(kD[n - 1]);
        break;
      }
      case 'm': {
        size_t r = run(i, 'm');
        if (afterHour && r <= 2) {
          n = r;
          token(n == 2 ? DateItem::MinMM : DateItem::MinM);
        } else {
          n = std::min<size_t>(r, 4);
          static constexpr DateItem kM[] = {DateItem::M, DateItem::MM, DateItem::MMM, DateItem::MMMM};
          token(kM[n - 1]);
        }
        break;
      }
      case 'y': {
        size_t r = run(i, 'y');
        n = r >= 4 ? 4 : (r >= 2 ? 2 : 1);
        token(n == 4 ? DateItem::YYYY : (n == 2 ? DateItem::YY : DateItem::Y));
        break;
      }
      case 'h':
        n = std::min<size_t>(run(i, 'h'), 2);
        token(n == 2 ? DateItem::HH : DateItem::H);
        break;
      case 'n':
        n = std::min<size_t>(run(i, 'n'), 2);
        token(n == 2 ? DateItem::NN : DateItem::N);
        break;
      case 's':
        n = std::min<size_t>(run(i, 's'), 2);
        token(n == 2 ? DateItem::SS : DateItem::S);
        break;
      case 'w':
        n = std::min<size_t>(run(i, 'w'), 2);
        token(n == 2 ? DateItem::WW : DateItem::W);
        break;
      case 'q':
        n = 1;
        token(DateItem::Q);
        break;
      case 'c':
        n = 1;
        token(DateItem::General);
        break;
      case 't':
        if (run(i, 't') >= 5) {
          n = 5;
          token(DateItem::LongTime);
        }
        break;
      default:
        break;
    }
    if (n > 0) {
      i += n - 1;
      continue;
    }
    if (!decided && (c == '0' || c == '#' || c == '%' || c == '.' || c == ',')) {
      decided = true;
      dp.numberFirst = true;
    }
    literal(std::string(1, c));
  }
  return dp;
}

void twoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

void number(std::string& out, int v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

const DatePattern& compiledDate(const std::string& pattern) {
  thread_local PatternCache<DatePattern> cache;
  return cache.get(pattern, compileDate);
}

// The fixed forms, compiled once. Tokens that expand to them use these and never the cache, so
// formatting one pattern never evicts the cache entry it is reading.
enum class Fixed { ShortDate, LongDate, MediumDate, LongTime, MediumTime, ShortTime, General, TimeOnly };

const DatePattern& fixedPattern(Fixed f) {
  static const DatePattern kPatterns[] = {
      compileDate("m/d/yyyy"),
      compileDate("dddd, mmmm dd, yyyy"),
      compileDate("dd-mmm-yy"),
      compileDate("h:nn:ss AMPM"),
      compileDate("hh:nn AMPM"),
      compileDate("hh:nn"),
      compileDate("m/d/yyyy h:nn:ss AMPM"),
      compileDate("h:nn:ss AMPM"),
  };
  return kPatterns[static_cast<int>(f)];
}

std::string formatDateWith(VbDate d, const DatePattern& dp);

std::string generalDate(VbDate d) {
  VbDate rounded = roundToSecond(d);
  VbDate day = DateValue(rounded);
  if (day == 0) return formatDateWith(rounded, fixedPattern(Fixed::TimeOnly));
  if (rounded == day) return formatDateWith(rounded, fixedPattern(Fixed::ShortDate));
  return formatDateWith(rounded, fixedPattern(Fixed::General));
}

std::string formatDateText(VbDate d, const std::string& pattern) {
  if (pattern.empty() || equalsNoCase(pattern, "General Date")) return generalDate(d);
  if (equalsNoCase(pattern, "Short Date")) return formatDateWith(d, fixedPattern(Fixed::ShortDate));
  if (equalsNoCase(pattern, "Long Date")) return formatDateWith(d, fixedPattern(Fixed::LongDate));
  if (equalsNoCase(pattern, "Medium Date")) return formatDateWith(d, fixedPattern(Fixed::MediumDate));
  if (equalsNoCase(pattern, "Long Time")) return formatDateWith(d, fixedPattern(Fixed::LongTime));
  if (equalsNoCase(pattern, "Medium Time")) return formatDateWith(d, fixedPattern(Fixed::MediumTime));
  if (equalsNoCase(pattern, "Short Time")) return formatDateWith(d, fixedPattern(Fixed::ShortTime));
  return formatDateWith(d, compiledDate(pattern));
}

std::string formatDateWith(VbDate d, const DatePattern& dp) {
  const CivilDateTime c = toCivil(d);
  const int hour12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
  const int hour = dp.twelveHour ? hour12 : c.hour;
  const bool pm = c.hour >= 12;
  std::string out;
  out.reserve(32);
  for (const DateToken& t : dp.items) {
    switch (t.kind) {
      case DateItem::Literal:
        out += t.text;
        break;
      case DateItem::D:
        number(out, c.day);
        break;
      case DateItem::DD:
        twoDigits(out, c.day);
        break;
      case DateItem::DDD:
        out.append(detail::kDayNames[Weekday(d) - 1], 3);
        break;
      case DateItem::DDDD:
        out += detail::kDayNames[Weekday(d) - 1];
        break;
      case DateItem::ShortDate:
        out += formatDateWith(d, fixedPattern(Fixed::ShortDate));
        break;
      case DateItem::LongDate:
        out += formatDateWith(d, fixedPattern(Fixed::LongDate));
        break;
      case DateItem::W:
        number(out, Weekday(d));
        break;
      case DateItem::WW:
        number(out, DatePart("ww", d));
        break;
      case DateItem::M:
        number(out, c.month);
        break;
      case DateItem::MM:
        twoDigits(out, c.month);
        break;
      case DateItem::MMM:
        out.append(detail::kMonthNames[c.month - 1], 3);
        break;
      case DateItem::MMMM:
        out += detail::kMonthNames[c.month - 1];
        break;
      case DateItem::MinM:
        number(out, c.minute);
        break;
      case DateItem::MinMM:
        twoDigits(out, c.minute);
        break;
      case DateItem::Q:
        number(out, (c.month - 1) / 3 + 1);
        break;
      case DateItem::Y:
        number(out, DayOfYear(d));
        break;
      case DateItem::YY:
        twoDigits(out, c.year % 100);
        break;
      case DateItem::YYYY:
        number(out, c.year);
        break;
      case DateItem::H:
        number(out, hour);
        break;
      case DateItem::HH:
        twoDigits(out, hour);
        break;
      case DateItem::N:
        number(out, c.minute);
        break;
      case DateItem::NN:
        twoDigits(out, c.minute);
        break;
      case DateItem::S:
        number(out, c.second);
        break;
      case DateItem::SS:
        twoDigits(out, c.second);
        break;
      case DateItem::AmPm:
      case DateItem::AP: {
        const bool upper = t.text[0] >= 'A' && t.text[0] <= 'Z';
        if (t.kind == DateItem::AmPm)
          out += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
        else
          out += pm ? (upper ? 'P' : 'p') : (upper ? 'A' : 'a');
        break;
      }
      case DateItem::AMPM:
        out += pm ? "PM" : "AM";
        break;
      case DateItem::General:
        out += generalDate(d);
        break;
      case DateItem::LongTime:
        out += formatDateWith(d, fixedPattern(Fixed::LongTime));
        break;
    }
  }
  return out;
}

// Whether a pattern formats a number: named number formats and patterns whose first
// placeholder is a digit placeholder ("0.00", "#,##0", "$0"); date tokens otherwise.
bool isNumberPattern(const std::string& pattern) {
  if (pattern.empty()) return true;
  if (namedNumberPattern(pattern) || equalsNoCase(pattern, "General Number")) return true;
  const DatePattern& dp = compiledDate(pattern);
  return dp.numberFirst || !dp.anyToken;
}

}  // namespace

std::string Format(VbDate d, const std::string& pattern) {
  if (isNumberPattern(pattern)) return formatNumberAs(d, pattern, 15);
  return formatDateText(d, pattern);
}

std::string FormatNumber(double value, const std::string& pattern) {
  return formatNumberAs(value, pattern, 15);
}

std::string Format(float value, const std::string& pattern) {
  if (isNumberPattern(pattern)) return formatNumberAs(value, pattern, 7);
  return formatDateText(value, pattern);
}

std::string Format(int32_t value, const std::string& pattern) {
  return Format(static_cast<double>(value), pattern);
}

std::string Format(const Variant& v, const std::string& pattern) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      return std::string();
    case VarType::Boolean:
      if (pattern.empty()) return v.toString();
      return formatNumberAs(v.toDouble(), pattern, 15);
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
      if (pattern.empty()) return v.toString();
      return Format(v.toDouble(), pattern);
    case VarType::Single:
      if (pattern.empty()) return v.toString();
      return Format(v.toSingle(), pattern);
    case VarType::Date: {
      VbDate d = v.toDate();
      if (!pattern.empty() && isNumberPattern(pattern)) return formatNumberAs(d, pattern, 15);
      return formatDateText(d, pattern);
    }
    case VarType::String: {
      const std::string& s = std::get<std::string>(v.storage());
      if (pattern.empty()) return s;
      if (IsNumeric(s)) return Format(CDbl(s), pattern);
      if (!isNumberPattern(pattern)) {
        if (std::optional<VbDate> d = parseDate(s)) return formatDateText(*d, pattern);
      }
      return s;
    }
  }
  return std::string();
}

std::string Str(double value) {
  return generalText(value, 15, true, false);
}
std::string StrSingle(float value) {
  return generalText(value, 7, true, false);
}
std::string Str(int32_t value) {
  char buf[16];
  char* out = buf;
  if (value >= 0) *out++ = ' ';
  auto r = std::to_chars(out, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string CStr(double value) {
  return generalText(value, 15, false, true);
}
std::string CStrSingle(float value) {
  return generalText(value, 7, false, true);
}
std::string CStr(int32_t value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string CStrDate(VbDate d) {
  return generalDate(d);
}

std::string PrintNumber(double value) {
  return Str(value) + ' ';
}

}  // namespace vb
