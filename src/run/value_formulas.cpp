#include "run/value_formulas.h"

#include "app/session.h"
#include "common/round_value.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/value_text.h"

namespace fw {

namespace {

// The field of parameter k (1-based) in a value line; 0 = the line has no such column.
int parameterColumn(const RunContext& ctx, const LineState& line, int k) {
  if (ctx.SourceType == 2) return ctx.ValueFieldIndex - 2 + 2 * k;  // values and qualifiers alternate
  const size_t i = static_cast<size_t>(k - 1);
  if (i < line.ValueColumns.size()) return line.ValueColumns[i];
  return k == 1 ? ctx.ValueFieldIndex : 0;
}

// Parameter k's text as the formulas read it.
std::string parameterText(const RunContext& ctx, LineState& line, int k) {
  ValueLoopState& v = line.ValueLoop;
  const int column = parameterColumn(ctx, line, k);
  if (column <= 0 || column >= static_cast<int>(v.Fields.size())) return std::string();
  std::string text = vb::Trim(v.Fields[static_cast<size_t>(column)]);
  const size_t p = static_cast<size_t>(k - 1);
  const bool fill = line.FillFlag && line.ValuesPerHour == 12 && k >= 2;
  if (!vb::IsNumeric(text)) {
    if (text == "N/A" || text == "T" || text == "Calm") text = "0";
  } else if (text == "-99") {
    text = line.FormulaUsesN || line.ValueClass == 10 ? "" : "0";
    if (!line.FormulaUsesN && fill) {
      line.ParameterFillCounts[p] += 1;
      text = line.ParameterFillCounts[p] >= 13 ? "0" : vb::CStr(line.ParameterLastValues[p]);
    }
  } else if (fill) {
    // A present value is taken from the line an hour on, when that one has it.
    const int32_t highest = static_cast<int32_t>(v.ValueLines.size()) - 1;
    if (v.LineIndex < highest - 12)
      v.LookAhead = splitValueLine(v.ValueLines[static_cast<size_t>(v.LineIndex + 12)]);
    if (column < static_cast<int>(v.LookAhead.size())) {
      std::string ahead = vb::Trim(v.LookAhead[static_cast<size_t>(column)]);
      if (ahead != "-99") text = ahead;
    }
    line.ParameterLastValues[p] = vb::Val(text);
    line.ParameterFillCounts[p] = 1;
  }
  if (text == "-999") text.clear();
  if (v.TwoParamPrecip) {
    if (text.empty()) text = "0";
    if (k == 1) v.RawFirstValue = vb::Val(text);
  }
  return text;
}

void addStatement(Session& s, const std::string& name, const std::string& number) {
  s.form.ScriptControl1.AddCode(name + "=" + number);
}

// The formula failed: its description goes to the log, and the value is missing rather than a
// raw parameter stored as the series' value.
void formulaError(Session& s, LineState& line, const vb::Error& e) {
  s.LastError = e.description();
  s.errlog.writeLine(e.description());
  logPaneLine(s, e.description());
  s.form.ScriptControl1.Error.Clear();
  line.ValueLoop.Missing = true;
}

}  // namespace

void valueFormulas(Session& s, RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  ScriptControl& sc = s.form.ScriptControl1;
  v.GivenCount = 0;
  v.Missing = true;
  if (!line.FormulaUsesD) sc.Reset();

  const int count = line.ParameterCount + 1;
  double value = v.CurrentValue;
  for (int k = 1; k <= count; ++k) {
    std::string text = parameterText(ctx, line, k);
    if (text.empty()) continue;
    v.Missing = false;
    v.GivenCount = vb::addInteger(v.GivenCount, 1);
    value = vb::Val(text);
    if (line.ValueClass == 25 && value < 0) value = 0;
    const int16_t number = line.ParameterNumbers[static_cast<size_t>(k)];
    if (number == 1) v.P1Value = value;
    if (!v.TwoParamPrecip || k == 2) addStatement(s, "P" + vb::CStr(int32_t{number}), vb::CStr(value));
  }
  if (line.ParameterCount == -1 && !v.ValueText.empty()) {
    v.Missing = false;
    v.GivenCount = 1;
    value = vb::Val(v.ValueText);
    v.P1Value = value;
    addStatement(s, "P1", vb::CStr(value));
  }
  if (!line.FormulaUsesN) {
    if (v.GivenCount < count) v.Missing = true;
  } else if (v.GivenCount > 0) {
    addStatement(s, "N", vb::CStr(int32_t{v.GivenCount}));
  } else {
    v.Missing = true;
  }
  v.CurrentValue = value;
  if (v.Missing) return;

  if (line.FormulaUsesD) addStatement(s, "D", vb::CStr(v.ValueDate));
  v.ChosenTriple = 0;
  for (int n = line.FormulaCount; n >= 1; --n) {
    const std::string& base = line.Triples[static_cast<size_t>(n)].base;
    const bool applies = vb::InStr(base, "P") == 0 && vb::InStr(base, "D") == 0
                             ? vb::Val(base) <= v.P1Value
                             : sc.Eval(base).toDouble() != 0;
    if (applies) {
      v.ChosenTriple = static_cast<int16_t>(n);
      break;
    }
  }
  const Triple* chosen = v.ChosenTriple > 0 ? &line.Triples[static_cast<size_t>(v.ChosenTriple)] : nullptr;
  if (chosen && vb::InStr(vb::UCase(chosen->formula), "SH") > 0) {
    v.Shift = vb::CDbl(vb::FormatNumber(sc.Eval(chosen->shift).toDouble(), "#0.####"));
    addStatement(s, "SHIFT", vb::Str(v.Shift));
  }
  if (s.UnitValues && v.UnitIndex >= 0 && static_cast<size_t>(v.UnitIndex) < s.ShiftSeries.size()) {
    SeriesPoint& p = s.ShiftSeries[static_cast<size_t>(v.UnitIndex)];
    p.date = v.ValueDate;
    p.value = v.Shift;
    p.source = v.ChosenTriple;
  }

  if (chosen) {
    try {
      value = v.TwoParamPrecip ? v.RawFirstValue : sc.Eval(chosen->formula).toDouble();
    } catch (const vb::Error& e) {
      formulaError(s, line, e);
      return;
    }
    if (line.ValueClass == 10 && value < 0 && line.DatatypeCode != 27) value = 0;
    RoundValue(value, line.ValueCode, s.MetricUnits, s.CanadaSite);
  } else {
    value = 0;
    if (line.ValueClass == 2) v.Missing = true;
  }
  v.CurrentValue = value;
}

void precipitationKinds(Session& s, RunContext& ctx, LineState& line) {
  (void)ctx;
  ValueLoopState& v = line.ValueLoop;
  const int16_t kind = line.PrecipKind;
  if (!v.Missing && kind != 0) {
    double value = v.CurrentValue;
    if (kind == -1) {
      int32_t step = v.StepMinutes;
      if (s.UnitValues && line.DatatypeCode == 27 && step > 70) step = 60;
      v.HourMinutes += step;
      value = value * step / 60;
    } else if (kind >= 2) {
      if (v.PreviousTotal == -9.0) v.PreviousTotal = value;
      double increment = value - v.PreviousTotal;
      if (kind == 3 && increment > 5.0 && v.StepMinutes < 31) increment = 0;
      if (increment >= 0) {
        v.PreviousTotal = value;
        if (kind == 3 && v.Minute == 0) v.PreviousTotal = 0;  // the airport total starts each hour
      } else {
        increment = 0;
        if (kind != 2) {
          if (value == 0) v.PreviousTotal = 0;
          if (kind == 3 && v.Minute == 0) v.PreviousTotal = 0;
        } else {
          const double hour = vb::Round(vb::Hour(v.ValueDate) - line.HourShift);
          if (hour < 2 || hour == 24) {
            // Early in the day the total was reset: the new total is the day's first amount.
            increment = value < 0.5 ? 0 : value;
            v.PreviousTotal = value;
          }
        }
      }
      value = increment;
    }
    if (v.TwoParamPrecip && value > 0 && v.ChosenTriple > 0) {
      s.form.ScriptControl1.AddCode("P1=" + vb::CStr(value));
      value = s.form.ScriptControl1.Eval(line.Triples[static_cast<size_t>(v.ChosenTriple)].formula).toDouble();
    }
    v.CurrentValue = vb::CDbl(vb::FormatNumber(value, "#0.#####"));
  }
  if (!v.Missing) {
    if (s.ModelRunWrite.saveHour && v.CurrentValue > v.LargestValue) {
      v.LargestValue = v.CurrentValue;
      v.LargestTime = v.ValueDate;
    }
  } else {
    v.CurrentValue = MissingValue;
    v.MissingCount += 1;
  }
}

}  // namespace fw
