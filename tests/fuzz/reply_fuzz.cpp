// libFuzzer targets for the service replies: any bytes a service sends, handed to its transform
// and to its retriever (through an internet session that answers every request with them), must
// give retrieval text or an error text; a crash, a sanitizer report, an exception that escapes, a
// hang or a huge allocation is a fault. The environment variable FUZZ_TARGET names the target.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/textfile.h"
#include "retrieval/afws.h"
#include "retrieval/canada.h"
#include "retrieval/cdec.h"
#include "retrieval/cimis.h"
#include "retrieval/coe.h"
#include "retrieval/hydromet.h"
#include "retrieval/kiwis.h"
#include "retrieval/lower_colorado.h"
#include "retrieval/madis_history.h"
#include "retrieval/model_forecast.h"
#include "retrieval/point_forecast.h"
#include "retrieval/river_forecast.h"
#include "retrieval/snotel.h"
#include "retrieval/snow_model.h"
#include "retrieval/usgs.h"
#include "retrieval/weather_columns.h"
#include "retrieval/weather_daily.h"
#include "retrieval/weather_station.h"
#include "run/run_services.h"

namespace fw {
namespace {

// 2024-06-05 13:15, the day the fixtures were recorded for.
constexpr double kNow = 45448.5520833333;
constexpr int32_t kRunDay = 45448;
// 2025-02-10 08:00, the forecast fixtures' time.
constexpr double kForecastNow = 45698 + 8.0 / 24;
constexpr int32_t kForecastDay = 45698;

// Every request is answered with the input, in pieces, as a server would send it.
class ReplyInternet : public InternetSession {
 public:
  explicit ReplyInternet(const std::string& body) : body_(body) {}
  std::unique_ptr<net::UrlHandle> openUrl(const std::string&, uint32_t) override {
    return std::make_unique<Handle>(body_);
  }

 private:
  struct Handle : net::UrlHandle {
    explicit Handle(const std::string& b) : body(b) {}
    net::ReadResult read(char* buffer, std::size_t size) override {
      const std::size_t n = std::min({size, body.size() - at, std::size_t{977}});
      std::memcpy(buffer, body.data() + at, n);
      at += n;
      return {true, n};
    }
    bool close() override { return true; }
    const std::string& body;
    std::size_t at = 0;
  };
  const std::string& body_;
};

std::filesystem::path& programFolder() {
  static std::filesystem::path folder;
  return folder;
}

// A batch session of a real-time run at kNow whose downloads all bring the reply.
struct ReplySession {
  explicit ReplySession(const std::string& reply) {
    s.services.internet = std::make_shared<ReplyInternet>(reply);
    s.errlog.setFallback(nullptr);
    s.errlog.setPath("/dev/null");
    s.BatchMode = true;
    s.RealtimeMode = true;
    s.RunDateTime = kNow;
    s.RunDay = kRunDay;
    s.UnitValues = true;
  }
  ScriptedUi ui;
  FixedClock clock{kNow};
  Session s{ui, clock, programFolder()};
};

SourceCall lineCall(const std::string& station, const std::string& parameter) {
  SourceCall c;
  c.StationId = station;
  c.ParameterCode = parameter;
  c.ParameterCodes = {parameter};
  c.ParameterCount = 0;
  c.DayCount = 2;
  c.FirstDay = kRunDay - 2;
  c.LastDay = kRunDay;
  c.ValueColumns.assign(2, 0);
  return c;
}

// A transform's own errors (a row it cannot read) are answers too.
template <typename F>
void tolerated(F&& f) {
  try {
    f();
  } catch (const vb::Error&) {
  }
}

// A retriever must catch what it meets: nothing may escape it but what the run would report.
template <typename F>
void retrieve(const std::string& reply, F&& f) {
  ReplySession r(reply);
  try {
    f(r.s);
  } catch (const vb::Error&) {
  }
}

void usgs(const std::string& r) {
  tolerated([&] { usgsTransform(r, kRunDay - 1, false, false); });
  tolerated([&] { usgsTransform(r, kRunDay - 1, false, true); });
  tolerated([&] { usgsTransform(r, kRunDay - 1, true, false); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("09380000", "60,65");
    GetUSGS(s, c);
  });
}

void cdec(const std::string& r) {
  tolerated([&] { cdecTransform(r, "ORO", "20", true); });
  tolerated([&] { cdecTransform(r, "ORO", "15", false); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("ORO", "20");
    GetCDEC(s, c);
  });
}

void hydromet(const std::string& r) {
  HydrometRead read;
  tolerated([&] { hydrometTransform(r, read); });
  read.WindRows = true;
  tolerated([&] { hydrometTransform(r, read); });
  read = HydrometRead{};
  read.WholeHours = true;
  read.FiveMinute = true;
  read.StopAt = kRunDay;
  tolerated([&] { hydrometTransform(r, read); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("USBRGP-BOII", "OB,WS");
    c.ParameterCodes = {"OB", "WS"};
    c.ParameterCount = 1;
    GetHydromet(s, c);
  });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("USBRPN-FALN,5", "wd");
    GetHydromet(s, c);
  });
}

void lowerColorado(const std::string& r) {
  tolerated([&] { lowerColoradoReport(r, "Davis Dam", "Release", kRunDay - 1); });
  tolerated([&] { lowerColoradoDatabase(r); });
  retrieve(r, [](Session& s) {
    s.ServerSettings[kLowerColoradoReportKey] = "/lc/hourly.json";
    SourceCall c = lineCall("USBRLC", "Release");
    c.SiteText = "Davis Dam";
    UsbrLC(s, c);
    SourceCall d = lineCall("USBRLC-2100", "Elevation");
    UsbrLC(s, d);
  });
}

void canada(const std::string& r) {
  tolerated([&] { canadaTransform(r, true, canadaColumn("1"), kRunDay - 1, kRunDay); });
  tolerated([&] { canadaTransform(r, false, canadaColumn("46"), kRunDay - 1, kRunDay); });
  retrieve(r, [](Session& s) {
    s.SiteState = "BC";
    SourceCall c = lineCall("08MF005", "46");
    GetCanada(s, c);
  });
}

void snotel(const std::string& r) {
  bool report = false;
  tolerated([&] { snotelTransform(r, kRunDay - 1, report); });
  retrieve(r, [](Session& s) {
    s.SiteState = "AZ";
    SourceCall c = lineCall("927", "WTEQ");
    GetSNOTEL(s, c);
  });
}

void coe(const std::string& r) {
  tolerated([&] { coeTransform(r, "Stage", kRunDay - 1); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("COE-MKLK2", "Wind Direction");
    GetCOE(s, c);
  });
}

void kiwis(const std::string& r) {
  tolerated([&] { kiwisTransform(r, "12345042", kRunDay - 1, kRunDay, 7); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("KISTERS", "12345042,fw,secret");
    c.ParameterCodes = {"12345042", "fw", "secret"};
    c.SiteText = "http://127.0.0.1:1";
    GetKiWIS(s, c);
  });
}

void afws(const std::string& r) {
  tolerated([&] { afwsTransform(r, "AFWS-ABCT2", kRunDay - 3, kRunDay); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("AFWS-ABCT2-CST", "PP");
    GetAFWS(s, c);
  });
}

void cimis(const std::string& r) {
  CimisRows rows;
  rows.windowStart = kRunDay - 2;
  rows.runDay = kRunDay;
  rows.valueField = 6;
  tolerated([&] { cimisTransform(r, rows); });
  rows.hourly = false;
  rows.valueField = 8;
  tolerated([&] { cimisTransform(r, rows); });
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("CIMIS-2", "16");
    GetCIMIS(s, c);
  });
}

void nwps(const std::string& r) {
  tolerated([&] { nwpsTransform(r, 1, kForecastNow, kForecastDay + 3, 8); });
  tolerated([&] { nwpsTransform(r, 2, kForecastNow, kForecastDay + 3, -5.5); });
}

void dwml(const std::string& r) {
  tolerated([&] {
    DwmlText t = dwmlTransform(r, 0, false, nullptr, 0, kForecastDay + 3);
    dwmlValueField(t.text.substr(0, t.text.find("\r\n")), 17, true);
  });
  retrieve(r, [](Session& s) {
    s.MetricUnits = true;
    s.RunDateTime = kForecastNow;
    SourceCall c = lineCall("FORECAST", "");
    c.LastDay = kForecastDay;
    c.ShiftAside = "38.5,-121.5,2";
    c.DatatypeCode = 10;
    GetNWSForecast(s, c);
  });
}

void spotwx(const std::string& r) {
  for (const char* model : {"HRRR", "GFS", "RDPS"}) {
    tolerated([&] {
      const std::string rows = spotwxRows(r, model, 15, kForecastNow, kForecastDay, false);
      spotwxExpand(rows, spotwxModel(model).header, 15, kForecastNow, kForecastDay);
    });
  }
  retrieve(r, [](Session& s) {
    s.RunDateTime = kForecastNow;
    SourceCall c = lineCall("FORECAST-HRRR-15", "");
    c.LastDay = kForecastDay;
    c.DatatypeCode = 17;
    c.Triples[1].shift = "38.5, -121.5";
    Spotwx(s, c);
  });
}

void snowcast(const std::string& r) {
  for (const char* dsid : {"1", "1,-23", "1,-17"}) {
    const SnowcastPage page = snowcastPage(dsid, 10);
    tolerated([&] { snowcastTransform(r, page, "CAB34", false, kRunDay - 1, 8); });
  }
  retrieve(r, [](Session& s) {
    SourceCall c = lineCall("SNOWCAST,CAB34", "");
    c.DsidList = "10101,-23";
    c.DatatypeCode = 10;
    Snowcast(s, c);
  });
}

void weatherStation(const std::string& r, int16_t type, const std::string& station, const std::string& parameter) {
  retrieve(r, [&](Session& s) {
    SourceCall c = lineCall(station, parameter);
    c.SourceType = type;
    c.Triples[1].base = "0123456789abcdef0123";
    GetWxStation(s, c);
  });
}

void synoptic(const std::string& r) {
  retrieve(r, [&](Session& s) {
    std::string text = r;
    SynopticCols(s, text);
  });
  weatherStation(r, 29, "SY-WBB", "air_temp");
}

void mesowest(const std::string& r) {
  retrieve(r, [&](Session& s) {
    std::string text = r;
    MesoWestCols(s, text);
  });
  weatherStation(r, 27, "MW-WBB", "precipTotal");
}

void wunderground(const std::string& r) {
  std::string text = r, error;
  tolerated([&] { wunderScrape20250325("KCASANFR123", text, error); });
  text = r;
  tolerated([&] { wunderScrape(1, "KCASANFR123", text, error); });
  weatherStation(r, 1, "KCASANFR123", "tempAvg");
  weatherStation(r, 1, "KSFO", "tmpf");
}

void weatherDaily(const std::string& r) {
  retrieve(r, [](Session& s) {
    s.form.TextBegindate.Text = "2024-06-01";
    s.form.TextEnddate.Text = "2024-06-05";
    SourceCall c = lineCall("KSFO", "Mean TemperatureF");
    c.UnitValues = false;
    GetWxDaily(s, c);
  });
}

void madisHistory(const std::string& r) {
  retrieve(r, [&](Session& s) {
    vb::writeAllBytes(s.inProgramFolder(kMadisHistoryName), r);
    std::string table, error;
    MadisRead(s, "KSLC", kRunDay - 1, kRunDay, 7, table, error);
  });
}

const std::map<std::string, std::function<void(const std::string&)>>& targets() {
  static const std::map<std::string, std::function<void(const std::string&)>> all = {
      {"usgs", usgs},         {"cdec", cdec},       {"hydromet", hydromet},
      {"lower_colorado", lowerColorado},            {"canada", canada},
      {"snotel", snotel},     {"coe", coe},         {"kiwis", kiwis},
      {"afws", afws},         {"cimis", cimis},     {"nwps", nwps},
      {"dwml", dwml},         {"spotwx", spotwx},   {"snowcast", snowcast},
      {"synoptic", synoptic}, {"mesowest", mesowest}, {"wunderground", wunderground},
      {"weather_daily", weatherDaily},              {"madis_history", madisHistory},
  };
  return all;
}

const std::function<void(const std::string&)>* chosen = nullptr;

}  // namespace
}  // namespace fw

namespace {

// The fuzzer's own paths made absolute, so that the process can work in its own folder: some
// retrievers write their copies into the current folder.
void absolutePaths(int* argc, char*** argv) {
  static std::vector<std::string> args;
  static std::vector<char*> pointers;
  for (int i = 0; i < *argc; ++i) {
    std::string a = (*argv)[i];
    for (const char* option : {"-artifact_prefix=", "-dict="}) {
      const std::string o = option;
      if (a.rfind(o, 0) == 0 && a.size() > o.size())
        a = o + std::filesystem::absolute(a.substr(o.size())).string() + (a.back() == '/' ? "/" : "");
    }
    if (i > 0 && !a.empty() && a[0] != '-') a = std::filesystem::absolute(a).string();
    args.push_back(a);
  }
  for (std::string& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const char* name = std::getenv("FUZZ_TARGET");
  const auto& all = fw::targets();
  auto it = name ? all.find(name) : all.end();
  if (it == all.end()) {
    std::fprintf(stderr, "FUZZ_TARGET must name one of:");
    for (const auto& [n, f] : all) std::fprintf(stderr, " %s", n.c_str());
    std::fprintf(stderr, "\n");
    std::exit(2);
  }
  fw::chosen = &it->second;
  // The retrievers' copies and work files go to a folder of this process, removed at its end.
  // In memory where there is such a folder: the retrievers write their copies durably.
  std::string folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  folder += "/fw_reply_fuzz_XXXXXX";
  if (!::mkdtemp(folder.data())) std::exit(2);
  fw::programFolder() = folder;
  absolutePaths(argc, argv);
  if (::chdir(folder.c_str()) != 0) std::exit(2);
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(fw::programFolder(), ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  (*fw::chosen)(reply);
  return 0;
}
