// The forecast retrievers: their text rules on small replies, and each against the loopback
// service with its real-format fixture.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#ifdef FW_HAVE_QT_CORE
#include <QXmlStreamReader>
#endif

#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/model_forecast.h"
#include "retrieval/point_forecast.h"
#include "retrieval/qpf_pattern.h"
#include "retrieval/river_forecast.h"
#include "retrieval/snow_model.h"
#include "retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

std::vector<std::string> valueRows(const std::string& text) {
  std::vector<std::string> rows;
  for (const std::string& l : vb::Split(text, "\n"))
    if (vb::Left(l, 2) == "Z\t") rows.push_back(l);
  return rows;
}
std::string field(const std::string& row, size_t k) {
  const auto f = vb::Split(row, "\t");
  return k < f.size() ? f[k] : std::string("<none>");
}

// A stage-and-flow reply: ten pieces of preamble, then one record per (UTC time, stage, flow).
std::string stageflow(const std::vector<std::tuple<const char*, double, double>>& records, bool kcfs = true) {
  std::string t =
      "{\"observed\":{\"issuedTime\":null,\"secondaryUnits\":\"" + std::string(kcfs ? "kcfs" : "cfs") + "\"";
  for (int k = 0; k < 10; ++k) t += ",\"pad\":{\"a\":1},";
  for (const auto& [time, stage, flow] : records)
    t += "{\"validTime\":\"" + std::string(time) +
         "Z\",\"generatedTime\":\"x\",\"primary\":" + vb::CStr(stage) + ",\"secondary\":" + vb::CStr(flow) +
         "},";
  return t + "]}}";
}

TEST(RiverForecast, SegmentsFactorsAndCuts) {
  const vb::VbDate start = vb::CDate("2025-03-01 00:00");
  // Two points an hour apart: twelve rows from the first, rising by 0.1; the last point alone.
  NwpsText t = nwpsTransform(stageflow({{"2025-03-01T08:00:00", 1.0, 0}, {"2025-03-01T09:00:00", 2.2, 0}}), 2,
                             start, start + 2, 8);
  ASSERT_TRUE(t.error.empty());
  EXPECT_EQ(vb::Left(t.text, 24), "NWS forecast datatype 2\n");
  auto rows = valueRows(t.text);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0], "Z\t2025-03-01 00:00\t1\t");
  for (size_t k = 0; k < 12; ++k) EXPECT_NEAR(vb::Val(field(rows[k], 2)), 1.0 + 0.1 * k, 1e-9) << k;
  EXPECT_EQ(field(rows[11], 1), "2025-03-01 00:55");
  EXPECT_EQ(rows[12], "Z\t2025-03-01 01:00\t2.2\t");

  // "kcfs" scales the flow (data type 1), never the stage.
  t = nwpsTransform(stageflow({{"2025-03-01T08:00:00", 1, 1.5}, {"2025-03-01T08:05:00", 1, 1.5}}), 1, start,
                    start + 2, 8);
  EXPECT_EQ(field(valueRows(t.text)[0], 2), "1500");
  t = nwpsTransform(stageflow({{"2025-03-01T08:00:00", 1, 1.5}, {"2025-03-01T08:05:00", 1, 1.5}}, false), 1,
                    start, start + 2, 8);
  EXPECT_EQ(field(valueRows(t.text)[0], 2), "1.5");

  // Values at -10 or less end no segment: the header and the final row only.
  t = nwpsTransform(stageflow({{"2025-03-01T08:00:00", -10, 0}, {"2025-03-01T09:00:00", -12, 0}}), 2, start,
                    start + 2, 8);
  EXPECT_EQ(valueRows(t.text).size(), 1u);
  // A segment ending before the window start is not drawn.
  t = nwpsTransform(stageflow({{"2025-03-01T08:00:00", 1, 0}, {"2025-03-01T09:00:00", 2, 0}}), 2, start + 1,
                    start + 3, 8);
  EXPECT_EQ(valueRows(t.text).size(), 1u);
  // A repeated time draws nothing and loses nothing after it.
  t = nwpsTransform(
      stageflow(
          {{"2025-03-01T08:00:00", 1, 0}, {"2025-03-01T08:00:00", 1, 0}, {"2025-03-01T08:10:00", 3, 0}}),
      2, start, start + 2, 8);
  ASSERT_TRUE(t.error.empty());
  EXPECT_EQ(valueRows(t.text).size(), 3u);
  // Ten pieces or fewer hold no record; without "issuedT" there is no forecast.
  t = nwpsTransform(
      "{\"issuedTime\":1},{},{},{},{},{},{},{},{},{\"validTime\":\"2025-03-01T08:00:00Z\",\"a\":1,\"b\":2,"
      "\"c\":3}",
      2, start, start + 2, 8);
  EXPECT_FALSE(t.anyRecord);
  t = nwpsTransform("{\"nothing\":1}", 2, start, start + 2, 8);
  EXPECT_EQ(t.error, "Flow Forecast error");
}

TEST(RiverForecast, PointsFarOutsideTheWindowAreDroppedBeforeAnySegmentIsDrawn) {
  const vb::VbDate start = vb::CDate("2025-03-01 00:00");
  const std::vector<std::tuple<const char*, double, double>> honest = {
      {"2025-03-01T08:00:00", 1.0, 0}, {"2025-03-01T09:00:00", 2.2, 0}, {"2025-03-01T10:00:00", 2.0, 0}};
  const std::string expected = nwpsTransform(stageflow(honest), 2, start, start + 2, 8).text;
  // A point dated 4050 (or 1950) among them: without the drop it is a segment of millions of rows.
  for (const char* stray : {"4050-03-01T09:30:00", "1950-03-01T09:30:00"}) {
    SCOPED_TRACE(stray);
    auto records = honest;
    records.insert(records.begin() + 2, {stray, 9.0, 0});
    EXPECT_EQ(nwpsTransform(stageflow(records), 2, start, start + 2, 8).text, expected);
    records.push_back({stray, 9.0, 0});
    EXPECT_EQ(nwpsTransform(stageflow(records), 2, start, start + 2, 8).text, expected);
  }
}

TEST(QpfPattern, FrontLoadTableCapsAndStart) {
  EXPECT_EQ(qpfStartPosition(7), 24);
  EXPECT_EQ(qpfStartPosition(5), 0);
  // Storm type 1 at 0.06 in an hour: 5/12 of it per step, then 1/12, then nothing.
  QpfSpreader q(1, false, nullptr, 0);
  bool capped = false;
  const double expected[] = {0.025, 0.005, 0, 0, 0};
  for (double e : expected) {
    const std::string h = q.hour(0.06);
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(vb::Val(q.step(h, capped)), e, 1e-12);
  }
  // Even spreading: a twelfth per step, never capped.
  QpfSpreader even(0, false, nullptr, 0);
  const std::string h = even.hour(12);
  EXPECT_EQ(even.step(h, capped), "1.00000");
  EXPECT_FALSE(capped);
  // After five hours the table spreads the 6-hour amount; shares are capped at 0.5 in (12.7 mm).
  const QpfTable table = parseQpfTable("title\nstep\t1\t2\n" + [] {
    std::string rows;
    for (int k = 2; k <= 72; ++k) rows += "s\t0.01\t0.2\n";
    return rows;
  }());
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[2][1], 2);  // the first data line is step 1
  for (bool metric : {false, true}) {
    QpfSpreader t(2, metric, &table, 0);
    for (int k = 0; k < 5; ++k) t.hour(0);
    const std::string h6 = t.hour(metric ? 20 : 0.6);
    capped = false;
    const std::string first = t.step(h6, capped);  // P 1: share 1 of 6 × amount
    EXPECT_TRUE(capped);
    EXPECT_EQ(first, metric ? "12.70000" : "0.50000");
  }
  EXPECT_THROW(parseQpfTable("t\na\t1\t1\nb\t1\n"), vb::Error);
}

TEST(ModelForecast, FieldsRowsAndExpansion) {
  EXPECT_EQ(spotwxValueField("GFS", 16), 0);
  EXPECT_EQ(spotwxValueField("HRRR", 10), 8);
  EXPECT_EQ(spotwxValueField("GFS", 10), 7);
  EXPECT_EQ(spotwxValueField("SREF", 15), 8);
  EXPECT_EQ(spotwxValueField("NAM", 26), 9);
  EXPECT_EQ(spotwxValueField("HRRR", 26), 15);
  EXPECT_EQ(spotwxValueField("RDPS", 20), 0);
  EXPECT_STREQ(spotwxModel("HRR").fileKey, "hrrr_wrfprsf");
  EXPECT_EQ(spotwxModel("GDPS").cycleMinutes, 30);

  const vb::VbDate run = vb::CDate("2025-03-01 12:30");
  const int32_t kEndDay = static_cast<int32_t>(vb::CDate("2025-03-02"));
  // The 12:00 row is before the run: it is not written, but its running rain total is carried.
  const std::string reply =
      "data: [['2025/03/01 12:00','2025/03/01','12:00',9.0,1,70,10,200,15,5.0,1015],"
      "['2025/03/01 13:00','2025/03/01','13:00',10.0,0,71,12,250,18,5.8,1015],"
      "['2025/03/01 14:00','2025/03/01','14:00',11.0,1,72,12,250,18,6.6,1015]]";
  const std::string rows = spotwxRows(reply, "HRRR", 15, run, kEndDay, false);
  auto r = valueRows(rows);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(field(r[0], 1), "2025-03-01 13:00");
  EXPECT_EQ(field(r[0], 2), "50");       // 10 °C
  EXPECT_EQ(field(r[0], 3), "32");       // dew point 0 °C
  EXPECT_EQ(field(r[0], 8), "0.00787");  // 0.8 mm an hour, a quarter of it in inches
  EXPECT_EQ(field(vb::Split(spotwxRows(reply, "HRRR", 15, run, kEndDay, true), "\n")[0], 2), "10");

  const std::string expanded =
      spotwxExpand(rows, "head", 15, run, static_cast<int32_t>(vb::CDate("2025-03-02")));
  auto e = valueRows(expanded);
  ASSERT_EQ(e.size(), 6u);  // 12:45, 13:00 from the first row; 13:15 to 14:00 from the second
  EXPECT_EQ(field(e[0], 1), "3/1/2025 12:45:00 PM");
  EXPECT_EQ(field(e[2], 1), "3/1/2025 1:15:00 PM");
  EXPECT_EQ(field(e[2], 2), "51.8");
  EXPECT_EQ(field(e[5], 1), "3/1/2025 2:00:00 PM");

  // A row dated 4050, first or among the others, is dropped before it is expanded.
  const int32_t endDay = static_cast<int32_t>(vb::CDate("2025-03-02"));
  const std::string stray = "['4050/03/01 13:30','4050/03/01','13:30',30.0,1,72,12,250,18,6.6,1015],";
  for (size_t at : {reply.find("['2025/03/01 13:00"), reply.find("['2025/03/01 14:00")}) {
    std::string hostile = reply;
    hostile.insert(at, stray);
    EXPECT_EQ(spotwxExpand(spotwxRows(hostile, "HRRR", 15, run, endDay, false), "head", 15, run, endDay),
              spotwxExpand(rows, "head", 15, run, endDay));
  }
}

TEST(PointForecast, HoursPastTheWindowAreNotExpanded) {
  std::string reply = testing::readFile(testing::fixturesFolder() / "forecasts/digital_dwml.xml");
  const vb::VbDate end = vb::CDate("2025-02-12");
  const size_t honest = valueRows(dwmlTransform(reply, 0, false, nullptr, 0, end).text).size();
  // The first parameter line with five thousand hours: only those up to a day past the window's
  // end are made (from 08:00 on 10 February to the 13th, 64 hours of twelve rows).
  const size_t first = reply.find("<temperature");
  const size_t firstEnd = reply.find('\n', first);
  std::string line = reply.substr(first, reply.find("<value>", first) - first);
  for (int k = 0; k < 5000; ++k) line += "<value>40</value>";
  reply.replace(first, firstEnd - first, line + "</temperature>");
  const DwmlText t = dwmlTransform(reply, 0, false, nullptr, 0, end);
  EXPECT_EQ(valueRows(t.text).size(), 64u * 12);
  EXPECT_GT(valueRows(t.text).size(), honest);
}

TEST(SnowModel, PagesColumnsRepeatsAndTheBeginDay) {
  struct {
    const char* dsids;
    int16_t type;
    int data, first, second;
    const char* header;
  } pages[] = {{"-10045,-23045", 21, 1, 4, 6, "x   date  depth  %density"},
               {"-10045,-23045", 22, 1, 8, 2, "x   date  melt  swe"},
               {"-10045,17045", 17, 5, 4, 2, "x   date  AirTemp  SurfaceTemp"},
               {"-10045", 10, 2, 3, 2, "x   date  rainfall  snowfall"}};
  for (const auto& p : pages) {
    const SnowcastPage c = snowcastPage(p.dsids, p.type);
    EXPECT_EQ(c.data, p.data) << p.dsids << p.type;
    EXPECT_EQ(c.firstColumn, p.first);
    EXPECT_EQ(c.secondColumn, p.second);
    EXPECT_STREQ(c.header, p.header);
  }
  // Rows at 00:00 local (08 UTC) of the begin day's eve and on; the second value empty five times.
  std::string page = "Cover</th>\n<tbody>\n";
  const char* seconds[] = {"9.9", "5.1", "", "", "", "", "4.9"};
  const int hours[] = {6, 7, 8, 9, 10, 11, 12};  // UTC on 2025-03-01
  for (int k = 0; k < 7; ++k)
    page += "<tr><td>2025-03-01 " + vb::Format(static_cast<int32_t>(hours[k]), "00") + "</td><td>" +
            seconds[k] + "</td><td>0.5</td><td>1</td><td>2</td><td>3</td><td>4</td></tr>\n";
  for (int k = 0; k < 40; ++k) page += "<p>trailer</p>\n";
  const SnowcastPage rain = snowcastPage("-10045", 10);
  // Begin day 2025-03-01: local times 2025-02-28 22:00 .. 03:00; 22:59 is the earliest kept.
  const int32_t begin = static_cast<int32_t>(vb::CDate("2025-03-01"));
  const auto rows = valueRows(snowcastTransform(page, rain, "CAB34", false, begin, 8));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(field(rows[0], 1), "2025-02-28 23:00");
  EXPECT_EQ(field(rows[0], 2), "0.5");
  for (size_t k = 0; k < 4; ++k) EXPECT_EQ(field(rows[k], 3), "5.1") << k;
  EXPECT_EQ(field(rows[4], 3), "");  // a fourth empty one in a row stays empty
  EXPECT_EQ(field(rows[5], 3), "4.9");
}

// The retrievers against the loopback service. stageflow.json lands in the current folder, so
// each test works in its own.
class Forecasts : public testing::RetrievalFixture {
 protected:
  Forecasts() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(t.folder.path());
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.RunDateTime = vb::CDate("2025-02-10 08:00");
  }
  ~Forecasts() override { std::filesystem::current_path(previous_); }
  std::filesystem::path previous_;
};

TEST_F(Forecasts, FixturesAreWellFormedDocuments) {
  const std::string json = testing::readFile(testing::fixturesFolder() / "forecasts" / "stageflow.json");
  EXPECT_GT(json.size(), 250u);
  EXPECT_TRUE(nlohmann::json::accept(json));
  const std::string xml = testing::readFile(testing::fixturesFolder() / "forecasts" / "digital_dwml.xml");
  EXPECT_GT(xml.size(), 2500u);
#ifdef FW_HAVE_QT_CORE
  QXmlStreamReader reader(QByteArray::fromStdString(xml));
  while (!reader.atEnd()) reader.readNext();
  EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
#endif
}

TEST_F(Forecasts, RiverForecastDownloadsCopiesAndRetriesAShortReply) {
  http.route("/nwps/v1/gauges/SACC1/stageflow", "forecasts/stageflow.json");
  SourceCall c;
  c.StationId = "FORECAST-NWS,SACC1";
  c.DatatypeCode = 1;
  // The run's window: the run day and two forecast days.
  c.LastDay = static_cast<int32_t>(vb::Int(s.RunDateTime));
  c.DayCount = 2;
  GetNWPSForecast(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_GT(valueRows(c.RetrievalText).size(), 100u);
  EXPECT_EQ(testing::readFile(s.inProgramFolder("forcast.txt")), c.RetrievalText);
  EXPECT_EQ(testing::readFile(t.folder / "stageflow.json"),
            testing::readFile(testing::fixturesFolder() / "forecasts" / "stageflow.json"));

  // A short reply: fifteen seconds later the second try; without a forecast the line fails.
  http.routeText("/nwps/v1/gauges/X Y/stageflow", "{}");
  http.clearRequests();
  const double before = t.clock.now();
  c.StationId = "FORECAST-NWS,X Y";
  GetNWPSForecast(s, c);
  EXPECT_NEAR((t.clock.now() - before) * 86400, 15, 0.01);
  EXPECT_EQ(http.targets(),
            (std::vector<std::string>{"/nwps/v1/gauges/X%20Y/stageflow", "/nwps/v1/gauges/X%20Y/stageflow"}));
  EXPECT_EQ(c.Error, "Flow Forecast error");
  EXPECT_NE(s.form.Text1.Text.find("No forecast issued.\r\n"), std::string::npos);
  EXPECT_EQ(testing::readFile(t.folder / "stageflow.json"), "{}");
}

TEST_F(Forecasts, ARefusedPortFailsTheLineWithNothingOlderRead) {
  // An older reply on disk is never read as this gauge's.
  testing::writeFile(t.folder / "stageflow.json",
                     testing::readFile(testing::fixturesFolder() / "forecasts" / "stageflow.json"));
  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  for (const ServiceServer& row : serviceServers())
    s.ServerSettings[row.service] = "http://127.0.0.1:" + std::to_string(port);
  SourceCall c;
  c.StationId = "FORECAST-NWS,SACC1";
  c.DatatypeCode = 1;
  GetNWPSForecast(s, c);
  EXPECT_EQ(c.Error, "Flow Forecast error");
  EXPECT_EQ(valueRows(c.RetrievalText).size(), 0u);
}

TEST_F(Forecasts, PointForecastColumnsReuseAndFailures) {
  http.route("/MapClick.php", "forecasts/digital_dwml.xml");
  SourceCall c;
  c.ShiftAside = "38.58,-121.49";
  // The run's window: the run day and two forecast days.
  c.LastDay = static_cast<int32_t>(vb::Int(s.RunDateTime));
  c.DayCount = 2;
  c.DatatypeCode = 17;
  GetNWSForecast(s, c);
  ASSERT_EQ(c.Error, "");
  const std::string header = vb::Left(c.RetrievalText, vb::InStr(c.RetrievalText, "\r\n") - 1);
  EXPECT_EQ(vb::Left(header, 29), "NWSForecasts 2025-02-10T07:12");
  auto rows = valueRows(vb::Replace(c.RetrievalText, "\r\n", "\n"));
  ASSERT_EQ(rows.size(), 24u * 12);
  EXPECT_EQ(field(rows[0], 1), "2025-02-10 08:05");
  EXPECT_EQ(field(rows[0], c.ValueFieldIndex), "45");
  EXPECT_EQ(field(rows[0], 3), "-99");  // a heat index that is nil from its first value
  EXPECT_EQ(field(rows[0], 7), "-99");  // a gust nil at first: nothing of the line before
  EXPECT_EQ(field(rows[24], 7), "14");
  EXPECT_EQ(field(rows[12 * 13], 7), "24");  // a nil after a value repeats it
  EXPECT_EQ(testing::readFile(s.inProgramFolder("forcast.txt")), c.RetrievalText);

  // Rain from the kept text: no second download; the nil hour keeps its last share.
  http.clearRequests();
  c.DatatypeCode = 10;
  GetNWSForecast(s, c);
  EXPECT_TRUE(http.targets().empty());
  rows = valueRows(vb::Replace(c.RetrievalText, "\r\n", "\n"));
  EXPECT_EQ(field(rows[0], c.ValueFieldIndex), "0.00500");

  c.DatatypeCode = 12;
  GetNWSForecast(s, c);
  EXPECT_EQ(c.Error, "Data_type column not found for datatype 12");
  c.ShiftAside = "38.58";
  GetNWSForecast(s, c);
  EXPECT_EQ(c.Error, "Missing 'Lat,Long' in setup shift1");

  // Storm type 1 without the distribution file: even spreading, after a new download.
  c.ShiftAside = "38.58,-121.49,1";
  c.DatatypeCode = 10;
  GetNWSForecast(s, c);
  EXPECT_EQ(http.targets().size(), 1u);
  EXPECT_FALSE(s.QpfTableLoaded);

  // A page without a forecast, and a short one twice.
  http.routeText("/MapClick.php", std::string(3000, ' ') + "\n\n\n\n<p>no point</p>\n");
  c.RetrievalText.clear();
  GetNWSForecast(s, c);
  EXPECT_EQ(c.Error, "Point forecast is unavailable for the requested location.");
  http.routeText("/MapClick.php", "down");
  const double before = t.clock.now();
  GetNWSForecast(s, c);
  EXPECT_EQ(c.Error, "NWS forecasters not responsive.");
  EXPECT_EQ(c.RetrievalText, "NWS forecasters are down.");
  EXPECT_NEAR((t.clock.now() - before) * 86400, 15, 0.01);
}

TEST_F(Forecasts, ModelForecastRequestGuardAndCopy) {
  http.route("/products/grib_index.php", "forecasts/spotwx_hrrr.html");
  SourceCall c;
  c.StationId = "FORECAST-HRRR-15";
  c.DatatypeCode = 17;
  c.Triples[1].shift = "38.58, -121.49";
  c.LastDay = static_cast<int32_t>(vb::CDate("2025-02-12"));
  Spotwx(s, c);
  ASSERT_FALSE(c.RetrievalText.empty()) << s.LastError;
  EXPECT_EQ(c.ValueFieldIndex, 2);
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(vb::Left(http.targets()[0], 65),
            "/products/grib_index.php?model=hrrr_wrfprsf&lat=38.58&lon=-121.49");
  EXPECT_EQ(testing::readFile(s.inProgramFolder("Spotwx.txt")), c.RetrievalText);
  auto rows = valueRows(c.RetrievalText);
  EXPECT_EQ(field(rows[0], 1), "2/10/2025 8:15:00 AM");

  // The next cycle: a run 10 minutes later gets nothing, one 1 or 31 minutes later downloads.
  const vb::VbDate first = s.RunDateTime;
  for (auto [minutes, downloads] : {std::pair{10, false}, std::pair{1, true}, std::pair{31, true}}) {
    s.NextCycleA = vb::DateAdd("n", 30, first);
    s.RunDateTime = vb::DateAdd("n", minutes, first);
    http.clearRequests();
    c.RetrievalText.clear();
    Spotwx(s, c);
    EXPECT_EQ(http.targets().size(), downloads ? 1u : 0u) << minutes;
    EXPECT_EQ(c.RetrievalText.empty(), !downloads) << minutes;
  }
  // A data type the model does not give: logged, nothing downloaded.
  http.clearRequests();
  c.StationId = "FORECAST-GFS";
  c.DatatypeCode = 16;
  c.RetrievalText.clear();
  Spotwx(s, c);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(logged().back(), "16 datatype not found.");
}

TEST_F(Forecasts, SnowModelPageRetryAndHourGate) {
  http.route("/interactive/html/graph.html", "forecasts/snowcast_station.html");
  SourceCall c;
  c.StationId = "SNOWCAST,CAB34";
  c.DsidList = "-10045,-23045";
  c.DatatypeCode = 10;
  c.FirstDay = static_cast<int32_t>(vb::CDate("2025-02-10"));
  Snowcast(s, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(),
            std::vector<std::string>{"/interactive/html/graph.html?data=1&region=us&units=0&station=CAB34"});
  EXPECT_EQ(testing::readFile(t.folder / "snowcast.txt"), c.RetrievalText + "\r\n");
  EXPECT_FALSE(valueRows(c.RetrievalText).empty());

  // A scheduled run outside the page's hours skips quietly once a page has been read.
  s.BatchScheduled = true;
  bool daylight = false;
  const int tz = static_cast<int>(TZOffset(s, daylight));
  s.RunDateTime = vb::CDate("2025-02-10") + ((tz + 2) % 24 + 24) % 24 / 24.0;  // not tz + 0, 1, 4, 8 or 10
  Snowcast(s, c);
  EXPECT_EQ(c.Error, "Skip");
  EXPECT_EQ(logged().back(), "Snowcast skipped.");
  s.BatchScheduled = false;

  // A page without the table: one retry three seconds later, then the line fails.
  http.routeText("/interactive/html/graph.html", "<html>no station</html>");
  http.clearRequests();
  const double before = t.clock.now();
  Snowcast(s, c);
  EXPECT_EQ(c.Error, "CAB34 snowcast not found.");
  EXPECT_EQ(http.targets().size(), 2u);
  EXPECT_NEAR((t.clock.now() - before) * 86400, 3, 0.01);
  EXPECT_FALSE(s.SnowModelFetched);
  EXPECT_EQ(s.LastError, "CAB34 snowcast not found.");
}

}  // namespace
}  // namespace fw
