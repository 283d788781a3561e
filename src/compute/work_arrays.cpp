#include "compute/work_arrays.h"

#include <cctype>

#include "platform/vb/convert.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::compute {

void ensureElements(std::vector<SeriesPoint>& series, int64_t last) {
  if (last >= 0 && static_cast<uint64_t>(last) >= series.size()) series.resize(static_cast<size_t>(last) + 1);
}

const std::string& field(const std::vector<std::string>& fields, size_t index) {
  if (index >= fields.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return fields[index];
}

double requiredNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i < text.size() && text[i] == '.') ++i;
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) vb::raise(vb::err::TypeMismatch);
  return vb::Val(text);
}

int16_t wholeNumber16(const std::string& text) {
  return vb::toInteger(vb::Val(text));
}

std::vector<std::vector<std::string>> readTableRows(const std::filesystem::path& path, size_t minFields) {
  const std::vector<std::string> lines = vb::readLines(path);
  std::vector<std::vector<std::string>> rows;
  for (size_t k = 1; k < lines.size(); ++k) {
    std::vector<std::string> fields = vb::Split(lines[k], "\t");
    if (fields.size() < minFields) continue;
    rows.push_back(std::move(fields));
  }
  return rows;
}

}  // namespace fw::compute
