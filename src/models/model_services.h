#pragma once
// The outside models as the run calls them: the runners of the shell lines, the HEC-DSS store
// of the COMPUTE imports and exports and the SWMM results reader of the GET-SWMM lines. Each
// takes what its runner needs from the session and gives back what it changed.
#include <memory>

#include "models/ras_run.h"
#include "models/swmm_run.h"
#include "run/run_services.h"

namespace fw {

struct Session;

namespace models {

class ModelRunners : public OutsideModels {
 public:
  void ShellHms(Session& s, ShellCall& c) override;
  void ShellResSim(Session& s, ShellCall& c) override;
  void ShellSwmm(Session& s, ShellCall& c) override;
  void ShellProgram(Session& s, ShellCall& c) override;

  RasSystem ras;  // no HEC-RAS controller and no window capture on this system
  // The SWMM engine; unset, the library "SWMM Library=" names.
  std::shared_ptr<SwmmEngine> swmm;

 private:
  SwmmEngine& engine(Session& s);
  std::unique_ptr<SwmmLibrary> library_;
};

// GET-SWMM: one series out of a SWMM results file, as the rows of "computeIn.txt".
class SwmmOutputResults : public SwmmResults {
 public:
  void GetSWMM(Session& s, SourceCall& c) override;
};

// The ModelHost of a station line of the session's run.
ModelHost modelHost(Session& s);

}  // namespace models

// Puts the runners, the HEC-DSS store and the SWMM reader in place of the stand-ins.
void installModelServices(Session& s);

}  // namespace fw
