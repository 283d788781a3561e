#include "app/what_if_keys.h"

#include <cmath>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
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

struct WhatIfKey {
  const char* written;
  Apply apply;
};

const WhatIfKey kKeys[] = {
    {"What-If Coefficient=", [](WhatIfSettings& w, const std::string& v) { w.Coefficient = small(v); }},
    {"What-If Caption=", [](WhatIfSettings& w, const std::string& v) { w.CoefficientCaption = vb::Trim(v); }},
    {"What-If Step Multiplier=", [](WhatIfSettings& w, const std::string& v) { w.StepFactor = number(v); }},
    {"What-If Traces=", [](WhatIfSettings& w, const std::string& v) { w.Traces = vb::toLong(vb::Val(v)); }},
    {"What-If Run ID=",
     [](WhatIfSettings& w, const std::string& v) {
       w.RunID = small(v);
       w.WriteMTables = w.RunID != 0 ? int16_t{-1} : int16_t{0};
     }},
    {"What-If Overwrite=", [](WhatIfSettings& w, const std::string& v) { w.Overwrite = flag(v); }},
    {"What-If Automate CN=", [](WhatIfSettings& w, const std::string& v) { w.AutomateCN = flag(v); }},
    {"What-If Monte Carlo=", [](WhatIfSettings& w, const std::string& v) { w.MonteType = monteType(v); }},
    {"What-If Minimum=", [](WhatIfSettings& w, const std::string& v) { w.MonteMin = number(v); }},
    {"What-If Maximum=", [](WhatIfSettings& w, const std::string& v) { w.MonteMax = number(v); }},
    {"What-If Mean=", [](WhatIfSettings& w, const std::string& v) { w.MonteMean = number(v); }},
    {"What-If Standard Deviation=", [](WhatIfSettings& w, const std::string& v) { w.MonteStdev = number(v); }},
    {"What-If Skew=", [](WhatIfSettings& w, const std::string& v) { w.MonteSkew = number(v); }},
    {"What-If Log=", [](WhatIfSettings& w, const std::string& v) { w.MonteLogNormal = flag(v); }},
    {"What-If Reverse=", [](WhatIfSettings& w, const std::string& v) { w.ReverseExact = flag(v); }},
    {"What-If Stochastic Rain=", [](WhatIfSettings& w, const std::string& v) { w.Stochastic = flag(v); }},
    {"What-If Storm Duration=", [](WhatIfSettings& w, const std::string& v) { w.StormDuration = number(v); }},
    {"What-If Flashy Factor=", [](WhatIfSettings& w, const std::string& v) { w.FlashyFactor = number(v); }},
    {"What-If Storm Count=", [](WhatIfSettings& w, const std::string& v) { w.StormCount = small(v); }},
    {"What-If Multi-Storm Period=", [](WhatIfSettings& w, const std::string& v) { w.MultiDuration = number(v); }},
    {"What-If Random Storm Count=", [](WhatIfSettings& w, const std::string& v) { w.RandomMulti = flag(v); }},
    {"What-If Rain Factor=", [](WhatIfSettings& w, const std::string& v) { w.RainAdjustFactor = number(v); }},
    {"What-If Compare DSID=",
     [](WhatIfSettings& w, const std::string& v) {
       w.CompareDSID = vb::Trim(v);
       w.CompareOn = w.CompareDSID.empty() ? int16_t{0} : int16_t{-1};
     }},
    {"What-If Start Date=", [](WhatIfSettings& w, const std::string& v) { w.StartDate = vb::CDate(vb::Trim(v)); }},
    {"What-If Start Run ID=", [](WhatIfSettings& w, const std::string& v) { w.StartRunID = small(v); }},
    {"What-If Start Trace=", [](WhatIfSettings& w, const std::string& v) { w.StartTrace = small(v); }},
    {"What-If Seed=",
     [](WhatIfSettings& w, const std::string& v) {
       const std::string t = vb::Trim(v);
       if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos)
         throw vb::Error(vb::err::TypeMismatch, "a seed is a whole number, 0 or more");
       w.Seed = std::stoull(t);
       w.SeedGiven = true;
     }},
};

std::string upperOf(const char* written) {
  std::string k = written;
  return vb::UCase(vb::Trim(k.substr(0, k.find('='))));
}

}  // namespace

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
