#pragma once
// Checked access to the 1-based work arrays of the computations and the small number readings
// they share. An index outside an array raises "Subscript out of range", as the methods' callers
// expect, never undefined behaviour.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/vb/error.h"
#include "store/store_state.h"

namespace fw::compute {

template <class T>
T& at(std::vector<T>& v, int64_t i) {
  if (i < 0 || static_cast<uint64_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(i)];
}
template <class T>
const T& at(const std::vector<T>& v, int64_t i) {
  if (i < 0 || static_cast<uint64_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(i)];
}

// Makes sure elements 0..last exist (new ones are empty points), for methods whose results
// reach past the last value read: Tatum's passes and a reservoir cascade's shift.
void ensureElements(std::vector<SeriesPoint>& series, int64_t last);

// A field of a split line; a missing field raises "Subscript out of range".
const std::string& field(const std::vector<std::string>& fields, size_t index);

// A number the command cannot do without: its leading number, like Val, but a text with no
// number at its start raises "Type mismatch" instead of reading as 0.
double requiredNumber(const std::string& text);

// A whole-number field kept in 16 bits: the leading number rounded half to even; "Overflow"
// outside the 16-bit range.
int16_t wholeNumber16(const std::string& text);

// The rows of a tab-separated table file after its header line: each line split at TAB, lines
// with fewer than minFields fields left out. "File not found" when it is missing.
std::vector<std::vector<std::string>> readTableRows(const std::filesystem::path& path, size_t minFields);

}  // namespace fw::compute
