#include "models/model_services.h"

#include "app/session.h"
#include "common/time_zone.h"
#include "compute/staging_file.h"
#include "models/dss_store.h"
#include "models/hms_run.h"
#include "models/model_host.h"
#include "models/ressim_run.h"
#include "models/shell_program.h"
#include "models/swmm_output.h"
#include "platform/vb/strings.h"

namespace fw {

namespace models {

namespace {

ShellArgs argsOf(const ShellCall& c) {
  ShellArgs a;
  a.Command = c.Command;
  a.Parameter = c.Parameter;
  a.BeginDay = c.BeginDay;
  a.EndDay = c.EndDay;
  a.base1 = c.Triples[1].base;
  a.shift1 = c.Triples[1].shift;
  a.formula1 = c.Triples[1].formula;
  return a;
}

// What the runner changed goes back to the line and the session.
void takeBack(Session& s, const ModelHost& host, const ShellArgs& a, ShellCall& c) {
  c.Command = a.Command;
  c.BeginDay = a.BeginDay;
  c.EndDay = a.EndDay;
  c.Error = a.Error;
  s.ShellTimeoutMinutes = host.ShellTimeoutMinutes;
  s.PeakFlowTime = host.PeakFlowTime;
}

template <typename Runner>
void runWithHost(Session& s, ShellCall& c, Runner run) {
  ModelHost host = modelHost(s);
  ShellArgs a = argsOf(c);
  run(host, a);
  takeBack(s, host, a, c);
}

}  // namespace

ModelHost modelHost(Session& s) {
  ModelHost h;
  h.processes = s.processes.get();
  h.programFolder = s.programFolder;
  h.BatchMode = s.BatchMode;
  h.RealtimeMode = s.RealtimeMode;
  h.TextBegindate = s.form.TextBegindate.Text;
  h.TextEnddate = s.form.TextEnddate.Text;
  h.RunDateTime = s.RunDateTime;
  h.now = [&s] { return s.clock.now(); };
  h.sleepMs = [&s](int ms) { s.clock.sleepMs(ms); };
  h.TZHours = TZOffset(s, h.TZDaylight);
  h.ShellTimeoutMinutes = s.ShellTimeoutMinutes;
  h.HmsProgram = s.HecHmsProgram;
  h.ResSimProgram = s.HecResSimProgram;
  h.PeakFlowValue = s.PeakFlow;
  h.PeakFlowTime = s.PeakFlowTime;
  h.log = [&s](const std::string& text) { s.form.Text1.append(text); };
  h.errorLine = [&s](const std::string& text) { s.errlog.writeLine(text); };
  h.setLastError = [&s](const std::string& text) { s.LastError = text; };
  h.caption = [&s](const std::string& text) { s.form.Caption = text; };
  h.messageBox = [&s](const std::string& text) { s.ui.msgBox(text); };
  h.doEvents = [&s] { s.ui.doEvents(); };
  h.stopRequested = [&s] { return s.StopRequested.load(); };
  // The next download opens a session of its own.
  h.closeInternet = [&s] { s.services.internet->close(); };
  return h;
}

void ModelRunners::ShellHms(Session& s, ShellCall& c) {
  runWithHost(s, c, [](ModelHost& h, ShellArgs& a) { models::ShellHms(h, a); });
}

void ModelRunners::ShellResSim(Session& s, ShellCall& c) {
  runWithHost(s, c, [](ModelHost& h, ShellArgs& a) { models::ShellResSim(h, a); });
}

void ModelRunners::ShellSwmm(Session& s, ShellCall& c) {
  SwmmEngine& e = engine(s);
  runWithHost(s, c, [&e](ModelHost& h, ShellArgs& a) { models::ShellSwmm(h, a, e); });
}

void ModelRunners::ShellProgram(Session& s, ShellCall& c) {
  runWithHost(s, c, [this](ModelHost& h, ShellArgs& a) { models::ShellProgram(h, a, ras); });
}

SwmmEngine& ModelRunners::engine(Session& s) {
  if (swmm) return *swmm;
  const std::string name = s.SwmmLibrary.empty() ? std::string(kDefaultSwmmLibrary) : s.SwmmLibrary;
  if (!library_ || library_->name() != name) library_ = std::make_unique<SwmmLibrary>(name);
  return *library_;
}

void SwmmOutputResults::GetSWMM(Session& s, SourceCall& c) {
  std::string file = vb::Trim(c.Triples[1].shift);
  if (!file.empty() && !std::filesystem::path(file).is_absolute()) file = s.inProgramFolder(file).string();
  const std::string rows = getSwmmRows(file, c.Triples[1].formula, c.Error);
  // An unusable request writes no staging file.
  if (!c.Error.empty()) return;
  c.RetrievalText = compute::writeStagingBytes(s, compute::StagingKind::Compute, rows);
  s.ui.doEvents();
  if (c.ValueColumns.empty()) c.ValueColumns.resize(1);
  c.ValueColumns[0] = 2;
}

}  // namespace models

void installModelServices(Session& s) {
  s.services.models = std::make_shared<models::ModelRunners>();
  s.services.swmm = std::make_shared<models::SwmmOutputResults>();
  s.services.dss = std::make_shared<models::HecDssStore>([&s] { return s.HecDssLibrary; },
                                                         [&s](const std::string& text) { notify(s, text); });
}

}  // namespace fw
