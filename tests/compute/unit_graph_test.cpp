#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "compute/checked_math.h"
#include "compute/clark_unit_graph.h"
#include "compute/dimensionless_unit_graph.h"
#include "compute/linear_reservoir.h"
#include "compute/monotone_cubic.h"
#include "compute/triangle_unit_graph.h"
#include "compute/variable_lag.h"
#include "platform/vb/error.h"
#include "platform/vb/textfile.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

constexpr double kArea = 10;  // square miles

double sum(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

// One inch of excess gives one inch of runoff, 645.33 cfs·h a square mile, whatever the lag, the
// step and the ratio round tp and tr to; the peak stands at tp.
TEST(TriangleUnitGraph, OneInchOfExcessGivesOneInchOfRunoff) {
  struct Case {
    double step, lag, ratio;
    int32_t tp, tr;
  };
  for (const Case& c : {Case{0.25, 2, 1.5, 8, 12},  // tp = round(8.5), half to even
                        Case{0.25, 2, 1.67, 8, 13}, Case{1, 1, 1.67, 2, 3}, Case{1, 3, 1.67, 4, 7},
                        Case{1, 2, 1.5, 2, 3}, Case{0.5, 0.7, 2.0, 2, 4}}) {
    const TriangleGraph g = triangleGraph(c.step, c.lag, c.ratio, kArea, 0.4);
    EXPECT_EQ(g.tp, c.tp) << c.lag << " " << c.step;
    EXPECT_EQ(g.tr, c.tr) << c.lag << " " << c.step;
    EXPECT_EQ(g.base, c.tp + c.tr);
    std::vector<double> hydrograph(60, 0);
    addTriangle(hydrograph, 1, 59, 1.0, g);
    EXPECT_EQ(hydrograph[0], 0);
    EXPECT_NEAR(hydrograph[static_cast<size_t>(g.tp)], g.peakFactor, 1e-9);  // the peak at step tp
    EXPECT_NEAR(sum(hydrograph) * c.step, kInchHourCfs * kArea * 0.4, 1e-9) << c.lag << " " << c.step;
  }
}

TEST(TriangleUnitGraph, OrdinatesPastTheLastLineOrTheArrayAreDropped) {
  const TriangleGraph g = triangleGraph(0.25, 2, 1.5, kArea, 1);
  std::vector<double> hydrograph(12, 0);
  addTriangle(hydrograph, 5, 9, 1.0, g);
  EXPECT_GT(hydrograph[9], 0);
  EXPECT_EQ(hydrograph[10], 0);
  std::vector<double> small(3, 0);
  addTriangle(small, 1, 100, 1.0, g);  // the array ends first
  EXPECT_GT(small[2], 0);
  EXPECT_THROW(triangleGraph(0.25, 0, 1.5, kArea, 1), vb::Error);  // a zero lag
}

// The ordinates worked out once give what the graph gives step by step, with the same cut-offs.
TEST(TriangleUnitGraph, OrdinatesWorkedOutOnceMatchTheGraph) {
  const TriangleGraph g = triangleGraph(0.25, 2, 1.5, kArea, 1);
  const TriangleOrdinates o = triangleOrdinates(g);
  ASSERT_EQ(o.values.size(), 20u);
  EXPECT_DOUBLE_EQ(o.largest, g.peakFactor);
  struct Case {
    int64_t n, last;
    size_t size;
  };
  for (const Case& c : {Case{1, 39, 40}, Case{5, 9, 12}, Case{1, 100, 3}, Case{0, 39, 40}, Case{-1, 39, 40},
                        Case{12, 9, 40}}) {
    std::vector<double> graph(c.size, 0.5), once(c.size, 0.5);
    addTriangle(graph, c.n, c.last, 0.3, g);
    addOrdinates(once, c.n, c.last, 0.3, o);
    for (size_t i = 0; i < c.size; ++i) EXPECT_NEAR(once[i], graph[i], 1e-12 * graph[i]) << c.n << " " << i;
  }
  std::vector<double> untouched(40, 0);
  EXPECT_THROW(addOrdinates(untouched, 1, 39, 1e306, o), vb::Error);  // an overflowing flow
  EXPECT_EQ(sum(untouched), 0);
}

TEST(ClarkUnitGraph, TimeAreaIncrementsAndTheReservoir) {
  const double scale = kInchHourCfs * kArea / 0.5;
  const ClarkGraph g = getclarkgraph(2, 0.5, scale, 0.5);
  ASSERT_EQ(g.lastIndex, 3);
  const double expected[] = {0.17675, 0.323326, 0.323174, 0.17675};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(g.ordinates[static_cast<size_t>(i)] / scale, expected[i], 1e-6) << i;
  EXPECT_NEAR((g.ordinates[0] + g.ordinates[1] + g.ordinates[2] + g.ordinates[3]) / scale, 1, 1e-12);
  EXPECT_DOUBLE_EQ(g.R, 1);
  EXPECT_DOUBLE_EQ(g.C1, 0.2);
  EXPECT_DOUBLE_EQ(g.C2, 0.6);

  // The reservoir keeps the volume.
  ClarkRouting routing;
  double in = 0, out = 0;
  for (int n = 0; n < 400; ++n) {
    const double inflow = n < 4 ? g.ordinates[static_cast<size_t>(n)] : 0;
    in += inflow;
    out += routing.route(g, inflow);
  }
  EXPECT_NEAR(out, in, 1e-6 * in);

  const ClarkGraph none = getclarkgraph(2, 0.5, scale, 0);  // ratio 0: nothing is routed
  EXPECT_EQ(none.R, 0);
  EXPECT_EQ(none.C1, 1);
  EXPECT_EQ(none.C2, -1);
  ClarkRouting pass;
  EXPECT_EQ(pass.route(none, 7.5), 7.5);

  const ClarkGraph short_ = getclarkgraph(0.2, 0.5, scale, 0.5);  // Tc under half a step
  ASSERT_EQ(short_.lastIndex, 0);
  EXPECT_NEAR(short_.ordinates[0], scale, 1e-9);  // the whole basin in one step
}

TEST(MonotoneCubic, PassesThePointsWithoutOvershoot) {
  const std::vector<double> xs = {0, 1, 2, 3, 4, 5};
  const std::vector<double> ys = {0, 1, 4, 5, 2, 2};
  std::vector<double> slopes;
  EXPECT_EQ(CurveSlopes(xs, ys, slopes, 5), 0);
  EXPECT_EQ(slopes[0], 0);
  EXPECT_EQ(slopes[3], 0);  // the secants change sign
  EXPECT_EQ(slopes[4], 0);  // next to a level segment
  EXPECT_GT(slopes[2], 0);
  int16_t position = 1;
  for (int i = 1; i <= 5; ++i) {
    const double x = i;
    EXPECT_NEAR(CurveValue(x, xs, ys, slopes, 5, position), ys[static_cast<size_t>(i)], 1e-12) << i;
  }
  position = 1;
  for (double x = 2; x <= 3; x += 0.05) {
    const double y = CurveValue(x, xs, ys, slopes, 5, position);
    EXPECT_GE(y, 4 - 1e-12);
    EXPECT_LE(y, 5 + 1e-12);
  }
}

TEST(MonotoneCubic, FewerThanFourPointsGiveLevelTangents) {
  const std::vector<double> xs = {0, 1, 2};
  const std::vector<double> ys = {0, 3, 1};
  std::vector<double> slopes;
  EXPECT_EQ(CurveSlopes(xs, ys, slopes, 2), 2);
  for (double m : slopes) EXPECT_EQ(m, 0);
  int16_t position = 1;
  EXPECT_NEAR(CurveValue(1, xs, ys, slopes, 2, position), 3, 1e-12);
  EXPECT_NEAR(CurveValue(1.5, xs, ys, slopes, 2, position), 2, 1e-12);  // level ends: the midpoint
  std::vector<double> falling;
  EXPECT_EQ(CurveSlopes({0, 1, 1, 2, 3}, {0, 1, 2, 3, 4}, falling, 4), 2);  // a repeated x
}

TEST(DimensionlessUnitGraph, ScaledToTheBasinItHoldsOneInch) {
  const std::filesystem::path fixture = std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "runoff" / "Test.DGF";
  DgfMemory memory;
  std::string name = fixture.string();
  std::vector<double> ordinates;
  int16_t last = -1;
  EXPECT_EQ(getdimgraph(memory, fixture.parent_path(), name, ordinates, last, 2, 0.25, kArea), "");
  EXPECT_EQ(memory.graph.last, 10);
  EXPECT_EQ(memory.graph.spacing, 20);
  ASSERT_GT(last, 10);
  double total = 0;
  for (int k = 0; k <= last; ++k) total += ordinates[static_cast<size_t>(k)];
  EXPECT_NEAR(total * 0.25 / 24, kArea * 26.8888, 1e-9);

  // The same name again reads nothing.
  testing::TempFolder folder;
  const std::filesystem::path copy = folder / "Copy.DGF";
  std::filesystem::copy_file(fixture, copy);
  std::string copyName = copy.string();
  EXPECT_EQ(getdimgraph(memory, folder.path(), copyName, ordinates, last, 2, 0.25, kArea), "");
  std::filesystem::remove(copy);
  EXPECT_EQ(getdimgraph(memory, folder.path(), copyName, ordinates, last, 3, 0.25, kArea), "");

  // A short name is looked for in the folder and becomes the full path.
  std::string shortName = "Missing.DGF";
  const std::vector<double> before = ordinates;
  EXPECT_EQ(getdimgraph(memory, folder.path(), shortName, ordinates, last, 2, 0.25, kArea), "File not found");
  EXPECT_EQ(shortName, (folder / "Missing.DGF").string());
  EXPECT_EQ(ordinates, before);  // what was set stays
}

TEST(DimensionlessUnitGraph, AFileWithTooFewItemsIsAReadError) {
  EXPECT_THROW(parseDgf("a\r\nb\r\n5, 20\r\n0, 1\r\n"), vb::Error);
  EXPECT_THROW(parseDgf("a\r\nb\r\nx, 20\r\n"), vb::Error);
  const DimensionlessGraph g = parseDgf("a\nb\n3\n25\n0\n1\n0.5\n");
  EXPECT_EQ(g.shape, (std::vector<double>{0, 1, 0.5}));
}

TEST(LinearReservoir, TranslationAndVolume) {
  EXPECT_DOUBLE_EQ(translationFactor(2), 0.0281 * 2 + 0.592);
  EXPECT_EQ(translationSteps(0.25, 2), 6);  // round(8.5 × 0.6482) = round(5.51)
  ReservoirRouting r;
  r.setTranslation(2);
  EXPECT_EQ(r.buffer.size(), 6u);  // at least 5 entries past index 0
  r.exponent = 0.25 * -0.4;
  const double factor = kInchHourCfs * kArea / 0.25;
  double total = r.route(1.0, factor);
  for (int n = 0; n < 2000; ++n) total += r.route(0, factor);
  EXPECT_NEAR(total * 0.25, kInchHourCfs * kArea, 1e-6);

  ReservoirRouting three;
  three.three = true;
  three.shares = {0.5, 0.3, 0.2};
  three.ratios = {1, 2, 3};
  three.exponent = 0.25 * -0.4;
  three.setTranslation(6);
  double first = 0;
  for (int n = 0; n < 5; ++n) first += three.route(n == 0 ? 1.0 : 0, factor);
  EXPECT_EQ(first, 0);  // still in the translation buffer
  EXPECT_GT(three.route(0, factor), 0);
}

TEST(VariableLag, ShortensAsTheSoilWets) {
  EXPECT_EQ(curveNumberLag(2, 0, 3), 2);  // a shortening of 0.0056 h is ignored
  EXPECT_NEAR(curveNumberLag(2, 3, 3), 2 - 0.5 * 2 * 0.99722, 1e-12);
  EXPECT_NEAR(curveNumberLag(20, 0, 3), 20 * (1 - 0.00281), 1e-12);
  EXPECT_EQ(initialLossLag(2, 4.5, 1.5), 1);  // three times the dry limit halves it
  EXPECT_EQ(initialLossLag(2, 9, 1.5), 1);
  EXPECT_TRUE(lagNeedsRebuild(1.9, 2));
  EXPECT_FALSE(lagNeedsRebuild(1.97, 2));
  EXPECT_THROW(initialLossLag(2, 1, 0), vb::Error);
}

}  // namespace
}  // namespace fw::compute
