// Monte Carlo sampling: the normal deviate, the Pearson type III frequency factors against the
// published table, the exact sample at the plotting positions, and the moments of random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "compute/monte_carlo.h"

namespace fw::compute {
namespace {

WhatIfSettings settings(int16_t type, double mean, double sd, double skew = 0, bool log = false) {
  WhatIfSettings w;
  w.MonteType = type;
  w.MonteMean = mean;
  w.MonteStdev = sd;
  w.MonteSkew = skew;
  w.MonteLogNormal = log ? -1 : 0;
  w.Traces = 10;
  return w;
}

struct Moments {
  double mean = 0, sd = 0, skew = 0;
};

Moments moments(const std::vector<double>& x) {
  Moments m;
  for (double v : x) m.mean += v;
  m.mean /= static_cast<double>(x.size());
  double m2 = 0, m3 = 0;
  for (double v : x) {
    m2 += (v - m.mean) * (v - m.mean);
    m3 += (v - m.mean) * (v - m.mean) * (v - m.mean);
  }
  m2 /= static_cast<double>(x.size());
  m3 /= static_cast<double>(x.size());
  m.sd = std::sqrt(m2);
  m.skew = m3 / std::pow(m2, 1.5);
  return m;
}

std::vector<double> draws(const WhatIfSettings& w, bool takeLog = false) {
  WhatIfRandom random;
  random.seed(20240605);
  double position = 0;
  std::vector<double> x;
  for (int i = 0; i < 10000; ++i) {
    const double v = getMonte(w, random, i, 10000, position);
    x.push_back(takeLog ? std::log(v) : v);
  }
  return x;
}

// Quantiles exceeded with probability p, from the standard normal table; the approximation is
// within its stated 0.00045 of them.
TEST(MonteCarlo, FunkGivesTheStandardNormalDeviateWithinItsApproximation) {
  const struct {
    double p, z;
  } table[] = {{0.5, 0},         {0.4, 0.253347},   {0.2, 0.841621},  {0.1, 1.281552},  {0.05, 1.644854},
               {0.01, 2.326348}, {0.001, 3.090232}, {0.9, -1.281552}, {0.99, -2.326348}};
  for (const auto& row : table) EXPECT_NEAR(funk(row.p), row.z, 4.5e-4) << row.p;
  EXPECT_NEAR(funk(0.5), -1.01e-7, 1e-9);  // not exactly 0
}

// Bulletin 17B frequency factors K of the Pearson type III distribution by skew and exceedance
// probability. The Wilson-Hilferty factors follow them within 0.005 for skews to 0.5, 0.015 to 1
// and 0.025 at 2.
TEST(MonteCarlo, PearsonFactorsFollowThePublishedFrequencyFactorTable) {
  const struct {
    double g, tolerance;
    double k99, k90, k50, k10, k01;
  } table[] = {
      {-1, 0.015, -3.02256, -1.34039, 0.16397, 1.12762, 1.58838},
      {0, 0.0005, -2.32635, -1.28155, 0, 1.28155, 2.32635},
      {0.5, 0.005, -1.95472, -1.21618, -0.08302, 1.32309, 2.68572},
      {1, 0.015, -1.58838, -1.12762, -0.16397, 1.34039, 3.02256},
      {2, 0.025, -0.98995, -0.89464, -0.30685, 1.30259, 3.60478},
  };
  for (const auto& r : table) {
    const double p[] = {0.99, 0.9, 0.5, 0.1, 0.01};
    const double k[] = {r.k99, r.k90, r.k50, r.k10, r.k01};
    for (int i = 0; i < 5; ++i)
      EXPECT_NEAR(pearsonFactor(funk(p[i]), r.g), k[i], r.tolerance) << r.g << " " << p[i];
  }
  EXPECT_NEAR(pearsonFactor(0, 2), std::pow(8.0 / 9, 3) - 1, 1e-12);  // about -0.2977
}

// Ten exact traces: trace i at the Cunnane position (i + 0.6) / 10.2, the largest value first,
// rising instead with the reverse flag; a log flag gives e to the quantile.
TEST(MonteCarlo, TheExactSampleIsTheQuantileAtEachTracesPlottingPosition) {
  for (double g : {-1.0, 0.0, 0.5, 1.0, 2.0}) {
    for (bool reverse : {false, true}) {
      WhatIfSettings w = settings(3, 10, 2, g);
      w.ReverseExact = reverse ? -1 : 0;
      WhatIfRandom random;
      double last = reverse ? -1e9 : 1e9;
      for (int i = 0; i < 10; ++i) {
        double position = 0;
        const double v = getMonte(w, random, i, 10, position);
        const double p = reverse ? 1 - (i + 0.6) / 10.2 : (i + 0.6) / 10.2;
        EXPECT_NEAR(position, p, 1e-12);
        EXPECT_NEAR(v, 10 + 2 * pearsonFactor(funk(p), g), 1e-12);
        EXPECT_TRUE(reverse ? v > last : v < last) << g << " " << i;
        last = v;
      }
    }
  }
  WhatIfRandom random;
  double position = 0;
  EXPECT_NEAR(getMonte(settings(3, 0, 1, 0, true), random, 0, 10, position), std::exp(funk(0.6 / 10.2)),
              1e-12);
  EXPECT_NEAR(position, 0.0588235, 1e-7);
}

// 10,000 seeded draws keep the configured moments within sampling error: the mean within four
// standard errors (0.04 sd), the standard deviation within 4 %, the skew within 0.15 (0.35 for
// a skew of 2, whose sample skew scatters more).
TEST(MonteCarlo, RandomDrawsHaveTheConfiguredMoments) {
  WhatIfSettings uniform = settings(1, 0, 0);
  uniform.MonteMin = 2;
  uniform.MonteMax = 5;
  Moments u = moments(draws(uniform));
  EXPECT_NEAR(u.mean, 3.5, 0.04 * 3 / std::sqrt(12.0));
  EXPECT_NEAR(u.sd, 3 / std::sqrt(12.0), 0.04 * 3 / std::sqrt(12.0));
  EXPECT_NEAR(u.skew, 0, 0.15);

  const struct {
    double mean, sd, skew;
    bool log;
    double skewTolerance;
  } cases[] = {{5, 2, 0, false, 0.15}, {1, 0.5, 0, true, 0.15}, {10, 3, 0.5, false, 0.15},
               {10, 3, 1, false, 0.2}, {10, 3, 2, false, 0.35}, {0, 1, -1, false, 0.2}};
  for (const auto& c : cases) {
    // A log-normal variable's logarithm has the configured moments.
    Moments m = moments(draws(settings(2, c.mean, c.sd, c.skew, c.log), c.log));
    EXPECT_NEAR(m.mean, c.mean, 0.04 * c.sd) << c.mean << " " << c.skew;
    EXPECT_NEAR(m.sd, c.sd, 0.04 * c.sd) << c.mean << " " << c.skew;
    EXPECT_NEAR(m.skew, c.skew, c.skewTolerance) << c.mean << " " << c.skew;
  }
  // The same seed, the same draws.
  EXPECT_EQ(draws(settings(2, 5, 2)), draws(settings(2, 5, 2)));
}

TEST(MonteCarlo, SettingsThatCouldGiveADrawThatIsNoNumberAreRefusedByName) {
  const struct {
    WhatIfSettings w;
    const char* named;  // nullptr: accepted
  } cases[] = {
      {settings(2, 1, 0, 0, false), nullptr},  // a normal of no spread is a constant
      {settings(2, 1, 0, 0, true), "Standard Deviation"},
      {settings(3, 1, 0, 0.5), "Standard Deviation"},
      {settings(2, 1, -1), "Standard Deviation"},
      {settings(2, 1, 1, 12), "Skew"},
      {settings(2, 1, 1, NAN), "Mean, Standard Deviation and Skew"},
      {settings(2, 650, 10, 0, true), "overflow"},
      {settings(2, 1, 0.5, 0, true), nullptr},
      {settings(7, 1, 1), "Monte Carlo type 7"},
  };
  for (const auto& c : cases) {
    const std::string why = monteSettingsProblem(c.w);
    if (c.named == nullptr)
      EXPECT_EQ(why, "");
    else
      EXPECT_NE(why.find(c.named), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace fw::compute
