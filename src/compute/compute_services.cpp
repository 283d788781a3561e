#include "compute/compute_services.h"

#include "app/session.h"
#include "compute/hdbcompute.h"
#include "compute/rating_lookup.h"
#include "compute/routing_interpreter.h"
#include "compute/text_file_compute.h"
#include "compute/runoff_input.h"

namespace fw {

void ComputeServices::hdbrouting(Session& s, SourceCall& c) {
  // The run starts every routing line without a restart day.
  compute::hdbrouting(s, 0, c);
}

void ComputeServices::getrunoffinput(Session& s, SourceCall& c) {
  // The run reads its rain from the value tables; "No Asks" keeps the missing-ET box away.
  compute::getrunoffinput(s, c, false, s.NoAsks);
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

void installComputeServices(Session& s) {
  s.services.computations = std::make_shared<ComputeServices>();
}

}  // namespace fw
