#pragma once
// Writes SWMM 5 binary results files (.out) in the published layout, for the tests, the fake
// SWMM engine and the benchmark: the counts, the values and the faults a file may have.
#include <cstdint>
#include <filesystem>
#include <functional>

namespace fw::testing {

struct SwmmOutSpec {
  int32_t subcatchments = 1, nodes = 2, links = 1, pollutants = 0;
  int32_t subcatchmentVars = 8, nodeVars = 6, linkVars = 5, systemVars = 15;
  int32_t periods = 288;
  int32_t reportStep = 300;  // seconds
  double startDate = 46027;  // 05/01/2026 00:00
  int32_t flowUnits = 0;     // CFS
  int32_t errorCode = 0;
  bool badClosingMagic = false;
  // The value of variable v of element e of kind k (0 subcatchment .. 3 system) in period p
  // (1 to periods); unset, swmmTestValue.
  std::function<float(int32_t k, int32_t e, int32_t v, int32_t p)> value;
};

// 1000 kind + 100 element + variable + period / 1000: every value says where it stands.
float swmmTestValue(int32_t kind, int32_t element, int32_t variable, int32_t period);

void writeSwmmOut(const std::filesystem::path& path, const SwmmOutSpec& spec);

}  // namespace fw::testing
