#include "app/session.h"
#include "compute/channel_routing.h"
#include "compute/table_position.h"
#include "compute/work_arrays.h"
#include "platform/vb/convert.h"
#include "platform/vb/math.h"

namespace fw::compute {

namespace {

constexpr size_t kMaxCungeRows = 200;

// A CungeTable in columns, entries 1..rows.
struct CungeTable {
  std::vector<double> key{0}, k{0}, x{0}, reaches{0};
  int32_t rows = 0;
};

CungeTable readCungeTable(const std::filesystem::path& path) {
  CungeTable t;
  for (const auto& f : readTableRows(path, 2)) {
    if (static_cast<size_t>(t.rows) >= kMaxCungeRows) vb::raise(vb::err::SubscriptOutOfRange);
    ++t.rows;
    t.key.push_back(vb::Val(field(f, 1)));
    t.k.push_back(vb::Val(field(f, 2)));
    t.x.push_back(vb::Val(field(f, 3)));
    t.reaches.push_back(vb::Val(field(f, 4)));
  }
  return t;
}

double interpolate(const std::vector<double>& c, int16_t p, double f) {
  return c[static_cast<size_t>(p)] + f * (c[static_cast<size_t>(p) + 1] - c[static_cast<size_t>(p)]);
}

}  // namespace

void MuskingumCungeSetup(Session& s, int32_t n, double, const std::filesystem::path& tablePath, double& kHours,
                         double& x, int16_t& subReaches) {
  const CungeTable t = readCungeTable(tablePath);
  double peak = 0;
  for (int32_t i = 1; i <= n; ++i) peak = std::max(peak, at(s.UnitSeries, i).value);
  double f = 0;
  int16_t p = 0;
  TablePosition(peak, t.key, t.rows, f, p);
  kHours = vb::Round(interpolate(t.k, p, f), 4);
  x = vb::Round(interpolate(t.x, p, f), 4);
  subReaches = vb::toInteger(interpolate(t.reaches, p, f));
}

}  // namespace fw::compute
