#pragma once
// The computations the run calls: each is built in its own unit of this folder and overrides
// the stand-in of Computations here.
#include "run/run_services.h"

namespace fw {

class ComputeServices : public Computations {
 public:
  void hdbrouting(Session& s, SourceCall& c) override;
  void getrunoffinput(Session& s, SourceCall& c) override;
  void Snowcalc(Session& s, SourceCall& c) override;
  void Lookup(Session& s, SourceCall& c) override;
  void hdbcompute(Session& s, SourceCall& c) override;
  void computefromtextfile(Session& s, SourceCall& c) override;
  double getMonte(Session& s, int32_t trace, int32_t traces) override;
};

// Puts ComputeServices in the session's run services.
void installComputeServices(Session& s);

}  // namespace fw
