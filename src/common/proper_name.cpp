#include "common/proper_name.h"

#include <vector>

#include "platform/vb/strings.h"

namespace fw {
namespace {

// Words found anywhere in this text stay lower case; a plain substring test, so "low" and "ear"
// qualify too.
constexpr const char* kLowerCaseWords = "at a above ab abv blw bl below nr near ";
// The degree sign as a byte: in Windows-1252 text it is this byte alone, in UTF-8 its second byte.
constexpr const char* kDegreeSign = "\xB0";

std::string properWord(const std::string& word) {
  const std::string third = vb::Mid(word, 3, 1);
  if (third.empty() || vb::UCase(third) == third) return word;
  std::string w = vb::LCase(word);
  if (vb::InStr(kLowerCaseWords, w) > 0) return w;
  w = vb::UCase(vb::Left(w, 1)) + vb::Mid(w, 2);
  if (vb::InStr(w, kDegreeSign) > 0) w = vb::UCase(w);
  if (vb::InStr(w, "Ytd") > 0) w = vb::UCase(w);
  if (vb::InStr(w, "Ph") > 0) w = "pH";
  return w;
}

}  // namespace

std::string ProperName(const std::string& text) {
  std::vector<std::string> words = vb::Split(text, " ");
  for (std::string& w : words) w = properWord(w);
  return vb::Join(words, " ");
}

}  // namespace fw
