#include "run/run_services.h"

#include "platform/vb/error.h"
#include "app/session.h"
#include "radar/image.h"
#include "radar/radar_batch.h"

namespace fw {

namespace {

// The text a station line gets when the program has no handler for its kind yet.
std::string notAvailable(const char* routine, const char* what) {
  return std::string(routine) + ": " + what + " is not available in this version.";
}

}  // namespace

#define FW_NOT_AVAILABLE(Class, routine, what)   \
  void Class::routine(Session&, SourceCall& c) { \
    c.Error = notAvailable(#routine, what);      \
  }

FW_NOT_AVAILABLE(Retrievers, GetCanada, "Canadian station retrieval")
FW_NOT_AVAILABLE(Retrievers, GetWxStation, "weather station retrieval")
FW_NOT_AVAILABLE(Retrievers, GetWxDaily, "daily weather station retrieval")
FW_NOT_AVAILABLE(Retrievers, GetUSGS, "stream gauge retrieval")
FW_NOT_AVAILABLE(Retrievers, GetCDEC, "CDEC retrieval")
FW_NOT_AVAILABLE(Retrievers, GetSNOTEL, "snow telemetry retrieval")
FW_NOT_AVAILABLE(Retrievers, GetHydromet, "Hydromet retrieval")
FW_NOT_AVAILABLE(Retrievers, GetCOE, "Corps of Engineers retrieval")
FW_NOT_AVAILABLE(Retrievers, GetCIMIS, "CIMIS retrieval")
FW_NOT_AVAILABLE(Retrievers, GetAFWS, "AFWS retrieval")
FW_NOT_AVAILABLE(Retrievers, GetKiWIS, "KiWIS retrieval")
FW_NOT_AVAILABLE(Retrievers, Spotwx, "weather model forecast retrieval")
FW_NOT_AVAILABLE(Retrievers, GetMadis, "MADIS collection")
FW_NOT_AVAILABLE(Retrievers, GetNWSForecast, "point forecast retrieval")
FW_NOT_AVAILABLE(Retrievers, GetNWPSForecast, "river forecast retrieval")
FW_NOT_AVAILABLE(Retrievers, Snowcast, "snow model forecast retrieval")

FW_NOT_AVAILABLE(Computations, hdbrouting, "routing")
FW_NOT_AVAILABLE(Computations, hdbcompute, "COMPUTE")
FW_NOT_AVAILABLE(Computations, computefromtextfile, "computing from a text file")
FW_NOT_AVAILABLE(Computations, Lookup, "rating lookup")
FW_NOT_AVAILABLE(Computations, getrunoffinput, "runoff input")
FW_NOT_AVAILABLE(Computations, Snowcalc, "the snowmelt model")

#undef FW_NOT_AVAILABLE

double Computations::getMonte(Session&, int32_t, int32_t) {
  throw vb::Error(vb::err::InvalidProcedureCall, notAvailable("getMonte", "Monte Carlo sampling"));
}

void RadarRain::radarrainupdate(Session& s, RadarCall& c) {
  fw::radarrainupdate(s, c);
}

bool RadarRain::restartImages(Session& s) {
  const ImageError started = startImageLayer();
  // The caller says that the run ends; the log keeps what is missing on this machine.
  if (!started.ok()) s.errlog.writeLine(started.text);
  return started.ok();
}

void OutsideModels::ShellHms(Session&, ShellCall& c) {
  c.Error = notAvailable("ShellHms", "HEC-HMS");
}
void OutsideModels::ShellResSim(Session&, ShellCall& c) {
  c.Error = notAvailable("ShellResSim", "HEC-ResSim");
}
void OutsideModels::ShellSwmm(Session&, ShellCall& c) {
  c.Error = notAvailable("ShellSwmm", "SWMM");
}
void OutsideModels::ShellProgram(Session&, ShellCall& c) {
  c.Error = notAvailable("ShellProgram", "starting outside programs");
}

bool DssStore::ZOPEN_(Session&, const std::string&) {
  throw vb::Error(vb::err::InvalidProcedureCall, notAvailable("ZOPEN_", "HEC-DSS files"));
}
void DssStore::ZRRTS_(Session&, DssReadCall&) {
  throw vb::Error(vb::err::InvalidProcedureCall, notAvailable("ZRRTS_", "HEC-DSS files"));
}
void DssStore::ZCLOSE_(Session&) {}
void DssStore::WriteDssSeries(Session&, DssWriteCall& c) {
  c.error = notAvailable("WriteDssSeries", "HEC-DSS files");
}
std::string DssStore::ZrrtsStatusText(int32_t status) {
  return "HEC-DSS read status " + std::to_string(status);
}

void SwmmResults::GetSWMM(Session&, SourceCall& c) {
  c.Error = notAvailable("GetSWMM", "SWMM results");
}

RunServices::RunServices()
    : retrievers(std::make_shared<Retrievers>()),
      computations(std::make_shared<Computations>()),
      radar(std::make_shared<RadarRain>()),
      models(std::make_shared<OutsideModels>()),
      dss(std::make_shared<DssStore>()),
      swmm(std::make_shared<SwmmResults>()),
      radarWindow(std::make_shared<RadarWindow>()),
      tray(std::make_shared<TrayIcon>()),
      internet(std::make_shared<InternetSession>()),
      mail(std::make_shared<mail::SmtpClient>()) {}

}  // namespace fw
