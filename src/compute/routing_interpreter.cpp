#include "compute/routing_interpreter.h"

#include <cmath>
#include <fstream>

#include "app/session.h"
#include "common/log_files.h"
#include "compute/channel_routing.h"
#include "compute/db_lookup.h"
#include "compute/diversion.h"
#include "compute/if_check.h"
#include "compute/modified_puls.h"
#include "compute/release_schedule.h"
#include "compute/routing_state.h"
#include "compute/staging_file.h"
#include "compute/work_arrays.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run/run_services.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

// The interpreter's own failures; their texts are what the user reads.
[[noreturn]] void fail(const std::string& text) {
  throw vb::Error(vb::err::InvalidProcedureCall, text);
}

enum class Pairing { Combined = 0, Loaded = 1, Saved = 2 };

constexpr double kMinutesPerDay = 1440;
constexpr double kDefaultStepMinutes = 5;

// The routing file as lines. Any line end counts, and the piece after the last line end stays
// (a file must reach END before it runs out).
std::vector<std::string> routingLines(const std::string& text) {
  std::string t;
  t.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      t += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      t += text[i];
    }
  }
  std::vector<std::string> lines = vb::Split(t, "\n");
  if (lines.empty()) lines.emplace_back();
  return lines;
}

std::string dumpValue(Session& s, double v) {
  return stagingValue(s, v);
}

class RoutingRun {
 public:
  RoutingRun(Session& s, int32_t restartDay, SourceCall& c) : s_(s), c_(c), restartDay_(restartDay) {}

  void run();
  // For the error text: the routing-file line in work and the last rating or table named.
  const std::string& currentLine() const { return currentLine_; }
  const std::string& lastRatingPath() const { return lastRatingPath_; }

 private:
  void setUp();
  void stepAndTable();
  void command(size_t& i, const std::vector<std::string>& f, const std::string& line);
  void get(const std::vector<std::string>& f);
  void route(const std::vector<std::string>& f);
  void release(const std::vector<std::string>& f);
  void ifLine(size_t& i, const std::vector<std::string>& f, const std::string& line);
  void combine();
  void subtract(const std::vector<std::string>& f);
  void add(const std::vector<std::string>& f);
  void diversion(const std::vector<std::string>& f);
  void write();
  void afterRoute();
  void endOfLine(const std::string& line);
  void copyToSaved();
  void writeResult();
  std::string checkedDsid(const std::string& text, const char* what) const;
  std::filesystem::path ratingPath(const std::string& name) {
    lastRatingPath_ = s_.inProgramFolder(name).string();
    return s_.inProgramFolder(name);
  }
  std::vector<SeriesPoint>& cur() { return s_.UnitSeries; }

  Session& s_;
  SourceCall& c_;
  int32_t restartDay_;
  std::string fileName_;
  std::string lastRatingPath_;
  std::string currentLine_;
  vb::VbDate outputStart_ = 0;
  int32_t begin_ = 0, end_ = 0;
  size_t workSize_ = 0;
  std::string table_ = "RUNIT";
  double stepDays_ = kDefaultStepMinutes / kMinutesPerDay;
  double stepHours() const { return stepDays_ * 24; }

  std::vector<SeriesPoint> saved_;  // SavedSeries
  RoutingConditions conditions_;
  ReleaseSetting release_;
  Pairing state_ = Pairing::Combined;
  int32_t step_ = 0;
  int32_t N_ = 0;
  int32_t lastCount_ = 0;
  int16_t muskingumReaches_ = 0;
  int16_t subtractOrder_ = 0;
  bool copyAtEnd_ = false;
  std::ofstream dump_;
  bool dumpOpen_ = false;
};

void RoutingRun::stepAndTable() {
  const int dash = vb::InStr(c_.StationId, "-");
  if (dash == 0) return;
  const std::string rest = vb::UCase(vb::Mid(c_.StationId, dash + 1));
  const double lead = vb::Val(rest);
  if (vb::InStr(rest, "UNIT") > 0) {
    table_ = "RUNIT";
    stepDays_ = (lead >= 1 ? lead : kDefaultStepMinutes) / kMinutesPerDay;
  }
  if (vb::InStr(rest, "HOUR") > 0) {
    table_ = "RHOUR";
    stepDays_ = (lead >= 1 ? lead : 1) / 24;
  }
  if (vb::InStr(rest, "DAY") > 0) {
    table_ = "RDAY";
    stepDays_ = 1;
  }
}

void RoutingRun::setUp() {
  c_.Error.clear();
  c_.RetrievalText.clear();
  outputStart_ = c_.FirstDay;
  stepAndTable();
  if (s_.RealtimeMode) {
    c_.LastDay += 1;
    c_.FirstDay -= 1;
    const std::string warm = c_.Triples[1].base;
    if (!warm.empty()) c_.FirstDay = static_cast<int32_t>(vb::Int(c_.FirstDay - std::fabs(vb::Val(warm))));
  } else {
    c_.FirstDay = vb::CLng(vb::CDate(s_.form.TextBegindate.Text));
    c_.LastDay = vb::CLng(vb::CDate(s_.form.TextEnddate.Text)) + 1;
  }
  begin_ = c_.FirstDay;
  end_ = c_.LastDay;
  // Room for the whole window plus five days at the line's step, whatever the run sized.
  const double perDay = std::max(288.0, std::ceil(1 / stepDays_ - 1e-9));
  const double wanted = (static_cast<double>(end_) - begin_ + 5) * perDay + 1;
  workSize_ = static_cast<size_t>(std::max(wanted, 1.0));
  if (!s_.RealtimeMode) workSize_ = std::max(workSize_, s_.UnitSeries.size());
  s_.UnitSeries.assign(workSize_, SeriesPoint{});
  saved_.assign(workSize_, SeriesPoint{});
}

std::string RoutingRun::checkedDsid(const std::string& text, const char* what) const {
  if (!isIntegerDsid(text)) fail(std::string(what) + " DSID is not a whole number: " + text);
  return text;
}

void RoutingRun::run() {
  setUp();
  std::string name = c_.ParameterCode;
  if (vb::InStr(name, ",") > 0) {
    const std::vector<std::string> names = vb::Split(vb::Replace(name, " ", ""), ",");
    const int16_t choice = s_.ParamSelector;
    name = choice != 0 ? at(names, choice - 1) : names.at(0);
  }
  s_.ParamSelector = 0;
  fileName_ = name;
  const std::filesystem::path path = s_.inProgramFolder(name);
  if (name.empty() || !vb::fileExists(path)) {
    c_.Error = "Routing File not found--  " + name;
    return;
  }
  const std::vector<std::string> lines = routingLines(vb::readAllBytes(path));

  bool ended = false;
  size_t i = 1;
  for (; i < lines.size(); ++i) {
    copyAtEnd_ = false;
    const std::string& line = lines[i];
    currentLine_ = line;
    std::vector<std::string> f = vb::Split(line, " ");
    if (f.empty()) f.emplace_back();
    const std::string cmd = vb::UCase(vb::Trim(f[0]));
    if (cmd == "END") {
      ended = true;
      break;
    }
    if (cmd == "IF") {
      ifLine(i, f, line);
      continue;
    }
    command(i, f, line);
    endOfLine(line);
  }
  if (ended && state_ == Pairing::Loaded) fail("Must combine before ending " + vb::CStr(step_));
  s_.ui.doEvents();
  if (dumpOpen_) dump_.close();
  dumpOpen_ = false;
  writeResult();
  s_.UnitSeries.assign(workSize_, SeriesPoint{});
  c_.DateFieldIndex = 1;
  c_.ValueFieldIndex = 2;
}

void RoutingRun::command(size_t&, const std::vector<std::string>& f, const std::string&) {
  const std::string cmd = vb::UCase(vb::Trim(f[0]));
  if (cmd == "GET") {
    get(f);
  } else if (cmd == "ROUTE") {
    route(f);
  } else if (cmd == "RELEASE") {
    release(f);
  } else if (cmd == "COMBINE") {
    combine();
  } else if (cmd == "SUBTRACT") {
    subtract(f);
  } else if (cmd == "ADD") {
    add(f);
  } else if (cmd == "DIVERSION") {
    diversion(f);
  } else if (cmd == "PUT") {
    c_.Dsid = checkedDsid(field(f, 1), "PUT");
  } else if (cmd == "WRITE") {
    write();
  } else {
    fail("Unknown control command " + f[0]);
  }
}

void RoutingRun::copyToSaved() {
  const auto& v = cur();
  if (saved_.size() < v.size()) saved_.resize(v.size());
  for (size_t k = 0; k < v.size(); ++k) {
    saved_[k].date = v[k].date;
    saved_[k].value = v[k].value;
  }
}

void RoutingRun::get(const std::vector<std::string>& f) {
  const std::string dsid = checkedDsid(vb::Trim(field(f, 2)), "GET");
  if (step_ != 0 && state_ != Pairing::Saved) copyToSaved();
  for (int32_t k = 1; k <= N_; ++k) at(cur(), k).value = 0;
  const std::string table = c_.MrunLine ? "m" + vb::Mid(table_, 2) : table_;
  int32_t count = 0;
  GetHDB(s_, dsid, table, begin_, end_, count, c_.MrunLine ? 1 : 0, c_.RunId, c_.TraceNo, 0, 0);
  if (count < 3) fail("No values for " + dsid);
  if (state_ == Pairing::Loaded && step_ >= 2)
    fail("Combine current hydrograph with last GET before new GET on line " + vb::CStr(step_));
  state_ = Pairing::Loaded;
  ++step_;
  N_ = std::max(N_, count);
  lastCount_ = count;
}

void RoutingRun::route(const std::vector<std::string>& f) {
  const std::string method = vb::UCase(field(f, 1));
  if (method == "TATUM") {
    RouteTatum(s_, requiredNumber(field(f, 2)), lastCount_, stepHours());
  } else if (method == "MODPUL") {
    ModpulCall m;
    size_t k = 0;
    if (vb::Val(field(f, 2)) != 0) {
      m.elevationDsid = wholeNumber16(f[2]);
      k = 1;
    }
    const std::string rating = field(f, 2 + k);
    double mode = 0;
    if (f.size() > 3 + k) {
      mode = vb::Val(f[3 + k]);
      if (mode == -2 || mode == -3) {
        m.evaporation = vb::Val(field(f, 4 + k));
        if (mode == -2) mode = 1;
      } else if (f.size() > 4 + k) {
        m.further = vb::Val(f[4 + k]);
      }
    }
    if (mode == 0) mode = 1;
    m.restartDay = restartDay_;
    m.n = lastCount_;
    m.stepHours = stepHours();
    m.ratingPath = ratingPath(rating);
    m.mode = mode;
    m.release = &release_;
    m.conditions = &conditions_;
    m.outputStart = outputStart_;
    m.beginDay = begin_;
    m.endDay = end_;
    m.modelRun = c_.MrunLine;
    m.runId = c_.RunId;
    m.trace = c_.TraceNo;
    RouteModpul(s_, m);
    restartDay_ = m.restartDay;
    outputStart_ = m.outputStart;
    lastRatingPath_ = m.ratingPath.string();
    release_.clearPending();
    conditions_.clear();
  } else if (method == "MUSKINGUM-CUNGE") {
    double K = 0, X = 0;
    int16_t reaches = 0;
    MuskingumCungeSetup(s_, lastCount_, stepHours(), ratingPath(field(f, 2)), K, X, reaches);
    RouteMuskingum(s_, K, X, lastCount_, stepHours(), reaches);
  } else if (method == "MUSKINGUM") {
    double K = requiredNumber(field(f, 2));
    const double X = requiredNumber(field(f, 3));
    if (f.size() > 4) muskingumReaches_ = wholeNumber16(f[4]);
    RouteMuskingum(s_, K, X, lastCount_, stepHours(), muskingumReaches_);
  } else {
    fail("Unknown routing type " + f[1] + " on line " + vb::CStr(step_));
  }
  afterRoute();
}

void RoutingRun::afterRoute() {
  if (state_ != Pairing::Loaded || step_ < 2) {
    copyAtEnd_ = true;
    state_ = Pairing::Saved;
  }
  ++step_;
}

void RoutingRun::release(const std::vector<std::string>& f) {
  release_.dayOffset = 0;
  release_.set = false;
  if (f.size() <= 2) {
    release_.value = requiredNumber(field(f, 1));
    release_.set = true;
    return;
  }
  if (vb::Val(f[2]) == 0) return;
  release_.dsid = checkedDsid(f[1], "RELEASE");
  release_.table = "rhour";
  const vb::VbDate when = begin_ + 1.0 / 24;
  if (f.size() > 3) {
    const std::string option = vb::UCase(f[3]);
    if (vb::InStr(option, "DAY") > 0) release_.daily = true;
    const int dash = vb::InStr(option, "-");
    if (dash > 0) release_.dayOffset = static_cast<int32_t>(vb::Val(vb::Mid(option, dash)));
  }
  // The first release at or after the time, whatever order the engine returns rows in.
  const std::string at = vb::Format(when, "mm/dd/yyyy hh:mm");
  const LookupRow row = lookupRow(s_, "select value from " + release_.table + " where datatype_site_id=" +
                                          release_.dsid + " and date_time >= #" + at + "# order by date_time;");
  if (hasValue(row)) {
    release_.value = row.first.toDouble();
    release_.set = true;
  } else {
    release_.value = 0;
    const std::string warning = c_.Dsid + ">>" + release_.dsid + " Warning: Routing starting " + release_.table +
                                " 'release' setting in HDB missing " + at;
    s_.errlog.writeLine(warning);
    logPaneLine(s_, warning);
  }
}

void RoutingRun::ifLine(size_t& i, const std::vector<std::string>& f, const std::string& line) {
  if (dumpOpen_) dump_ << "\r\n" << line << "\r\n";
  RoutingCondition rc;
  rc.dsid = checkedDsid(field(f, 1), "IF");
  rc.table = field(f, 2);
  rc.action = vb::UCase(field(f, 3));
  rc.operand = field(f, 4);
  rc.expression = vb::Trim(vb::Join(std::vector<std::string>(f.begin() + 5, f.end()), " "));
  if (rc.dsid != "0" && !isSeriesTable(rc.table)) fail("IF table is not a series table: " + rc.table);
  conditions_.push_back(rc);
  if (vb::InStr(rc.action, "SKIP") > 0) {
    const int32_t skip = IfCheck(s_, rc.dsid, rc.table, begin_, end_, rc.action, rc.expression);
    // A count of 0 or less (a true condition without "-N" gives -1) skips nothing rather than
    // stepping back onto this line for ever.
    if (skip > 0) i += static_cast<size_t>(skip);
    conditions_.clear();
  }
}

void RoutingRun::combine() {
  if (state_ == Pairing::Combined) fail("Dublicate COMBINE at line " + vb::CStr(step_));
  for (int32_t k = 1; k <= N_; ++k) at(cur(), k).value += at(saved_, k).value;
  copyToSaved();
  state_ = Pairing::Combined;
  ++step_;
}

void RoutingRun::subtract(const std::vector<std::string>& f) {
  if (state_ == Pairing::Combined) fail("Dublicate COMBINE at line " + vb::CStr(step_));
  if (f.size() > 1) subtractOrder_ = wholeNumber16(f[1]);
  for (int32_t k = 1; k <= N_; ++k) {
    double& v = at(cur(), k).value;
    const double saved = at(saved_, k).value;
    v = subtractOrder_ != 0 ? v - saved : saved - v;
    if (v < 0) v = 0;
  }
  state_ = Pairing::Combined;
  ++step_;
}

void RoutingRun::add(const std::vector<std::string>& f) {
  const double amount = requiredNumber(field(f, 1));
  ReleaseSchedule schedule(s_, release_, !release_.dsid.empty());
  for (int32_t k = 1; k <= N_; ++k) {
    SeriesPoint& e = at(cur(), k);
    e.value += release_.set ? amount * release_.value : amount;
    if (schedule.on() && vb::Minute(e.date) == 0) {
      const ReleaseSchedule::Reading r = schedule.readAt(e.date);
      if (r.value) release_.value = *r.value;
    }
    if (e.value < 0) e.value = 0;
    if (state_ != Pairing::Loaded) {
      copyAtEnd_ = true;
      state_ = Pairing::Saved;
    }
  }
  release_.clearPending();
  ++step_;
  state_ = Pairing::Combined;
}

void RoutingRun::diversion(const std::vector<std::string>& f) {
  const std::string dsid = checkedDsid(field(f, 1), "DIVERSION");
  const std::filesystem::path path = ratingPath(field(f, 2));
  RouteDiversion(s_, lastCount_, dsid, path, outputStart_, begin_, end_, c_.MrunLine, c_.RunId, c_.TraceNo);
  afterRoute();
  s_.HourSeries.assign(workSize_, SeriesPoint{});
  s_.DaySeries.assign(workSize_, SeriesPoint{});
  s_.DayMaxSeries.assign(workSize_, SeriesPoint{});
}

void RoutingRun::write() {
  s_.errlog.writeLine("Write check on: " + fileName_);
  logPaneLine(s_, "Write RouteSteps.txt");
  const std::filesystem::path path = s_.inProgramFolder("RouteSteps.txt");
  CheckFileClosed(s_, path);
  if (dumpOpen_) dump_.close();
  dump_.open(path, std::ios::binary | std::ios::trunc);
  if (!dump_) vb::raise(vb::err::PathFileAccess);
  dumpOpen_ = true;
  dump_ << fileName_ << "\r\n";
}

void RoutingRun::endOfLine(const std::string& line) {
  if (dumpOpen_) {
    std::string rows = "\r\n" + line + "\r\n";
    for (int32_t k = 1; k <= N_; ++k) {
      const SeriesPoint& e = at(cur(), k);
      if (e.date < outputStart_) continue;
      rows += vb::CStr(k) + "\t" + vb::Format(e.date, "yyyy-mm-dd hh:mm") + "\t" + dumpValue(s_, at(saved_, k).value) +
              "\t" + dumpValue(s_, e.value) + "\n";
    }
    dump_ << rows;
    dump_.flush();
  }
  if (copyAtEnd_) {
    copyToSaved();
    state_ = Pairing::Saved;
  }
}

void RoutingRun::writeResult() {
  std::string rows;
  for (int32_t k = 1; k <= N_; ++k) {
    const SeriesPoint& e = at(cur(), k);
    if (e.date < outputStart_) continue;
    rows += "Z\t" + vb::Format(e.date, "yyyy-mm-dd hh:mm") + "\t" + stagingValue(s_, e.value) + "\t0\n";
  }
  c_.RetrievalText = writeStagingFile(s_, StagingKind::Routing, rows);
}

}  // namespace

void hdbrouting(Session& s, int32_t restartDay, SourceCall& c) {
  RoutingRun run(s, restartDay, c);
  auto failed = [&](const std::string& message) {
    c.RetrievalText.clear();
    c.Error = run.currentLine() + "--" + message + "  " + run.lastRatingPath();
  };
  try {
    run.run();
  } catch (const vb::Error& e) {
    failed(e.description());
  } catch (const std::exception& e) {
    failed(e.what());
  }
}

}  // namespace fw::compute
