// A snow season of 6,552 hourly steps (October to June) through the snowpack energy balance as
// Snowcalc steps it (row texts left out), beside a plain inline loop of the same formulas; and a
// whole Snowcalc of the season over a SQLite HDB, without a goal. Prints the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "bench_support.h"
#include "compute/snowcalc.h"
#include "compute/snowmelt_inputs.h"
#include "compute/snowpack_energy_balance.h"
#include "platform/db/dialect.h"
#include "platform/vb/date.h"

namespace {

constexpr int kSteps = 6552;  // 273 days of hours
constexpr double kHour = 1.0 / 24;

struct Weather {
  double t, rh, wind, solar, lw, p;
};

std::vector<Weather> season() {
  std::vector<Weather> w(kSteps);
  for (int k = 0; k < kSteps; ++k) {
    const double day = k / 24.0;
    const double s = std::cos((day - 120) / 273 * 2 * 3.14159265);
    w[static_cast<size_t>(k)] = {40 - 22 * s + 8 * std::sin((k % 24 - 9) / 24.0 * 2 * 3.14159265),
                                 70,
                                 4,
                                 450 - 250 * s,
                                 560,
                                 (k / 24) % 9 == 0 && k % 24 < 12 ? 0.05 : 0.0};
  }
  return w;
}

void BM_SnowpackSteps(benchmark::State& state) {
  const std::vector<Weather> w = season();
  const fw::compute::SnowParameters p = fw::compute::parseSnowParameters("0,1,1,1,1,1,1,35.6");
  const fw::compute::SnowSettings set = fw::compute::snowSettings(p, false, 0.127);
  for (auto _ : state) {
    fw::compute::SnowpackState st{254, 3, 0.75, 0, 0};
    double out = 0;
    for (int k = 1; k < kSteps; ++k) {
      const Weather& x = w[static_cast<size_t>(k)];
      fw::compute::SnowStepInputs in{x.t, x.rh, x.wind, x.solar, x.lw};
      const auto r = fw::compute::snowpackStep(st, in, kHour, 1, x.p, p, set, k % 24 == 0);
      out += r.waterOut;
    }
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_SnowpackSteps)->Unit(benchmark::kMicrosecond);

// The same balance written out inline over plain doubles.
void BM_PlainSnowLoop(benchmark::State& state) {
  const std::vector<Weather> w = season();
  const double tthr = (35.6 - 32) * 5 / 9 + 273.16 + 0.01;
  for (auto _ : state) {
    double swe = 254, age = 3, albedo = 0.75, fresh = 0, out = 0;
    for (int k = 1; k < kSteps; ++k) {
      const Weather& x = w[static_cast<size_t>(k)];
      const double S0 = swe;
      const double Ta = (x.t - 32) * 5 / 9 + 273.16;
      double rain = 0, snow = 0;
      if (Ta < tthr) {
        snow = x.p;
        fresh += snow;
        snow *= 25.4;
      } else {
        rain = x.p * 25.4;
      }
      if (fresh > 0.02) {
        age = 0;
        albedo = 0.9;
      } else {
        age = S0 == 0 ? 0 : age + kHour;
        if (age <= 0)
          albedo = 0;
        else if (age < 1)
          albedo = 0.9;
        else
          albedo = (albedo - 0.5) * std::exp((Ta <= 273.16 ? -0.05 : -0.12) * kHour) + 0.5;
      }
      if (k % 24 == 0) fresh = 0;
      const double Ts = std::min(Ta, 273.16);
      const double ea = 6.1078 * std::exp(17.08085 * (Ta - 273.16) / (Ta - 273.16 + 234.175)) * x.rh / 100;
      const double es = S0 > 0 ? 6.1078 * std::exp(17.08085 * (Ts - 273.16) / (Ts - 273.16 + 234.175)) : 0;
      const double f = 0.098 * x.wind * 0.44704 + 0.18;
      const double Q = (1 - albedo) * x.solar / 2.065 + x.lw / 2.065 - 5.6133e-8 * Ts * Ts * Ts * Ts +
                       f * 18.85 * (Ta - Ts) + f * 32.82 * (ea - es) +
                       (rain > 0 ? (Ta - 273.16) * 4180 * rain / 3600 : 0) +
                       (snow > 0 ? (Ta - 273.16) * 2100 * snow / 3600 : 0) + 2;
      const double V = S0 > 0 ? std::min(f * 32.82 * (ea - es) * 3600 / 2.8355e6, S0) : 0;
      double M = 0;
      if (S0 > 0 && Q > 0) {
        M = Q * 3600 / 337500;
        if (Ta < 273.2) M *= Ta > 268.2 ? (Ta - 263.2) / 5 : 0.01;
        M = std::min(M, S0);
      }
      swe = S0 <= 0 ? V + snow - M : S0 + rain + snow + V - M;
      if (swe < 0.127) swe = 0;
      out += (swe <= 0 ? (S0 > 0 ? M + rain : rain) : M) / 25.4;
    }
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_PlainSnowLoop)->Unit(benchmark::kMicrosecond);

// The whole computation: six hourly input series read from SQLite, the loop, both files.
void BM_SnowcalcSeason(benchmark::State& state) {
  fw::bench::TempDatabase d("snowmelt");
  const double start = vb::DateSerial(2023, 10, 1);
  {
    fw::bench::Sqlite db(d.file);
    db.exec("begin;");
    const std::vector<Weather> w = season();
    for (int k = 0; k < kSteps; ++k) {
      const std::string date = fw::db::dayLiteral(vb::roundToSecond(start + k * kHour));
      const Weather& x = w[static_cast<size_t>(k)];
      const std::pair<const char*, double> rows[] = {{"17033", x.t},     {"18033", x.rh},  {"28033", x.wind},
                                                     {"29033", x.solar}, {"-29033", x.lw}, {"10033", x.p}};
      for (const auto& [dsid, v] : rows) {
        const std::string sql = "insert into rhour values (" + std::string(dsid) + ", " + date + ", " +
                                std::to_string(v) + ", 1);";
        db.exec(sql.c_str());
      }
    }
    const std::string swe = "insert into rhour values (-23012, " + fw::db::dayLiteral(start) + ", 10, 1);";
    db.exec(swe.c_str());
    db.exec("commit;");
  }
  fw::bench::WriterSession w(d, false);
  w.s.RealtimeMode = true;
  for (auto _ : state) {
    fw::compute::SnowcalcCall c;
    c.parameters = "0,1,1,1,1,1,1,35.6";
    c.dsidField = "-10012,-23012";
    c.stationId = "SNOWMELT-HOUR";
    c.inputList = "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012";
    c.beginDay = static_cast<int32_t>(start);
    c.endDay = static_cast<int32_t>(start) + kSteps / 24 - 1;
    c.gapLimitDays = 0.5;
    fw::compute::Snowcalc(w.s, c);
    if (!c.error.empty()) state.SkipWithError(c.error.c_str());
    benchmark::DoNotOptimize(c.result.size());
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_SnowcalcSeason)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainSnowLoop", {"BM_SnowpackSteps"}, "plain loop", 1.5);
}
