#include <gtest/gtest.h>

#include <numeric>

#include "compute/channel_routing.h"
#include "compute/modified_puls.h"
#include "compute/table_position.h"
#include "platform/vb/error.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

using testing::writeFile;

constexpr vb::VbDate kStart = 45448;  // 06/05/2024 00:00

struct Hydrograph {
  testing::TestSession t;
  Session& s = t.s;
  // Elements 1..n hold the values, hourly from kStart unless a step is given; room for 40 more.
  void load(const std::vector<double>& values, double stepDays = 1.0 / 24) {
    s.UnitSeries.assign(values.size() + 40, SeriesPoint{});
    for (size_t i = 0; i < values.size(); ++i) s.UnitSeries[i + 1] = {kStart + i * stepDays, values[i], 0};
  }
  std::vector<double> values(size_t n) const {
    std::vector<double> v;
    for (size_t i = 1; i <= n; ++i) v.push_back(s.UnitSeries[i].value);
    return v;
  }
  int32_t n(const std::vector<double>& v) const { return static_cast<int32_t>(v.size()); }
};

std::vector<double> chowInflow() {
  std::vector<double> v{10, 10, 30, 70, 100, 80, 55, 35, 20, 12};
  v.resize(24, 10);
  return v;
}

TEST(TablePosition, FindsTheIntervalAndExtrapolatesAtBothEnds) {
  const std::vector<double> rising{0, 10, 20, 40, 80};
  struct Case {
    double x;
    int16_t p;
    double f;
  } cases[] = {{40, 2, 1}, {10, 1, 0}, {15, 1, 0.5}, {5, 1, -0.5}, {120, 3, 2}, {30, 2, 0.5}};
  for (const Case& c : cases) {
    double f = 9;
    int16_t p = 0;
    TablePosition(c.x, rising, 4, f, p);
    EXPECT_EQ(p, c.p) << c.x;
    EXPECT_DOUBLE_EQ(f, c.f) << c.x;
  }
  const std::vector<double> falling{0, 80, 40, 20};
  double f = 0;
  int16_t p = 1;
  TablePosition(30, falling, 3, f, p);
  EXPECT_EQ(p, 2);
  EXPECT_DOUBLE_EQ(f, 0.5);
}

TEST(TablePosition, EqualNeighboursAndShortTablesRaise) {
  double f = 0;
  int16_t p = 0;
  try {
    TablePosition(5, {0, 10, 10, 30}, 3, f, p);
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.description(), "Division by zero");
  }
  p = 0;
  EXPECT_THROW(TablePosition(5, {0, 10}, 1, f, p), vb::Error);  // one entry: no interval
  p = 0;
  EXPECT_THROW(TablePosition(5, {0, 10, 20}, 5, f, p), vb::Error);  // count beyond the array
}

TEST(Muskingum, ChowExampleCoefficientsAttenuationAndVolume) {
  const MuskingumCoefficients c = muskingumCoefficients(2.3, 0.15, 1);
  EXPECT_NEAR(c.c0, 0.0631, 5e-5);
  EXPECT_NEAR(c.c1, 0.3442, 5e-5);
  EXPECT_NEAR(c.c2, 0.5927, 5e-5);
  EXPECT_NEAR(c.c0 + c.c1 + c.c2, 1, 1e-12);

  Hydrograph h;
  const auto in = chowInflow();
  h.load(in);
  double K = 2.3;
  int16_t m = 1;
  RouteMuskingum(h.s, K, 0.15, h.n(in), 1, m);
  const auto out = h.values(in.size());
  const double expected[] = {10, 10, 11.263, 21.420, 43.103, 65.016, 69.541, 62.355};
  for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(out[i], expected[i], 0.001) << "element " << i + 1;
  EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin() + 1, 7);
  const double vin = std::accumulate(in.begin(), in.end(), 0.0), vout = std::accumulate(out.begin(), out.end(), 0.0);
  EXPECT_NEAR(vout / vin, 1, 1e-4);
  EXPECT_EQ(h.s.UnitSeries[0].value, 0);  // element 0 is not touched
}

TEST(Muskingum, SubReachesAreACascadeOfShorterReaches) {
  const auto in = chowInflow();
  Hydrograph three, once, zero, single;
  three.load(in);
  once.load(in);
  zero.load(in);
  single.load(in);
  double K = 6.9;
  int16_t m = 3;
  RouteMuskingum(three.s, K, 0.15, three.n(in), 1, m);
  EXPECT_DOUBLE_EQ(K, 2.3);
  EXPECT_EQ(m, 3);
  for (int r = 0; r < 3; ++r) {
    double k = 2.3;
    int16_t one = 1;
    RouteMuskingum(once.s, k, 0.15, once.n(in), 1, one);
  }
  for (size_t i = 1; i <= in.size(); ++i)
    EXPECT_NEAR(three.s.UnitSeries[i].value, once.s.UnitSeries[i].value, 1e-12);

  double k0 = 2.3, k1 = 2.3;
  int16_t none = 0, one = 1;
  RouteMuskingum(zero.s, k0, 0.15, zero.n(in), 1, none);
  RouteMuskingum(single.s, k1, 0.15, single.n(in), 1, one);
  EXPECT_EQ(none, 1);
  EXPECT_EQ(zero.values(in.size()), single.values(in.size()));
}

TEST(Tatum, PassesFollowTravelTimeAndStep) {
  Hydrograph h;
  h.load({0, 10, 0});
  RouteTatum(h.s, 0.5, 3, 1);  // one pass
  EXPECT_EQ(h.values(3), (std::vector<double>{0, 5, 5}));

  const std::vector<double> in{0, 10, 40, 90, 60, 30, 20, 10, 5, 0};
  struct Case {
    double stepHours;
    int passes;
  } cases[] = {{1, 5}, {5.0 / 60, 60}};
  for (const Case& c : cases) {
    Hydrograph a, b;
    a.load(in, c.stepHours / 24);
    b.load(in, c.stepHours / 24);
    RouteTatum(a.s, 2.5, a.n(in), c.stepHours);
    for (int k = 0; k < c.passes; ++k) RouteTatum(b.s, c.stepHours / 2, b.n(in), c.stepHours);
    EXPECT_EQ(a.values(in.size()), b.values(in.size())) << c.stepHours;
    EXPECT_NE(a.values(in.size()), in);
  }
  Hydrograph z;
  z.load(in);
  z.s.UnitSeries[0].value = 7;
  RouteTatum(z.s, 0, z.n(in), 1);
  EXPECT_EQ(z.values(in.size()), in);
  EXPECT_EQ(z.s.UnitSeries[0].value, 0);
}

TEST(Tatum, ShortArraysGrowForThePasses) {
  Hydrograph h;
  h.load({0, 10, 0});
  h.s.UnitSeries.resize(4);  // elements 0..3 only
  RouteTatum(h.s, 10, 3, 1);  // 20 passes reach element 24
  EXPECT_GE(h.s.UnitSeries.size(), 25u);
}

TEST(MuskingumCunge, TableIsPickedByThePeakAndExtrapolatedBelowIt) {
  Hydrograph h;
  writeFile(h.t.folder / "reach.txt",
            "Name\tFlow\tK\tX\tReaches\r\nlow\t100\t2\t0.2\t2\r\nmid\t200\t3\t0.3\t4\r\nhigh\t400\t4\t0.1\t6\r\n");
  struct Case {
    double peak, K, X;
    int16_t m;
  } cases[] = {{150, 2.5, 0.25, 3}, {300, 3.5, 0.2, 5}, {50, 1.5, 0.15, 1}, {0, 1, 0.1, 0}};
  for (const Case& c : cases) {
    h.load({c.peak / 2, c.peak, c.peak / 3, -5});
    double K = 0, X = 0;
    int16_t m = 9;
    MuskingumCungeSetup(h.s, 4, 1, h.t.folder / "reach.txt", K, X, m);
    EXPECT_DOUBLE_EQ(K, c.K) << c.peak;
    EXPECT_DOUBLE_EQ(X, c.X) << c.peak;
    EXPECT_EQ(m, c.m) << c.peak;
  }
  writeFile(h.t.folder / "flat.txt", "Name\tFlow\tK\tX\tReaches\r\na\t100\t2\t0.2\t2\r\nb\t100\t3\t0.3\t4\r\n");
  h.load({50, 80, 20});
  double K = 0, X = 0;
  int16_t m = 0;
  EXPECT_THROW(MuskingumCungeSetup(h.s, 3, 1, h.t.folder / "flat.txt", K, X, m), vb::Error);
  EXPECT_THROW(MuskingumCungeSetup(h.s, 3, 1, h.t.folder / "missing.txt", K, X, m), vb::Error);
}

// ---- Modified Puls --------------------------------------------------------------------------

const char* kRating =
    "Elev\tOutflow\tStorage\tCascades\r\n"
    "100\t0\t0\t1\r\n101\t50\t20\t1\r\n102\t150\t45\t2\r\n103\t300\t75\t3\r\n104\t500\t110\t4\r\n105\t750\t150\t5\r\n";
const std::vector<double> kPulsInflow{50, 100, 250, 400, 300, 200, 120, 80, 60, 50, 50, 50};

struct Puls : Hydrograph {
  Puls(const std::string& rating = kRating) {
    writeFile(t.folder / "dam.rat", rating);
    load(kPulsInflow);
  }
  ModpulCall call(double mode = 1) {
    ModpulCall c;
    c.n = static_cast<int32_t>(kPulsInflow.size());
    c.stepHours = 1;
    c.ratingPath = t.folder / "dam.rat";
    c.mode = mode;
    c.beginDay = static_cast<int32_t>(kStart);
    c.endDay = c.beginDay + 1;
    return c;
  }
  std::vector<double> route(ModpulCall c) {
    RouteModpul(s, c);
    return values(kPulsInflow.size());
  }
};

// Storage indication by hand: element i holds the outflow at the time of element i, from the
// starting outflow at the first to the outflow at the last.
TEST(ModifiedPuls, StorageIndicationRoutingOfOneReservoir) {
  Puls p;
  const auto out = p.route(p.call());
  const double expected[] = {50,      57.092,  90.541,  158.516, 224.093, 232.965,
                             207.977, 170.999, 138.742, 114.986, 96.55,   83.344};
  ASSERT_EQ(out.size(), 12u);
  for (size_t i = 0; i < 12; ++i) EXPECT_NEAR(out[i], expected[i], 0.001) << "element " << i + 1;
}

// No outflow leaves a reservoir before its inflow rises, for one reservoir, a storage factor or a
// cascade: the first N elements of N reservoirs hold the starting outflow, the rise comes after.
TEST(ModifiedPuls, TheOutflowRisesOnlyAfterTheInflow) {
  const std::vector<double> inflow{50, 50, 50, 400, 400, 300, 200, 100, 50, 50, 50, 50};
  for (double mode : {1.0, 0.5, 1.995, 3.0}) {
    Puls p;
    p.load(inflow);
    ModpulCall c = p.call(mode);
    const auto out = p.route(c);
    const size_t rise = 3;  // element 4, where the inflow rises
    for (size_t i = 0; i < rise; ++i) EXPECT_NEAR(out[i], 50, 1e-9) << mode << " element " << i + 1;
    EXPECT_GT(out[rise], 50.5) << mode;
  }
}

TEST(ModifiedPuls, StorageFactorsReleaseAndRatingRows) {
  // Half the storage is what a rating with half the storage gives; 1.995 divides it.
  const std::string halved =
      "Elev\tOutflow\tStorage\tCascades\r\n"
      "100\t0\t0\t1\r\n101\t50\t10\t1\r\n102\t150\t22.5\t2\r\n103\t300\t37.5\t3\r\n104\t500\t55\t4\r\n105\t750\t75\t5\r\n";
  Puls half, halfRating(halved), divided;
  EXPECT_EQ(half.route(half.call(0.5)), halfRating.route(halfRating.call(1)));
  const auto d = divided.route(divided.call(1.995));
  Puls one;
  EXPECT_NE(d, one.route(one.call(1)));
  ModpulRating r = readModpulRating(one.t.folder / "dam.rat", 1.995);
  EXPECT_NEAR(r.S[2], 20 / 1.995, 1e-12);
  r = readModpulRating(one.t.folder / "dam.rat", 0.5);
  EXPECT_NEAR(r.S[3], 22.5, 1e-12);

  // A word row is left out like the header; a short row fails.
  Puls words(std::string(kRating) + "note\tnot a row\r\n");
  EXPECT_EQ(readModpulRating(words.t.folder / "dam.rat", 1).rows, 6);
  Puls shortRow("Elev\tOutflow\tStorage\r\n100\t0\t0\r\n101\t50\t20\r\n");
  EXPECT_THROW(shortRow.route(shortRow.call()), vb::Error);

  // RELEASE 120 lifts the outflows below 120 to 120 plus the row number in thousandths.
  Puls released, lifted(
                     "Elev\tOutflow\tStorage\tCascades\r\n"
                     "100\t0\t0\t1\r\n101\t120.002\t20\t1\r\n102\t150\t45\t2\r\n103\t300\t75\t3\r\n104\t500\t110\t4\r\n"
                     "105\t750\t150\t5\r\n");
  ReleaseSetting rel;
  rel.value = 120;
  rel.set = true;
  ModpulCall c = released.call();
  c.release = &rel;
  const auto out = released.route(c);
  const auto expected = lifted.route(lifted.call());
  for (size_t i = 0; i < out.size(); ++i) EXPECT_NEAR(out[i], expected[i], 1e-9) << i;
  Puls plain;
  EXPECT_NE(out, plain.route(plain.call()));
}

TEST(ModifiedPuls, EvaporationTakesADailyVolume) {
  Puls none, some, more;
  ModpulCall c0 = none.call(), c1 = some.call(), c2 = more.call();
  c0.evaporation = 0;
  c1.evaporation = 0.75;
  c2.evaporation = 1.5;
  const auto a = none.route(c0), b = some.route(c1), c = more.route(c2);
  Puls plain;
  EXPECT_EQ(a, plain.route(plain.call()));
  for (size_t i = 2; i < 12; ++i) {  // the first step's outflow is out before the day's volume is taken
    EXPECT_LT(b[i], a[i]) << i;
    EXPECT_LT(c[i], b[i]) << i;
  }
}

}  // namespace
}  // namespace fw::compute
