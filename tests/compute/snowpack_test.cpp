// The snowpack energy balance of one step and the snowmelt inputs' time base.
#include <gtest/gtest.h>

#include <cmath>

#include "compute/snowmelt_inputs.h"
#include "compute/snowpack_energy_balance.h"
#include "platform/vb/error.h"

namespace fw::compute {
namespace {

constexpr double kHourDays = 1.0 / 24;

SnowParameters handParameters() {
  return parseSnowParameters("0, 1, 1, 1, 1, 1, 1, 35.6, 0");
}

TEST(SnowpackEnergyBalance, TheHandCheckedHourlyStep) {
  const SnowParameters p = handParameters();
  const SnowSettings set = snowSettings(p, false, 0.127);
  EXPECT_NEAR(set.thresholdK, 275.17, 1e-9);
  EXPECT_TRUE(set.diagnostics);
  SnowpackState st;
  st.sweMm = 254;
  st.ageDays = 3;
  st.albedo = 0.75;
  st.lastTaK = 280;
  SnowStepInputs in{41, 50, 5, 600, 650};
  const SnowStepResult r = snowpackStep(st, in, kHourDays, 1, 0.1, p, set, false);
  ASSERT_FALSE(r.skipped);
  EXPECT_NEAR(r.TaK, 278.16, 1e-9);
  EXPECT_NEAR(r.rainMm, 2.54, 1e-12);
  EXPECT_NEAR(st.ageDays, 3.041667, 1e-6);
  EXPECT_NEAR(st.albedo, 0.74875, 1e-5);
  EXPECT_NEAR(r.TsK, 273.16, 1e-12);
  EXPECT_NEAR(r.eaHpa, 4.36448, 1e-5);
  EXPECT_NEAR(r.esHpa, 6.1078, 1e-9);
  EXPECT_NEAR(r.SWnet, 73.0015, 1e-4);
  EXPECT_NEAR(r.LWnet, 2.2436, 1e-4);
  EXPECT_NEAR(0.098 * 5 * 0.44704 + 0.18, 0.39905, 1e-5);
  EXPECT_NEAR(r.H, 37.6104, 1e-4);
  EXPECT_NEAR(r.E, -22.8320, 1e-4);
  EXPECT_NEAR(r.Qr, 14.7461, 1e-4);
  EXPECT_EQ(r.Qs, 0);
  EXPECT_NEAR(r.Q, 106.7697, 1e-4);
  EXPECT_NEAR(r.Vmm, -0.028988, 1e-6);
  EXPECT_NEAR(r.Mmm, 1.138876, 1e-6);
  EXPECT_NEAR(st.sweMm, 255.372136, 1e-6);
  const SnowRowTexts texts = snowRowTexts(r, st, set);
  EXPECT_EQ(texts.text(27), "10.05");
  EXPECT_EQ(texts.text(28), "0.04484");
  EXPECT_EQ(texts.text(13), "3.04167");
  EXPECT_EQ(texts.text(14), "0.74875");
  EXPECT_EQ(texts.text(11), " 2.54");
  EXPECT_EQ(texts.text(12), "0");
  EXPECT_EQ(texts.text(15), " 273.16");
  EXPECT_EQ(st.lastTaK, r.TaK);
}

// One step of a case, from a state and inputs in inches and °F.
struct Case {
  const char* name;
  double swe0Mm, age0, albedo0, newSnow0;
  double tempF, psumIn;
  double dDays, hHours;
  double p6;
  double sweFloor;
  bool newDay;
  double solar;  // Langley/day
  // expected
  double sweMm;    // < 0: not checked
  double waterIn;  // < 0: not checked
  double age;
  double albedo;
  double newSnowAfter;
};

TEST(SnowpackEnergyBalance, EdgeCases) {
  const double e005 = 0.5 + 0.4 * std::exp(-0.05);
  const double e010 = 0.5 + 0.4 * std::exp(-0.1);
  const Case cases[] = {
      // Rain on bare ground runs off: the water output is the rain, no pack builds.
      {"rain on bare ground", 0, 0, 0, 0, 50, 0.2, kHourDays, 1, 1, 0.127, false, 300, 0, 0.2, 0, 0, 0},
      // Snow on bare ground builds a pack and a fresh albedo.
      {"new snow", 0, 0, 0, 0, 20, 0.1, kHourDays, 1, 1, 0.127, false, 300, 2.54, 0, 0, 0.9, 0.1},
      // A new-snow total carried from earlier steps resets the age; a midnight clears the total afterwards.
      {"new-snow reset at midnight", 100, 5, 0.7, 0.03, 20, 0, kHourDays, 1, 1, 0.127, true, 0, -1, -1, 0,
       0.9, 0},
      // Age 10, cold, one day: decay k = -0.05, times p6 only past 7 days.
      {"albedo decay p6 1", 100, 10 - 1, 0.9, 0, 20, 0, 1, 24, 1, 0.127, false, 0, -1, -1, 10, e005, 0},
      {"albedo decay p6 2", 100, 10 - 1, 0.9, 0, 20, 0, 1, 24, 2, 0.127, false, 0, -1, -1, 10, e010, 0},
      {"albedo at age 5 ignores p6", 100, 4, 0.9, 0, 20, 0, 1, 24, 2, 0.127, false, 0, -1, -1, 5, e005, 0},
      // A young pack keeps 0.9.
      {"young pack", 100, 0.2, 0.8, 0, 20, 0, kHourDays, 1, 1, 0.127, false, 0, -1, -1, 0.2 + kHourDays, 0.9,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SnowParameters p = parseSnowParameters("0, 1, 1, 1, 1, 1, 1, 32, 1");
    p.p[6] = c.p6;
    const SnowSettings set = snowSettings(p, false, c.sweFloor);
    SnowpackState st{c.swe0Mm, c.age0, c.albedo0, c.newSnow0, 260};
    SnowStepInputs in{c.tempF, 50, 3, c.solar, 600};
    const SnowStepResult r = snowpackStep(st, in, c.dDays, c.hHours, c.psumIn, p, set, c.newDay);
    ASSERT_FALSE(r.skipped);
    if (c.sweMm >= 0) {
      EXPECT_NEAR(st.sweMm, c.sweMm, 1e-9);
    }
    if (c.waterIn >= 0) {
      EXPECT_NEAR(r.waterOut, c.waterIn, 1e-12);
    }
    EXPECT_NEAR(st.ageDays, c.age, 1e-9);
    EXPECT_NEAR(st.albedo, c.albedo, 1e-9);
    EXPECT_NEAR(st.dailyNewSnow, c.newSnowAfter, 1e-12);
  }
}

// The melt of a warm energy balance at a given air temperature, against the same at 273.2 K.
double meltAt(double taK, double sweMm) {
  SnowParameters p = parseSnowParameters("0, 1, 1, 1, 1, 1, 1, 0, 1");
  SnowSettings set = snowSettings(p, true, 0.127);
  set.thresholdK = 200;  // no snow phase in these steps
  SnowpackState st{sweMm, 2, 0.6, 0, 280};
  SnowStepInputs in{taK - kSnowFreezingK, 100, 0, 900, 300};
  return snowpackStep(st, in, kHourDays, 1, 0, p, set, false).Mmm;
}

TEST(SnowpackEnergyBalance, MeltFactorsAndCuts) {
  // The balance itself changes with Ta, so compare against the formula's own melt.
  auto plainMelt = [](double taK) {
    SnowParameters p = parseSnowParameters("0, 1, 1, 1, 1, 1, 1, 0, 1");
    SnowSettings set = snowSettings(p, true, 0.127);
    set.thresholdK = 200;
    SnowpackState st{1000, 2, 0.6, 0, 280};
    SnowStepInputs in{taK - kSnowFreezingK, 100, 0, 900, 300};
    const SnowStepResult r = snowpackStep(st, in, kHourDays, 1, 0, p, set, false);
    return r.Q * 3600 / 337500;
  };
  EXPECT_NEAR(meltAt(270, 1000), plainMelt(270) * 1.36, 1e-9);
  EXPECT_NEAR(meltAt(268, 1000), plainMelt(268) * 0.01, 1e-9);
  EXPECT_NEAR(meltAt(273.2, 1000), plainMelt(273.2), 1e-9);
  EXPECT_GT(plainMelt(268), 0);

  // A melt larger than the pack is cut to it; a pack that sublimates and melts out in the step
  // hands on its last melt with the rain (dry wind at 0 °C under strong sun).
  {
    SnowParameters p = parseSnowParameters("0, 1, 1, 1, 1, 1, 1, -40, 1");
    SnowSettings set = snowSettings(p, true, 0.127);
    SnowpackState st{0.5, 2, 0.6, 0, 280};
    SnowStepInputs in{0, 1, 100, 2000, 400};
    const SnowStepResult r = snowpackStep(st, in, kHourDays, 1, 0.3, p, set, false);
    EXPECT_NEAR(r.Mmm, 0.5, 1e-12);
    EXPECT_LT(r.Vmm, -0.3);
    EXPECT_EQ(st.sweMm, 0);
    EXPECT_NEAR(r.waterOut, 0.5 + 0.3, 1e-12);
  }
  // A pack of 0.1 mm after the step is none for hourly tables, kept for unit values.
  for (double floor : {0.127, 0.00127}) {
    SnowParameters p = parseSnowParameters("0, 1, 1, 1, 1, 1, 1, 0, 1");
    SnowSettings set = snowSettings(p, true, floor);
    SnowpackState st{0.1, 2, 0.6, 0, 250};
    SnowStepInputs in{-30, 1, 0, 0, 0};  // cold and dark: no melt, almost no sublimation
    snowpackStep(st, in, kHourDays, 1, 0, p, set, false);
    if (floor > 0.1)
      EXPECT_EQ(st.sweMm, 0);
    else
      EXPECT_NEAR(st.sweMm, 0.1, 1e-2);
  }
}

TEST(SnowpackEnergyBalance, MissingInputs) {
  const SnowParameters p = handParameters();
  const SnowSettings set = snowSettings(p, false, 0.127);
  // After a warm step too, a missing temperature, solar or long-wave skips the step.
  for (int k = 0; k < 3; ++k) {
    SnowpackState st{254, 3, 0.75, 0, 290};
    SnowStepInputs in{41, 50, 5, 600, 650};
    (k == 0 ? in.temperature : k == 1 ? in.solar : in.longwave) = kSnowInputMissing;
    const SnowpackState before = st;
    EXPECT_TRUE(snowpackStep(st, in, kHourDays, 1, 0.1, p, set, false).skipped);
    EXPECT_EQ(st.sweMm, before.sweMm);
    EXPECT_EQ(st.lastTaK, before.lastTaK);
  }
  SnowpackState st{254, 3, 0.75, 0, 290};
  SnowStepInputs in{41, kSnowInputMissing, kSnowInputMissing, 600, 650};
  EXPECT_FALSE(snowpackStep(st, in, kHourDays, 1, 0, p, set, false).skipped);
  EXPECT_EQ(in.humidity, 50);
  EXPECT_EQ(in.wind, 3);
}

TEST(SnowpackEnergyBalance, ANonFiniteFluxIsAnOverflow) {
  const SnowParameters p = handParameters();
  const SnowSettings set = snowSettings(p, false, 0.127);
  SnowpackState st{254, 3, 0.75, 0, 290};
  SnowStepInputs in{41, 50, 5, 1e308, 1e308};
  try {
    snowpackStep(st, in, kHourDays, 1, 0, p, set, false);
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::Overflow);
  }
  EXPECT_EQ(st.sweMm, 254);
}

TEST(SnowmeltInputs, ParametersTablesAndWindows) {
  EXPECT_FALSE(parseSnowParameters("0,1,1,1,1,1,1,35.6").diagnostics());
  EXPECT_TRUE(parseSnowParameters("0,1,1,1,1,1,1,35.6, 0").diagnostics());
  EXPECT_EQ(parseSnowParameters("-0.0, x, 2").p[1], 0);
  EXPECT_EQ(parseSnowParameters("-0.0, x, 2").p[9], 1);
  EXPECT_NO_THROW(parseSnowParameters("1,1,1,1,1,1,1,1,1,1,1"));
  EXPECT_THROW(parseSnowParameters("1,1,1,1,1,1,1,1,1,1,1,1"), vb::Error);

  struct T {
    const char* id;
    const char* table;
    bool hourly;
    double floor;
  } tables[] = {{"SNOWMELT-HOUR", "RHOUR", true, 0.127},    {"SNOWMELT", "RUNIT", false, 0.00127},
                {"SNOWMELT-UNIT", "RUNIT", false, 0.00127}, {"SNOWMELT-DAY", "RDAY", false, 0.127},
                {"SNOWMELT-RDAY", "RDAY", false, 0.127},    {"SNOWMELT-hour", "Rhour", false, 0.127}};
  for (const T& t : tables) {
    const SnowTable s = snowTable(t.id);
    EXPECT_EQ(s.name, t.table) << t.id;
    EXPECT_EQ(s.hourly, t.hourly) << t.id;
    EXPECT_EQ(s.sweFloorMm, t.floor) << t.id;
  }
  SnowWindow w = snowWindow(snowTable("SNOWMELT-HOUR"), 100, 110, true, 50);
  EXPECT_EQ(w.begin, 100);
  EXPECT_EQ(w.end, 111);
  EXPECT_EQ(w.capacity, 13 * 24);
  w = snowWindow(snowTable("SNOWMELT-DAY"), 100, 110, false, 50);
  EXPECT_EQ(w.begin, 99);  // a daily table reads from the day before
  EXPECT_EQ(w.capacity, 13);
  EXPECT_EQ(snowWindow(snowTable("SNOWMELT"), 100, 110, true, 500).capacity, 500);

  EXPECT_FALSE(separatePrecipitation("10033"));
  EXPECT_TRUE(separatePrecipitation("-10033"));
  EXPECT_TRUE(separatePrecipitation("33"));
}

std::vector<SeriesPoint> series(std::initializer_list<std::pair<double, double>> pts) {
  std::vector<SeriesPoint> v(1);
  for (auto [d, x] : pts) v.push_back({d, x, 0});
  return v;
}

TEST(SnowmeltInputs, AlignmentStartingValuesAndExtension) {
  const double h = kHourDays;
  const double day = 45000;
  SnowTimeBase base(10);
  const auto temps = series({{day, 30}, {day + h, 31}, {day + 2 * h, 32}, {day + 3 * h, 33}});
  setTimeBase(base, temps, 4);
  ASSERT_EQ(base.count, 4);
  // A point between steps goes to the next step; a step without a point stays missing.
  alignInput(base, 1, series({{day - 0.5 * h, 80}, {day + 1.5 * h, 70}}), 2);
  EXPECT_EQ(base.inputs[1][1], 80);
  EXPECT_EQ(base.inputs[2][1], kSnowInputMissing);
  EXPECT_EQ(base.inputs[3][1], 70);
  EXPECT_EQ(base.inputs[4][1], kSnowInputMissing);
  EXPECT_EQ(base.inputs[4][5], 0);  // precipitation missing counts as none

  EXPECT_EQ(startingValue(series({{day + 0.5, 10}}), 1, 45000), 10);
  EXPECT_EQ(startingValue(series({{day + 1, 10}}), 1, 45000), 0);  // a day late
  EXPECT_EQ(startingValue(series({}), 0, 45000), 0);

  // Precipitation beyond the weather: new hours repeat the weather and carry their own value.
  extendByPrecipitation(
      base, series({{day + 2 * h, 0.1}, {day + 4 * h, 0.2}, {day + 5 * h, 0.25}, {day + 6 * h, 0.3}}), 4);
  ASSERT_EQ(base.count, 7);
  EXPECT_NEAR(base.dates[7], day + 6 * h, 1e-9);
  EXPECT_EQ(base.inputs[5][5], 0.2);
  EXPECT_EQ(base.inputs[6][5], 0.25);
  EXPECT_EQ(base.inputs[7][5], 0.3);
  EXPECT_EQ(base.inputs[7][0], 33);  // fewer than 25 steps: the last step read
  // The capacity stops it.
  extendByPrecipitation(base, series({{day + 20 * h, 1}}), 1);
  EXPECT_EQ(base.count, 10);
}

TEST(SnowmeltInputs, FiveMinuteRebuild) {
  const double m5 = 1.0 / 288;
  const double day = 45000;
  SnowTimeBase base(40);
  // Weather every 15 minutes; rain points at 00:20 and 00:35.
  setTimeBase(base, series({{day, 30}, {day + 3 * m5, 31}, {day + 6 * m5, 32}, {day + 9 * m5, 33}}), 4);
  fiveMinuteRebuild(base, series({{day + 4 * m5, 0.1}, {day + 7 * m5, 0.2}}), 2);
  // Steps up to the first rain point on the grid, then each rain point a step of its own, with
  // the weather of the step it was made for.
  const double expected[] = {0, 1, 2, 3, 4, 7};
  ASSERT_EQ(base.count, 6);
  double rain = 0;
  for (int32_t i = 1; i <= base.count; ++i) {
    EXPECT_NEAR(base.dates[static_cast<size_t>(i)], day + expected[i - 1] * m5, 1e-6) << i;
    rain += base.inputs[static_cast<size_t>(i)][5];
  }
  EXPECT_NEAR(rain, 0.3, 1e-12);
  EXPECT_EQ(base.inputs[2][0], 31);
  EXPECT_EQ(base.inputs[5][0], 32);
  EXPECT_EQ(base.inputs[6][0], 33);
}

}  // namespace
}  // namespace fw::compute
