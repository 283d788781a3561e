#pragma once
// In-place sorting of a range of texts by their byte values (capitals before lower case).
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// Sorts list[first..last] ascending by binary comparison (quicksort on the middle element; equal
// elements may change places). A range of one element or an empty one changes nothing; an index
// outside the list raises vb::Error 9 "Subscript out of range".
void SortStrings(std::vector<std::string>& list, int32_t first, int32_t last);

// Exchanges the contents of two texts.
void SwapStrings(std::string& a, std::string& b);

}  // namespace fw
