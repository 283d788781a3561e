#include "compute/compute_services.h"

#include "app/session.h"
#include "compute/routing_interpreter.h"

namespace fw {

void ComputeServices::hdbrouting(Session& s, SourceCall& c) {
  // The run starts every routing line without a restart day.
  compute::hdbrouting(s, 0, c);
}

void installComputeServices(Session& s) {
  s.services.computations = std::make_shared<ComputeServices>();
}

}  // namespace fw
