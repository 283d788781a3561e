#include "compute/table_position.h"

#include "platform/vb/error.h"

namespace fw::compute {

void TablePosition(double x, const std::vector<double>& table, int32_t count, double& fraction, int16_t& position) {
  if (count < 2 || static_cast<size_t>(count) >= table.size()) vb::raise(vb::err::SubscriptOutOfRange);
  const bool falling = position != 0;
  int32_t p = 2;
  while (p <= count) {
    const double t = table[static_cast<size_t>(p)];
    if (falling ? x >= t : x <= t) break;
    ++p;
  }
  --p;
  if (p >= count) p = count - 1;
  const double low = table[static_cast<size_t>(p)], high = table[static_cast<size_t>(p) + 1];
  if (high == low) vb::raise(vb::err::DivisionByZero);
  fraction = (x - low) / (high - low);
  position = static_cast<int16_t>(p);
}

}  // namespace fw::compute
