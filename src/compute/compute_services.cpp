#include "compute/compute_services.h"

#include "app/session.h"
#include "compute/eto_series.h"
#include "compute/hdbcompute.h"
#include "compute/monte_carlo.h"
#include "compute/rating_lookup.h"
#include "compute/routing_interpreter.h"
#include "compute/text_file_compute.h"
#include "compute/runoff_input.h"
#include "compute/snowcalc.h"
#include "compute/stochastic_rain.h"

namespace fw {

void ComputeServices::hdbrouting(Session& s, SourceCall& c) {
  // The run starts every routing line without a restart day.
  compute::hdbrouting(s, 0, c);
}

void ComputeServices::getrunoffinput(Session& s, SourceCall& c) {
  // The run reads its rain from the value tables; "No Asks" keeps the missing-ET box away.
  compute::getrunoffinput(s, c, false, s.NoAsks);
}

void ComputeServices::Snowcalc(Session& s, SourceCall& c) {
  compute::SnowcalcCall call;
  call.parameters = c.Triples[1].shift;
  call.dsidField = c.DsidList.empty() ? c.Dsid : c.DsidList;
  call.stationId = c.StationId;
  call.inputList = c.ParameterCode;
  call.beginDay = c.FirstDay;
  call.endDay = c.LastDay;
  call.gapLimitDays = c.GapLimitDays;
  call.modelRunRead = c.MrunLine;
  call.runId = c.RunId;
  call.trace = c.TraceNo;
  compute::Snowcalc(s, call);
  c.FirstDay = call.beginDay;
  c.LastDay = call.endDay;
  c.RetrievalText = std::move(call.result);
  c.Error = std::move(call.error);
}

void ComputeServices::Lookup(Session& s, SourceCall& c) {
  compute::Lookup(s, c);
}

void ComputeServices::hdbcompute(Session& s, SourceCall& c) {
  compute::hdbcompute(s, c);
}

void ComputeServices::computefromtextfile(Session& s, SourceCall& c) {
  compute::computefromtextfile(s, c);
}

namespace {

// The table of a COMPUTE line whose input list ends with an option word goes on to the hourly
// reference ET (or solar or long-wave radiation) of its rows.
void etoFromComputeTable(Session& s, SourceCall& c, const compute::ComputeInputs& in) {
  compute::EtoSeriesCall call;
  call.cloud = in.cloud;
  call.parameterCode = c.ParameterCode;
  call.inputCount = static_cast<int16_t>(in.inputs.size()) - 1;
  call.datatype = c.DatatypeCode;
  call.stationParameters = c.LineText;
  call.hourShift = c.HourShift;
  call.table = c.RetrievalText;
  call.dsid = c.Dsid;
  call.modelRun = c.MrunLine;
  call.runId = c.RunId;
  call.trace = c.TraceNo;
  compute::EToCompute(s, call);
  c.RetrievalText = std::move(call.table);
  c.ValueColumns = call.columns;
}

}  // namespace

double ComputeServices::getMonte(Session& s, int32_t trace, int32_t traces) {
  return compute::getMonte(s.WhatIf, s.WhatIfRng, trace, traces, s.WhatIf.PlottingPosition);
}

void installComputeServices(Session& s) {
  compute::setEToComputeHook(etoFromComputeTable);
  s.StochasticRain = compute::StochasticRain;
  s.services.computations = std::make_shared<ComputeServices>();
}

}  // namespace fw
