#include "platform/vb/strings.h"

#include "platform/vb/error.h"

namespace vb {

int InStr(const std::string& haystack, const std::string& needle) {
  return InStr(1, haystack, needle);
}

int InStr(int start, const std::string& haystack, const std::string& needle) {
  if (start < 1) raise(err::InvalidProcedureCall);
  if (haystack.empty()) return 0;
  const auto from = static_cast<size_t>(start - 1);
  if (from >= haystack.size()) return 0;
  if (needle.empty()) return start;
  size_t pos = haystack.find(needle, from);
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

int InStrRev(const std::string& haystack, const std::string& needle) {
  if (haystack.empty()) return 0;
  if (needle.empty()) return static_cast<int>(haystack.size());
  size_t pos = haystack.rfind(needle);
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

std::string Mid(const std::string& text, int start) {
  if (start < 1) raise(err::InvalidProcedureCall);
  const auto from = static_cast<size_t>(start - 1);
  return from >= text.size() ? std::string() : text.substr(from);
}

std::string Mid(const std::string& text, int start, int length) {
  if (start < 1 || length < 0) raise(err::InvalidProcedureCall);
  const auto from = static_cast<size_t>(start - 1);
  return from >= text.size() ? std::string() : text.substr(from, static_cast<size_t>(length));
}

std::string Left(const std::string& text, int length) {
  if (length < 0) raise(err::InvalidProcedureCall);
  return text.substr(0, static_cast<size_t>(length));
}

std::string Right(const std::string& text, int length) {
  if (length < 0) raise(err::InvalidProcedureCall);
  const auto n = static_cast<size_t>(length);
  return n >= text.size() ? text : text.substr(text.size() - n);
}

int Len(const std::string& text) {
  return static_cast<int>(text.size());
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  if (separator.empty()) {
    parts.push_back(text);
    return parts;
  }
  size_t from = 0;
  for (;;) {
    size_t pos = text.find(separator, from);
    if (pos == std::string::npos) {
      parts.emplace_back(text, from);
      return parts;
    }
    parts.emplace_back(text, from, pos - from);
    from = pos + separator.size();
  }
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

std::string LTrim(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : text.substr(b);
}

std::string RTrim(const std::string& text) {
  size_t e = text.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : text.substr(0, e + 1);
}

std::string Trim(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

std::string UCase(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string LCase(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Replace(const std::string& text, const std::string& find, const std::string& with) {
  if (find.empty() || text.empty()) return text;
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (;;) {
    size_t pos = text.find(find, from);
    if (pos == std::string::npos) break;
    out.append(text, from, pos - from);
    out += with;
    from = pos + find.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string Space(int count) {
  if (count < 0) raise(err::InvalidProcedureCall);
  return std::string(static_cast<size_t>(count), ' ');
}

std::string String(int count, char c) {
  if (count < 0) raise(err::InvalidProcedureCall);
  return std::string(static_cast<size_t>(count), c);
}

int UBound(const std::vector<std::string>& parts) {
  return static_cast<int>(parts.size()) - 1;
}

}  // namespace vb
