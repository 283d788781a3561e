#include "app/what_if_keys.h"

#include <cmath>
#include <optional>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

using Apply = void (*)(WhatIfSettings&, const std::string&);

double number(const std::string& v) {
  return vb::Val(v);
}
int16_t flag(const std::string& v) {
  return vb::UCase(vb::Trim(v)) == "TRUE" ? int16_t{-1} : int16_t{0};
}
int16_t small(const std::string& v) {
  return vb::toInteger(vb::Val(v));
}

// The Monte Carlo type by its number or its option's caption.
int16_t monteType(const std::string& v) {
  const std::string u = vb::UCase(vb::Trim(v));
  if (u == "RANDOM") return 1;
  if (u == "RANDOM NORMAL") return 2;
  if (u == "EXACT NORMAL") return 3;
  if (u == "OFF" || u.empty()) return 0;
  return small(v);
}

// The text a key is written with when the wizard's What-If panel set the run; nothing when the
// key is left out.
using Text = std::optional<std::string> (*)(const WhatIfSettings&);

struct WhatIfKey {
  const char* written;
  Apply apply;
  Text text;
};

std::string yesNo(int16_t v) {
  return v != 0 ? "True" : "False";
}
std::string num(double v) {
  return vb::CStr(v);
}
std::string whole(int32_t v) {
  return std::to_string(v);
}
bool monte(const WhatIfSettings& w) {
  return w.MonteType != 0;
}
bool storms(const WhatIfSettings& w) {
  return w.Stochastic != 0;
}
bool started(const WhatIfSettings& w) {
  return w.StartDate != 0;
}
std::optional<std::string> when(bool given, std::string text) {
  return given ? std::optional<std::string>(std::move(text)) : std::nullopt;
}

const WhatIfKey kKeys[] = {
    {"What-If Coefficient=", [](WhatIfSettings& w, const std::string& v) { w.Coefficient = small(v); },
     [](const WhatIfSettings& w) { return when(true, whole(w.Coefficient)); }},
    {"What-If Caption=", [](WhatIfSettings& w, const std::string& v) { w.CoefficientCaption = vb::Trim(v); },
     [](const WhatIfSettings& w) { return when(!w.CoefficientCaption.empty(), w.CoefficientCaption); }},
    {"What-If Step Multiplier=", [](WhatIfSettings& w, const std::string& v) { w.StepFactor = number(v); },
     [](const WhatIfSettings& w) { return when(true, num(w.StepFactor)); }},
    {"What-If Traces=", [](WhatIfSettings& w, const std::string& v) { w.Traces = vb::toLong(vb::Val(v)); },
     [](const WhatIfSettings& w) { return when(true, whole(w.Traces)); }},
    {"What-If Run ID=",
     [](WhatIfSettings& w, const std::string& v) {
       w.RunID = small(v);
       w.WriteMTables = w.RunID != 0 ? int16_t{-1} : int16_t{0};
     },
     [](const WhatIfSettings& w) { return when(true, whole(w.WriteMTables != 0 ? w.RunID : 0)); }},
    {"What-If Overwrite=", [](WhatIfSettings& w, const std::string& v) { w.Overwrite = flag(v); },
     [](const WhatIfSettings& w) { return when(w.Overwrite != 0, yesNo(w.Overwrite)); }},
    {"What-If Automate CN=", [](WhatIfSettings& w, const std::string& v) { w.AutomateCN = flag(v); },
     [](const WhatIfSettings& w) { return when(true, yesNo(w.AutomateCN)); }},
    {"What-If Monte Carlo=", [](WhatIfSettings& w, const std::string& v) { w.MonteType = monteType(v); },
     [](const WhatIfSettings& w) { return when(true, whole(w.MonteType)); }},
    {"What-If Minimum=", [](WhatIfSettings& w, const std::string& v) { w.MonteMin = number(v); },
     [](const WhatIfSettings& w) { return when(monte(w), num(w.MonteMin)); }},
    {"What-If Maximum=", [](WhatIfSettings& w, const std::string& v) { w.MonteMax = number(v); },
     [](const WhatIfSettings& w) { return when(monte(w), num(w.MonteMax)); }},
    {"What-If Mean=", [](WhatIfSettings& w, const std::string& v) { w.MonteMean = number(v); },
     [](const WhatIfSettings& w) { return when(monte(w), num(w.MonteMean)); }},
    {"What-If Standard Deviation=", [](WhatIfSettings& w, const std::string& v) { w.MonteStdev = number(v); },
     [](const WhatIfSettings& w) { return when(monte(w), num(w.MonteStdev)); }},
    {"What-If Skew=", [](WhatIfSettings& w, const std::string& v) { w.MonteSkew = number(v); },
     [](const WhatIfSettings& w) { return when(monte(w), num(w.MonteSkew)); }},
    {"What-If Log=", [](WhatIfSettings& w, const std::string& v) { w.MonteLogNormal = flag(v); },
     [](const WhatIfSettings& w) { return when(monte(w), yesNo(w.MonteLogNormal)); }},
    {"What-If Reverse=", [](WhatIfSettings& w, const std::string& v) { w.ReverseExact = flag(v); },
     [](const WhatIfSettings& w) { return when(monte(w), yesNo(w.ReverseExact)); }},
    {"What-If Stochastic Rain=", [](WhatIfSettings& w, const std::string& v) { w.Stochastic = flag(v); },
     [](const WhatIfSettings& w) { return when(true, yesNo(w.Stochastic)); }},
    {"What-If Storm Duration=", [](WhatIfSettings& w, const std::string& v) { w.StormDuration = number(v); },
     [](const WhatIfSettings& w) { return when(storms(w), num(w.StormDuration)); }},
    {"What-If Flashy Factor=", [](WhatIfSettings& w, const std::string& v) { w.FlashyFactor = number(v); },
     [](const WhatIfSettings& w) { return when(storms(w), num(w.FlashyFactor)); }},
    {"What-If Storm Count=", [](WhatIfSettings& w, const std::string& v) { w.StormCount = small(v); },
     [](const WhatIfSettings& w) { return when(storms(w), whole(w.StormCount)); }},
    {"What-If Multi-Storm Period=",
     [](WhatIfSettings& w, const std::string& v) { w.MultiDuration = number(v); },
     [](const WhatIfSettings& w) { return when(storms(w), num(w.MultiDuration)); }},
    {"What-If Random Storm Count=", [](WhatIfSettings& w, const std::string& v) { w.RandomMulti = flag(v); },
     [](const WhatIfSettings& w) { return when(storms(w), yesNo(w.RandomMulti)); }},
    {"What-If Rain Factor=", [](WhatIfSettings& w, const std::string& v) { w.RainAdjustFactor = number(v); },
     [](const WhatIfSettings& w) { return when(w.RainAdjustFactor != 1.0, num(w.RainAdjustFactor)); }},
    {"What-If Compare DSID=",
     [](WhatIfSettings& w, const std::string& v) {
       w.CompareDSID = vb::Trim(v);
       w.CompareOn = w.CompareDSID.empty() ? int16_t{0} : int16_t{-1};
     },
     [](const WhatIfSettings& w) { return when(!w.CompareDSID.empty(), w.CompareDSID); }},
    {"What-If Start Date=",
     [](WhatIfSettings& w, const std::string& v) { w.StartDate = vb::CDate(vb::Trim(v)); },
     [](const WhatIfSettings& w) { return when(started(w), vb::Format(w.StartDate, "mm/dd/yyyy")); }},
    {"What-If Start Run ID=", [](WhatIfSettings& w, const std::string& v) { w.StartRunID = small(v); },
     [](const WhatIfSettings& w) { return when(started(w), whole(w.StartRunID)); }},
    {"What-If Start Trace=", [](WhatIfSettings& w, const std::string& v) { w.StartTrace = small(v); },
     [](const WhatIfSettings& w) { return when(started(w), whole(w.StartTrace)); }},
    {"What-If Seed=",
     [](WhatIfSettings& w, const std::string& v) {
       const std::string t = vb::Trim(v);
       if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos)
         throw vb::Error(vb::err::TypeMismatch, "a seed is a whole number, 0 or more");
       w.Seed = std::stoull(t);
       w.SeedGiven = true;
     },
     [](const WhatIfSettings& w) { return when(w.SeedGiven, std::to_string(w.Seed)); }},
};

std::string upperOf(const char* written) {
  std::string k = written;
  return vb::UCase(vb::Trim(k.substr(0, k.find('='))));
}

}  // namespace

void writeWhatIfTexts(WhatIfSettings& w) {
  w.SetupTexts.clear();
  for (const WhatIfKey& key : kKeys)
    if (std::optional<std::string> text = key.text(w)) w.SetupTexts[upperOf(key.written)] = *text;
}

void addWhatIfKeys(std::vector<SetupKey>& keys) {
  for (const WhatIfKey& key : kKeys) {
    const std::string upper = upperOf(key.written);
    const Apply apply = key.apply;
    keys.push_back({key.written, upper,
                    [upper, apply](Session& s, const std::string& v) {
                      s.WhatIf.SetupTexts[upper] = v;
                      apply(s.WhatIf, v);
                    },
                    [upper](const Session& s) { return s.WhatIf.SetupTexts.at(upper); },
                    [upper](const Session& s) { return s.WhatIf.SetupTexts.count(upper) > 0; }});
  }
}

}  // namespace fw
