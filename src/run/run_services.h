#pragma once
// What the run asks of the other subsystems: the retrievers, the computations, the radar batch,
// the outside models, the radar window, the tray icon and the internet session. (The graph
// window is data in the session: GraphState.)
// Each is an interface whose base class is the stand-in used until the program installs the real
// one: a retriever or computation that is not there yet leaves a clear error text (so its station
// line fails and the run goes on), a window that does not exist is never shown.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mail/smtp_mail.h"
#include "platform/net/net.h"
#include "platform/vb/date.h"
#include "radar/radar_pass.h"

namespace fw {

struct Session;

// One base/shift/formula triple of a station line.
struct Triple {
  std::string base, shift, formula;
};
// The line's triples, 1 to 5 (index 0 is unused, so that Triples[1].base is base1).
using TripleTable = std::array<Triple, 6>;

// The call shape shared by every retriever and computation the dispatch calls: what the line asks
// for, and what comes back. A retriever fills RetrievalText with lines whose first TAB field is
// "Z" and reports where the date and the value are; Error stays empty on success.
struct SourceCall {
  // ---- in ----
  int16_t SourceType = 0;
  std::string StationId;  // upper-cased, without its model-run destination
  std::string ParameterCode;
  std::vector<std::string> ParameterCodes;
  int16_t ParameterCount = -1;  // upper index of ParameterCodes
  int16_t DatatypeCode = 0;
  std::string LineText;  // the per-line text some retrievers are handed
  int32_t DayCount = 0;  // days in the window
  int32_t FirstDay = 0;  // whole day numbers of the window
  int32_t LastDay = 0;
  std::array<vb::VbDate, 3> DateValues{};  // the three dates some daily retrievers take
  TripleTable Triples;
  std::string Dsid;
  std::string DatatypeName;
  std::string SiteName;
  std::string SiteText;          // column 7 of the site's row
  std::string DateLayout;        // FILE lines: the date layout of the text file (a long base1)
  std::string UnitText;          // COMPUTE lines: the station's unit text from the site table
  std::string RetrievalCacheId;  // the station whose download RetrievalText holds (in and out)
  std::string SiteState;         // the site's state or province, upper-cased
  bool UnitValues = false;
  bool MrunLine = false;
  int16_t RunId = 0;
  int16_t TraceNo = 0;
  std::string DsidList;       // the whole DSID field when it is a comma list (a label, never SQL)
  std::string ShiftAside;     // shift1 as the line wrote it, set aside before the call
  double GapLimitDays = 0;    // the bad-value fraction: the longest hole a computation bridges, days
  // ---- in and out ----
  std::string RetrievalText;          // a retriever may find the previous download of the same station here
  std::string RetrievalKey;           // what the kept RetrievalText was built for (its file and column)
  double HourShift = 0;               // hours added to every parsed date
  std::vector<int16_t> ValueColumns;  // entry k-1: field index of parameter k; 0 = none
  bool FormulaUsesN = false;
  bool SnotelStop = false;  // once set, no further snow-telemetry calls this run
  std::string HeldText;     // the forecast model key kept between forecast lines
  bool FillFlag = false;    // COMPUTE: a "-99" of parameters 2 and up is filled from its last value
                            // (set when the second input is sparse)
  // ---- out ----
  std::string Error;  // empty on success
  int16_t DateFieldIndex = 1;
  int16_t ValueFieldIndex = 0;
  // Daily weather: fields of the day's maximum, mean and minimum (0 = none).
  std::array<int16_t, 3> DailyColumns{};
  bool WindDegrees = false;
  bool WindDirSeries = false;
  std::string RainDsid;  // runoff input: the rain series it read
  bool DailyFlag = false;  // COMPUTE import: the imported series is daily
};

// Web data retrieval: one retriever per service.
class Retrievers {
 public:
  virtual ~Retrievers() = default;
  // The address the call's first download will have, known before the call, so that the run can
  // fetch it ahead while earlier lines are worked on; empty when the service cannot say it (the
  // call then fetches as always). SourceType, StationId, ParameterCode and DayCount are set.
  virtual std::string requestAddress(const Session& s, const SourceCall& c) {
    (void)s;
    (void)c;
    return {};
  }
  // Starts the download of requestAddress in the background; the stand-in has none.
  virtual void fetchAhead(Session& s, const SourceCall& c) {
    (void)s;
    (void)c;
  }
  virtual void GetCanada(Session& s, SourceCall& c);
  virtual void GetWxStation(Session& s, SourceCall& c);
  virtual void GetWxDaily(Session& s, SourceCall& c);
  virtual void GetUSGS(Session& s, SourceCall& c);
  virtual void GetCDEC(Session& s, SourceCall& c);
  virtual void GetSNOTEL(Session& s, SourceCall& c);
  virtual void GetHydromet(Session& s, SourceCall& c);
  virtual void GetCOE(Session& s, SourceCall& c);
  virtual void GetCIMIS(Session& s, SourceCall& c);
  virtual void GetAFWS(Session& s, SourceCall& c);
  virtual void GetKiWIS(Session& s, SourceCall& c);
  virtual void Spotwx(Session& s, SourceCall& c);
  virtual void GetMadis(Session& s, SourceCall& c);
  virtual void GetNWSForecast(Session& s, SourceCall& c);
  virtual void GetNWPSForecast(Session& s, SourceCall& c);
  virtual void Snowcast(Session& s, SourceCall& c);
};

// Hydrologic computations that hand their result back as RetrievalText.
class Computations {
 public:
  virtual ~Computations() = default;
  virtual void hdbrouting(Session& s, SourceCall& c);
  // Error "OK": it stored the series itself; "Canceled": the user stopped the run.
  virtual void hdbcompute(Session& s, SourceCall& c);
  virtual void computefromtextfile(Session& s, SourceCall& c);
  virtual void Lookup(Session& s, SourceCall& c);
  virtual void getrunoffinput(Session& s, SourceCall& c);
  virtual void Snowcalc(Session& s, SourceCall& c);
  // The next Monte Carlo sample of the what-if parameter for the trace.
  virtual double getMonte(Session& s, int32_t trace, int32_t traces);
};

// The radar batch over the radar station lines gathered by the run.
struct RadarCall {
  std::string SiteName, StationId, Product, Dsid, UnitText;
  double ConnectionStatus = 0;  // -8 when no connection was found
  float BatchValue = 5.0f;
  int32_t NewSite = 0;
  TripleTable Triples;
  int16_t ValueClass = 0;
  double HourShift = 0;
  int32_t HrrrHours = 0;
  // The radar lines of the pass, one per basin: the calling line first, then the lines gathered
  // after it.
  std::vector<RadarLineRow> Rows;
  // A history run's piece of the window (local); both 0 in real-time mode.
  vb::VbDate WindowBegin = 0;
  vb::VbDate WindowEnd = 0;
  int32_t ImagesRead = 0;  // out: images read in this call
  std::string Error;
};
class RadarRain {
 public:
  virtual ~RadarRain() = default;
  virtual void radarrainupdate(Session& s, RadarCall& c);
  // Forgets the image listing fetched last, so that the next radar line fetches a new one.
  virtual void clearImageList(Session&) {}
  // Starts the image layer afresh before a radar line; false when it cannot be started.
  virtual bool restartImages(Session& s);
};

// Outside models started from SHELL lines; they wait for the model to end.
struct ShellCall {
  std::string Command;  // the station id: the command line (in and out)
  std::string Parameter;
  int32_t BeginDay = 0;  // whole day numbers of the window (in and out)
  int32_t EndDay = 0;
  TripleTable Triples;
  std::string Error;  // empty on success
};
class OutsideModels {
 public:
  virtual ~OutsideModels() = default;
  virtual void ShellHms(Session& s, ShellCall& c);
  virtual void ShellResSim(Session& s, ShellCall& c);
  virtual void ShellSwmm(Session& s, ShellCall& c);
  virtual void ShellProgram(Session& s, ShellCall& c);
};

// HEC-DSS files: the calls a COMPUTE import and export make. The stand-in refuses every call
// (raising the not-available text) before it touches any file.
struct DssReadCall {
  std::string pathname;   // six parts, the date block empty
  std::string startDate;  // "dd MMM yyyy"
  std::string startTime;  // "0000" or "2400"
  int32_t count = 0;      // in: values asked for; out: values returned
  std::vector<float> values;
  int32_t status = 0;
};
struct DssWriteCall {
  std::string target;  // the .dss file
  vb::VbDate start = 0;
  std::string key, table;
  std::vector<float> values;
  int32_t count = 0;
  int32_t stepMinutes = 0;
  bool newFile = false;  // replace the file and its catalogue, once the series is stored
  std::string error;     // a status text; empty on success
};
class DssStore {
 public:
  virtual ~DssStore() = default;
  // False when the file cannot be opened (it counts as open when the file table's first word is
  // not 0).
  virtual bool ZOPEN_(Session& s, const std::string& file);
  virtual void ZRRTS_(Session& s, DssReadCall& c);
  virtual void ZCLOSE_(Session& s);
  virtual void WriteDssSeries(Session& s, DssWriteCall& c);
  virtual std::string ZrrtsStatusText(int32_t status);
};

// Series out of SWMM results files (GET-SWMM COMPUTE lines).
class SwmmResults {
 public:
  virtual ~SwmmResults() = default;
  virtual void GetSWMM(Session& s, SourceCall& c);
};

// The radar image window (Form3).
class RadarWindow {
 public:
  virtual ~RadarWindow() = default;
  virtual bool isVisible() const { return false; }
  virtual void hide() {}
  // Shows the last radar image the run made; false when there is no radar window to show it in.
  virtual bool showLastImage() { return false; }
};

// The tray icon. Without a desktop there is no icon: add() refuses and the run goes on.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Shows the icon with the tip; true when it is shown.
  virtual bool add(const std::string& tip) {
    (void)tip;
    return false;
  }
  virtual void modify(const std::string& tip) { (void)tip; }
  // Takes the icon away (the program ends).
  virtual void remove() {}
};

// The one internet session all downloads share: opened at run start, closed at its end.
class InternetSession {
 public:
  virtual ~InternetSession() = default;
  // Opens the session with the agent text; false when no session can be had.
  virtual bool open(const std::string& agent) {
    agent_ = agent;
    open_ = true;
    return true;
  }
  virtual void setReceiveTimeout(int32_t milliseconds) { timeoutMs_ = milliseconds; }
  // The bounds of every transfer opened from now on.
  virtual void setTransferLimits(const net::TransferLimits& limits) { limits_ = limits; }
  const net::TransferLimits& transferLimits() const { return limits_; }
  virtual void close() { open_ = false; }
  // Opens a URL on the open session (flags as net::kOpen...); nullptr when it cannot be opened.
  // The stand-in reaches nothing.
  virtual std::unique_ptr<net::UrlHandle> openUrl(const std::string& url, uint32_t flags) {
    (void)url;
    (void)flags;
    return nullptr;
  }
  // The same with header lines sent with this URL alone; the stand-in sends none.
  virtual std::unique_ptr<net::UrlHandle> openUrlWith(const std::string& url, uint32_t flags,
                                                      const net::RequestHeaders& headers) {
    (void)headers;
    return openUrl(url, flags);
  }
  // Downloads side by side (net::Session::setParallel, fetchAhead, dropFetchedAhead); the stand-in
  // fetches nothing ahead.
  virtual void setParallel(int downloads) { (void)downloads; }
  virtual void fetchAhead(const std::string& url, uint32_t flags) {
    (void)url;
    (void)flags;
  }
  virtual void dropFetchedAhead() {}
  // Why the last openUrl failed.
  virtual std::string lastOpenError() const { return "no internet session in this program"; }
  bool isOpen() const { return open_; }
  const std::string& agent() const { return agent_; }
  int32_t receiveTimeoutMs() const { return timeoutMs_; }

 protected:
  bool open_ = false;
  std::string agent_;
  int32_t timeoutMs_ = 0;
  net::TransferLimits limits_;
};

// The set the run calls through. Every member is always set; the program (or a test) replaces the
// stand-ins by assigning its own.
struct RunServices {
  RunServices();
  std::shared_ptr<Retrievers> retrievers;
  std::shared_ptr<Computations> computations;
  std::shared_ptr<RadarRain> radar;
  std::shared_ptr<OutsideModels> models;
  std::shared_ptr<DssStore> dss;
  std::shared_ptr<SwmmResults> swmm;
  std::shared_ptr<RadarWindow> radarWindow;
  std::shared_ptr<TrayIcon> tray;
  std::shared_ptr<InternetSession> internet;
  // Alert e-mail: the SMTP client itself (there is no stand-in; tests point it at a local server).
  std::shared_ptr<mail::SmtpClient> mail;
};

}  // namespace fw
