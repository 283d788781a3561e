#include "radar/nowcast_adjust.h"

#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "common/log_files.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

int32_t wholeIndex(double x) { return vb::toLong(x); }

int32_t countRainy(const std::vector<double>& v, int32_t from, int32_t to) {
  int32_t n = 0;
  for (int32_t i = std::max<int32_t>(from, 0); i <= to && i < static_cast<int32_t>(v.size()); ++i)
    if (v[static_cast<std::size_t>(i)] >= kStormCountThreshold) ++n;
  return n;
}

// The damping factor of a lead time in minutes: `start` at `fromMinutes`, falling 0.2 or 0.3 an
// hour, kept within [low, high].
double bandFactor(double start, double perHour, double fromMinutes, double minutes, double low, double high) {
  return std::clamp(start - perHour * (minutes - fromMinutes) / 60.0, low, high);
}

}  // namespace

std::string NowcastSummary::text() const {
  return vb::CStr(K1) + " " + vb::CStr(K2) + " " + vb::CStr(K3) + " " + Marks + " Diff: " + vb::CStr(D2) + ", " +
         vb::CStr(D1);
}

NowcastSummary adjustNowcasts(std::vector<NowcastAdjustRow>& rows, NowcastWindow window, double imagesPerHour,
                              vb::VbDate runTime, double whatIfRain, std::vector<StormCountEntry>& counts) {
  NowcastSummary summary;
  const double W = whatIfRain == 0 ? 1.0 : whatIfRain;
  const int32_t H = wholeIndex(imagesPerHour);
  if (counts.size() < rows.size()) counts.resize(rows.size());
  int32_t A = window.A, B = window.B;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    NowcastAdjustRow& row = rows[r];
    if (row.AdjustType == 0 || row.Values == nullptr) continue;
    std::vector<double>& v = *row.Values;
    const int32_t last = static_cast<int32_t>(v.size()) - 1;
    const int16_t E = row.AdjustType;
    if (E == 1) {
      A = A + H;
      if (H + (A + H + 24) >= B) B = B - H;
    }
    const int32_t t = wholeIndex((B - A) / 3.0);
    const int32_t C1 = A + t;
    const int32_t C2 = C1 + t;
    const int32_t from = std::max<int32_t>(A, 0), to = std::min(B, last);
    for (int32_t i = from; i <= to; ++i) v[static_cast<std::size_t>(i)] *= W;

    const int32_t K1 = countRainy(v, A, C1);
    const int32_t K2 = countRainy(v, C1 + 1, C2);
    const int32_t K3 = countRainy(v, C2 + 1, B);
    const StormCountEntry previous = counts[r];
    counts[r] = {K2, K3};
    const int32_t D1 = K2 - previous.Last;
    const int32_t D2 = K1 - previous.Middle;
    const bool firstWeakening = D2 <= kStormDiffCheck;
    const bool middleWeakening = D1 <= kStormDiffCheck;
    if (r == 0) {
      summary.Made = true;
      summary.AdjustType = E;
      summary.K1 = K1;
      summary.K2 = K2;
      summary.K3 = K3;
      summary.D1 = D1;
      summary.D2 = D2;
    }

    if (!(E == 1 || firstWeakening || middleWeakening || K3 != 0)) continue;
    for (int32_t i = from; i <= to; ++i) {
      double& value = v[static_cast<std::size_t>(i)];
      if (E == 1) {
        // The average with the value an hour later, where one was stored.
        if (i + H <= last) value = (v[static_cast<std::size_t>(i + H)] + value) / 2.0;
      } else {
        const vb::VbDate time =
            row.Times != nullptr && i < static_cast<int32_t>(row.Times->size()) ? (*row.Times)[static_cast<std::size_t>(i)] : runTime;
        const double m = static_cast<double>(vb::DateDiff("n", runTime, time));
        double factor = 1.0;
        int band = 0;
        if (i <= C2 && E == 3) {
          if (i <= C1) {
            if (firstWeakening) {
              factor = bandFactor(1.0, 0.3, 0, m, 0.7, 1.0);
              band = 1;
            }
          } else if (middleWeakening || K2 >= 7) {
            factor = bandFactor(0.8, 0.2, 60, m, 0.6, 0.8);
            band = 2;
          }
        } else if (i > C2 && K3 >= 4) {
          factor = bandFactor(0.6, 0.2, 120, m, 0.4, 0.6);
          band = 3;
        }
        value *= factor;
        if (r == 0 && band > 0) summary.Marks[static_cast<std::size_t>(band - 1)] = 'Y';
      }
      value /= W;
    }
  }
  return summary;
}

std::string adjustTypeCaption(const NowcastSummary& summary) {
  return "Adj Type " + vb::CStr(static_cast<int32_t>(summary.AdjustType)) + " Count 5-min>0.05 by Hour: " +
         summary.text();
}

std::string stormCountLine(const NowcastSummary& summary, vb::VbDate runTime, const std::string& site,
                           const std::string& dsid, const std::string& batchInterval) {
  return summary.text() + " " + vb::Format(runTime, "yyyy/mm/dd hh:mm ") + site + " " + dsid +
         " DIFF check = " + vb::CStr(kStormDiffCheck) + " batch interval= " + batchInterval + " min Storm Count>0.05";
}

void reportNowcastSummary(Session& s, const NowcastSummary& summary, const std::string& site,
                          const std::string& dsid) {
  if (!summary.Made) return;
  logPaneLine(s, "Nowcast Adjust Type " + vb::CStr(static_cast<int32_t>(summary.AdjustType)));
  s.Form3.showAdjustType(adjustTypeCaption(summary));
  logPaneLine(s, "Count: " + summary.text());
  const std::filesystem::path log = s.inProgramFolder(kStormCountLog);
  ShrinkLog(s, log, kStormCountLogLimit);
  const std::string line =
      stormCountLine(summary, s.RunDateTime, site, dsid, s.BatchMode ? s.form.Text5.Text : std::string("0"));
  try {
    vb::appendLine(log, line);
  } catch (const std::exception& e) {
    s.errlog.writeLine("Nowcast: " + site + " " + dsid + " " + e.what() + "... " + log.string());
  }
}

}  // namespace fw
