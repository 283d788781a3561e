#include "common/sort_strings.h"

#include "platform/vb/error.h"

namespace fw {
namespace {

void quickSort(std::vector<std::string>& list, int32_t first, int32_t last) {
  int32_t i = first;
  int32_t j = last;
  const std::string pivot = list[static_cast<size_t>(first + (last - first) / 2)];
  do {
    while (list[static_cast<size_t>(i)] < pivot) ++i;
    while (list[static_cast<size_t>(j)] > pivot) --j;
    if (i <= j) {
      SwapStrings(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (first < j) quickSort(list, first, j);
  if (i < last) quickSort(list, i, last);
}

}  // namespace

void SortStrings(std::vector<std::string>& list, int32_t first, int32_t last) {
  if (first >= last) return;
  if (first < 0 || static_cast<size_t>(last) >= list.size()) vb::raise(vb::err::SubscriptOutOfRange);
  quickSort(list, first, last);
}

void SwapStrings(std::string& a, std::string& b) {
  a.swap(b);
}

}  // namespace fw
