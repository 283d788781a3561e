#include "gui/text_codec.h"

#include <array>

namespace fw::gui {

namespace {

// 0x80 to 0x9F; 0 where the code page has no character (the byte then maps to itself).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

QString fromCp1252(const std::string& bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (unsigned char b : bytes) {
    char16_t c = b;
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) c = kHigh[b - 0x80];
    out.append(QChar(c));
  }
  return out;
}

std::string toCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (QChar qc : text) {
    const char16_t c = qc.unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (std::size_t i = 0; i < kHigh.size(); ++i)
      if (kHigh[i] == c || (kHigh[i] == 0 && c == 0x80 + i)) mapped = static_cast<char>(0x80 + i);
    out += mapped;
  }
  return out;
}

}  // namespace fw::gui
