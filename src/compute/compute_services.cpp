#include "compute/compute_services.h"

#include "app/session.h"
#include "compute/routing_interpreter.h"
#include "compute/runoff_input.h"
#include "compute/snowcalc.h"

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

void installComputeServices(Session& s) {
  s.services.computations = std::make_shared<ComputeServices>();
}

}  // namespace fw
