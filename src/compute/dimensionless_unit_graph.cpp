#include "compute/dimensionless_unit_graph.h"

#include <exception>

#include "compute/checked_math.h"
#include "compute/monotone_cubic.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::compute {

namespace {

constexpr int32_t kPastEnd = vb::err::InputPastEndOfFile;

// The list items after the first two lines, separated by commas or line ends.
class Items {
 public:
  explicit Items(const std::string& text) {
    const std::vector<std::string> lines = vb::splitLines(text);
    for (size_t i = 2; i < lines.size(); ++i)
      for (const std::string& item : vb::Split(lines[i], ","))
        if (!vb::Trim(item).empty()) items_.push_back(vb::Trim(item));
  }
  double next() {
    if (at_ >= items_.size()) vb::raise(kPastEnd);
    return vb::CDbl(items_[at_++]);
  }

 private:
  std::vector<std::string> items_;
  size_t at_ = 0;
};

}  // namespace

DimensionlessGraph parseDgf(const std::string& text) {
  Items items(text);
  DimensionlessGraph g;
  const int16_t count = vb::CInt(items.next());
  g.spacing = items.next();
  g.last = static_cast<int16_t>(count - 1);
  if (g.last < 0) vb::raise(kPastEnd);
  g.shape.resize(static_cast<size_t>(g.last) + 1);
  for (double& q : g.shape) q = items.next();
  return g;
}

std::vector<double> scaleDimensionless(const DimensionlessGraph& g, double lagHours, double stepHours,
                                       double area, int16_t& lastIndex) {
  const double tp = stepHours / 2 + lagHours;
  const int16_t n = g.last;
  std::vector<double> xs(static_cast<size_t>(n) + 1), ys(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    xs[static_cast<size_t>(i)] = tp * g.spacing * i / 100;
    ys[static_cast<size_t>(i)] = divide(g.shape[static_cast<size_t>(i)] * area * 26.89, tp);
  }
  const int32_t size = roundSteps(divide(xs[static_cast<size_t>(n)], stepHours)) + 2;
  std::vector<double> ordinates(static_cast<size_t>(size < 0 ? 0 : size), 0);
  std::vector<double> slopes;
  CurveSlopes(xs, ys, slopes, n);
  int32_t k = 0;
  int16_t position = 1;
  double sum = 0;
  for (int32_t step = 1;; ++step) {
    const double t = step * stepHours;
    if (t > xs[static_cast<size_t>(n)] || static_cast<size_t>(k) >= ordinates.size()) break;
    const double y = CurveValue(t, xs, ys, slopes, n, position);
    ordinates[static_cast<size_t>(k)] = y;
    sum += y;
    ++k;
  }
  lastIndex = static_cast<int16_t>(k - 1);
  // One inch over one square mile is 26.8888 cfs-days.
  const double f = divide(area * 26.8888, sum * stepHours / 24);
  for (int32_t i = 0; i < k; ++i) ordinates[static_cast<size_t>(i)] *= f;
  return ordinates;
}

std::string getdimgraph(DgfMemory& memory, const std::filesystem::path& folder, std::string& fileName,
                        std::vector<double>& ordinates, int16_t& lastIndex, double lagHours, double stepHours,
                        double area) {
  try {
    if (fileName != memory.fileName) {
      memory.fileName = fileName;
      if (vb::InStr(fileName, "\\") == 0 && vb::InStr(fileName, "/") == 0)
        fileName = (folder / fileName).string();
      memory.graph = parseDgf(vb::readAllBytes(fileName));
    }
    int16_t last = -1;
    std::vector<double> scaled = scaleDimensionless(memory.graph, lagHours, stepHours, area, last);
    ordinates = std::move(scaled);
    lastIndex = last;
    return std::string();
  } catch (const std::exception& e) {
    // Nothing half-read is remembered: the next call reads the file again.
    memory = DgfMemory{};
    const auto* v = dynamic_cast<const vb::Error*>(&e);
    return v ? v->description() : std::string(e.what());
  }
}

}  // namespace fw::compute
