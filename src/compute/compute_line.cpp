#include "compute/compute_line.h"

#include "platform/vb/convert.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw::compute {

namespace {

bool holds(const std::string& text, const char* what) {
  return vb::InStr(text, what) > 0;
}

// The numbers of a shift text separated by ","; missing ones are absent.
std::vector<double> shiftNumbers(const std::string& shift) {
  std::vector<double> out;
  for (const std::string& part : vb::Split(shift, ",")) out.push_back(vb::Val(part));
  return out;
}

}  // namespace

ComputeStation parseComputeStation(const std::string& code) {
  ComputeStation st;
  st.exportFlag = holds(code, "PUT-") || holds(code, "-PUT");
  if (holds(code, "GET-SWMM"))
    st.job = ComputeJob::Swmm;
  else if (holds(code, "GET-") || holds(code, "-GET"))
    st.job = ComputeJob::Import;
  else if (st.exportFlag)
    st.job = ComputeJob::Export;
  const int from = holds(code, "PUT-") ? 10 : 1;
  const int dash = from <= vb::Len(code) ? vb::InStr(from, code, "-") : 0;
  if (dash > 0) {
    const std::string suffix = vb::Mid(code, dash + 1);
    if (holds(suffix, "UNIT")) {
      st.table = "RUNIT";
      const double step = vb::Val(suffix);
      if (step > 1) st.stepMinutes = static_cast<int32_t>(step);
    }
    if (holds(suffix, "HOUR")) st.table = "RHOUR";
    if (holds(suffix, "DAY")) st.table = "RDAY";
    st.accumulate = st.table != "RUNIT" && vb::Val(suffix) != 0;
  }
  st.modelTable = "m" + vb::Mid(st.table, 2);
  return st;
}

ComputeInput parseComputeInput(const std::string& element) {
  ComputeInput in;
  in.text = vb::Trim(element);
  const int lag = vb::InStr(vb::UCase(in.text), "LAG");
  if (lag > 0) {
    in.dsid = vb::Trim(vb::Left(in.text, lag - 1));
    in.lagMinutes = vb::Int(vb::Val(vb::Mid(in.text, lag + 3)));
  } else {
    in.dsid = in.text;
  }
  return in;
}

ComputeInputs parseComputeInputs(const std::string& parameterCode) {
  ComputeInputs out;
  std::vector<std::string> parts = vb::Split(parameterCode, ",");
  if (!parts.empty() && vb::Val(parts.back()) == 0 && !vb::Trim(parts.back()).empty()) {
    out.optionWord = true;
    out.option = vb::Trim(parts.back());
    parts.pop_back();
  }
  for (const std::string& p : parts) {
    if (vb::Trim(p).empty()) continue;
    out.inputs.push_back(parseComputeInput(p));
  }
  if (!out.inputs.empty()) {
    const std::string& last = out.inputs.back().dsid;
    const double type = vb::Fix(vb::Val(last) / 1000);
    out.cloud = type == 26 || type == -26;
  }
  return out;
}

ComputeSettings parseComputeSettings(int16_t valueCode, const Triple& t1) {
  ComputeSettings st;
  const std::string formula = vb::UCase(t1.formula);
  st.fill = holds(formula, "FILL");
  st.onOff = holds(t1.formula, "N");
  if (holds(formula, "LOOKBACK")) {
    const int eq = vb::InStr(formula, "=");
    st.lookbackDays = eq > 0 ? static_cast<int32_t>(vb::Int(vb::Val(vb::Mid(formula, eq + 1)))) : 0;
  }
  const std::vector<double> n = shiftNumbers(t1.shift);
  auto at = [&](size_t i, double fallback) { return i < n.size() ? n[i] : fallback; };
  if (valueCode == 101 && vb::Len(t1.shift) > 1) {
    st.ratio = true;
    st.gaugeMinimum = vb::Val(t1.shift);
    st.defaultRatio = at(1, 1.0);
    if (st.defaultRatio < 0.01) st.defaultRatio = 1.0;
    st.ratioLimit = at(2, 3.0);
    st.maxBelowOne = st.ratioLimit < 1.0;
    if (st.ratioLimit < 0.01) st.ratioLimit = 100;
  } else if ((valueCode == 10 || valueCode == 11) && !t1.shift.empty() && vb::Int(vb::Val(t1.shift)) == -1) {
    st.rainAdjust = true;
    st.defaultRatio = at(1, 0);
    if (st.defaultRatio < 0.01) st.defaultRatio = 1.0;
    st.ratioLimit = at(2, 0);
    if (st.ratioLimit < 0.001) st.ratioLimit = 1.0;
    st.rainCap = at(3, 0);
    if (st.rainCap < 0.01) st.rainCap = 0.5;
  }
  return st;
}

}  // namespace fw::compute
