#include <gtest/gtest.h>

#include <cmath>

#include "compute/curve_number_loss.h"
#include "compute/groundwater_reservoir.h"
#include "compute/initial_loss.h"
#include "compute/interception.h"
#include "compute/rain_input.h"
#include "platform/vb/error.h"

namespace fw::compute {
namespace {

// A curve-number basin with nothing but the SCS loss: no constant loss, recovery, interception,
// impervious area or groundwater.
struct PlainBasin {
  SoilParameters p;
  SoilState s;
  PlainBasin(double cn) {
    const double S = retention(cn);
    p.area = 10;
    p.groundwaterLoss = 1;
    p.S1wet = 0;
    p.S1dry = S;
    p.storageRange = S;
    s.S1 = S;
    s.Ia = 0.2 * S;
    s.RetentionRest = 0.8 * S;
  }
};

TEST(CurveNumberLoss, TheStepExcessesAddUpToTheScsRunoff) {
  PlainBasin b(75);
  EXPECT_NEAR(b.p.S1dry, 3.333333, 1e-6);
  const SoilConstants c = soilConstants(b.p, 60);
  double total = 0;
  double rain = 0;
  for (int step = 1; step <= 12; ++step) {
    StepInput in;
    in.rainfall = 0.25;
    in.month = 6;
    in.lineCounter = step;
    const StepValues v = curveNumberStep(b.p, c, b.s, in);
    rain += 0.25;
    if (rain <= 0.2 * b.p.S1dry) {
      EXPECT_EQ(v.Excess, 0) << step;
    }
    EXPECT_NEAR(v.Loss + v.Excess, 0.25, 1e-12) << step;
    total += v.Excess;
  }
  EXPECT_NEAR(total, std::pow(3 - 0.6666667, 2) / (3 + 2.6666667), 1e-6);
  EXPECT_NEAR(total, 0.961, 0.0005);
}

TEST(CurveNumberLoss, TheLimitsOfAStation) {
  double wet = 0, dry = 85;
  EXPECT_TRUE(curveNumberLimits(75, wet, dry, true));
  EXPECT_DOUBLE_EQ(dry, 56.2);
  EXPECT_DOUBLE_EQ(wet, 88.6);
  wet = 0, dry = 85;
  EXPECT_FALSE(curveNumberLimits(75, wet, dry, false));  // no recovery: both stay the curve number
  EXPECT_EQ(wet, 75);
  EXPECT_EQ(dry, 75);
  wet = 70, dry = 90;
  EXPECT_FALSE(curveNumberLimits(75, wet, dry, true));
  EXPECT_EQ(dry, 70);
  EXPECT_EQ(wet, 90);
  EXPECT_THROW(retention(0), vb::Error);
}

TEST(CurveNumberLoss, ConstantLossSnowmeltAndDryingRecovery) {
  PlainBasin b(75);
  b.p.constantLoss = 0.1;
  b.p.soilRecovery = 0.5;
  b.p.snowmeltLoss = 0.7;
  SoilConstants c = soilConstants(b.p, 60);
  StepInput wet;
  wet.rainfall = 0.05;
  StepValues v = curveNumberStep(b.p, c, b.s, wet);
  EXPECT_DOUBLE_EQ(v.Loss, 0.1);  // never below the constant loss
  EXPECT_EQ(v.Excess, 0);

  PlainBasin snow(75);
  snow.p.constantLoss = 0.1;
  c = soilConstants(snow.p, 60);
  StepInput melt;
  melt.rainfall = 0.05;
  melt.sourceCode = 100;
  v = curveNumberStep(snow.p, c, snow.s, melt);
  EXPECT_NEAR(v.Loss, 0.05 * 0.7, 1e-12);  // snowmelt: the loss times the snowmelt loss

  // A dry step at S1dry recovers nothing; with the soil 80% wet the recovery is 1.6 times.
  PlainBasin dry(75);
  dry.p.constantLoss = 0.1;
  dry.p.soilRecovery = 0.5;
  c = soilConstants(dry.p, 60);
  dry.s.RainSum = 0.4;
  StepInput none;
  v = curveNumberStep(dry.p, c, dry.s, none);
  EXPECT_EQ(v.Soil_RecoveryF, 0);
  EXPECT_EQ(v.DrySoilRecovery, 0);
  PlainBasin wetSoil(75);
  wetSoil.p.constantLoss = 0.1;
  wetSoil.p.soilRecovery = 0.5;
  c = soilConstants(wetSoil.p, 60);
  wetSoil.s.S1 = 0.2 * wetSoil.p.S1dry;  // Soil_RecoveryF 0.8
  v = curveNumberStep(wetSoil.p, c, wetSoil.s, none);
  EXPECT_NEAR(v.Soil_RecoveryF, 0.8, 1e-12);
  EXPECT_NEAR(v.DrySoilRecovery, 0.8 * c.stepRecovery * 1.6, 1e-12);
}

TEST(InitialLoss, LimitsAndFrozenGround) {
  double wet = 0, dry = 0.7;
  EXPECT_TRUE(initialLossLimits(1.5, wet, dry));
  EXPECT_EQ(dry, 1.5);
  EXPECT_EQ(wet, 0);
  for (auto [w, d] : {std::pair{0.5, 2.0}, std::pair{2.0, 0.5}}) {
    EXPECT_FALSE(initialLossLimits(1, w, d));
    EXPECT_EQ(d, 2.0);
    EXPECT_EQ(w, 0.5);
  }

  SoilParameters p;
  p.area = 1;
  p.groundwaterLoss = 1;
  p.ILdry = 2;
  p.ILwet = 0;
  p.storageRange = 2;
  p.groundwaterRecoveryAdjustment = 1;
  const SoilConstants c = soilConstants(p, 60);
  struct Case {
    double source;
    double storageFactor;  // of InitialLoss in the available water
  } cases[] = {{0, 1}, {106, 0.925}, {113, 1}};
  for (const Case& k : cases) {
    SoilState s;
    s.InitialLoss = 1;
    StepInput in;
    in.rainfall = 1.5;
    in.sourceCode = k.source;
    const StepValues v = initialLossStep(p, c, s, in);
    EXPECT_NEAR(v.Excess, 1.5 - k.storageFactor * 1, 1e-12) << k.source;
  }
}

TEST(Interception, AThirdOfTheStoreInWinter) {
  SoilParameters p;
  p.interception = 0.3;
  p.winterInterception = true;
  p.imperviousFraction = 0.2;
  const SoilConstants c = soilConstants(p, 60);
  for (auto [month, capacity] : {std::pair{1, 0.1}, std::pair{4, 0.3}}) {
    SoilState s;
    s.RainSum = 0.05;
    StepValues v;
    v.Excess = 0.5;
    v.Retained = 0.5;
    intercept(p, c, interceptionFactors(p, 0), 1.0, month, s, v, 0.05);
    EXPECT_EQ(v.Excess, 0) << month;
    EXPECT_NEAR(s.InterceptionDeficit, capacity - 0.05, 1e-12) << month;
  }
  EXPECT_EQ(interceptionFactors(p, 100).full, 0);  // snowmelt is not intercepted
}

TEST(Groundwater, ALossOfOneLeavesNoGroundwaterAndNoAdjustment) {
  SoilParameters p;
  p.area = 1;
  p.groundwaterLoss = 1;
  const SoilConstants c = soilConstants(p, 60);
  SoilState s;
  StepValues v;
  v.Excess = 1;
  StepInput in;
  in.adjustmentDue = true;
  in.adjustment = 0.5;
  groundwaterStep(p, c, s, v, in, LossMode::InitialLoss);
  EXPECT_EQ(v.GWFlowCFS, 0);
  EXPECT_FALSE(v.adjustmentApplied);
  EXPECT_NEAR(seasonalSoilFlow(10, 0, 0.1, 1, 0), 10 * (1 + 0.1 * std::sin(62 * 0.017214192)), 1e-12);
}

TEST(RainInput, RatesAndRunningTotals) {
  double previous = -9;
  EXPECT_NEAR(stepRain(0.4, -1, 15, 1, previous, 10), 0.1, 1e-12);
  struct Case {
    int16_t kind;
    double value;
    int32_t hour;
    double rain;
  };
  const Case gauge[] = {{3, 1.20, 10, 0}, {3, 1.25, 10, 0.05}, {3, 0.10, 10, 0}, {3, 0.15, 10, 0}};
  previous = -9;
  for (const Case& k : gauge) EXPECT_NEAR(stepRain(k.value, k.kind, 15, 1, previous, k.hour), k.rain, 1e-12);
  const Case daily[] = {{2, 1.20, 23, 0}, {2, 1.25, 23, 0.05}, {2, 0.10, 0, 0}, {2, 0.15, 0, 0.05}};
  previous = -9;
  for (const Case& k : daily) EXPECT_NEAR(stepRain(k.value, k.kind, 15, 1, previous, k.hour), k.rain, 1e-12);
  previous = 0;
  EXPECT_EQ(stepRain(5.2, 3, 15, 1, previous, 10), 0);  // a gauge fault
  previous = 0;
  EXPECT_NEAR(stepRain(5.2, 3, 60, 1, previous, 10), 5.2, 1e-12);
  previous = -9;
  EXPECT_EQ(stepRain(-0.2, 0, 60, 1, previous, 10), 0);
  EXPECT_NEAR(stepRain(0.1234567, -1, 60, 1, previous, 10), 0.12346, 1e-12);  // five decimals
}

}  // namespace
}  // namespace fw::compute
