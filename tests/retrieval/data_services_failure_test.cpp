// A service that is down or does not serve the station: every retriever of the snow-telemetry,
// Corps of Engineers, KiWIS, flood-warning and irrigation-network services hands back a text
// without value lines, and the run goes on.
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/afws.h"
#include "retrieval/cimis.h"
#include "retrieval/coe.h"
#include "retrieval/kiwis.h"
#include "retrieval/retrieval_fixture.h"
#include "retrieval/snotel.h"
#include "run/run_services.h"

namespace fw {
namespace {

const int32_t kRunDay = static_cast<int32_t>(vb::DateSerial(2024, 6, 5));

class DataServiceFailures : public testing::RetrievalFixture {
 protected:
  DataServiceFailures() {
    s.RunDay = kRunDay;
    s.RunDateTime = kRunDay + 0.5;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.BatchMode = true;
    s.SiteState = "AZ";
  }
  // Each retriever once, with what it hands back.
  struct Outcome {
    std::string service, text, error;
    int16_t v;
  };
  std::vector<Outcome> callAll(const std::string& kiwisServer) {
    std::vector<Outcome> out;
    SourceCall c = call("927", "WTEQ");
    GetSNOTEL(s, c);
    out.push_back({"SNOTEL", c.RetrievalText, c.Error, c.ValueFieldIndex});
    c = call("COE-MKLK2", "Stage");
    GetCOE(s, c);
    out.push_back({"COE", c.RetrievalText, c.Error, c.ValueFieldIndex});
    c = call("KISTERS", "1,fw,secret");
    c.ParameterCodes = {"1", "fw", "secret"};
    c.SiteText = kiwisServer;
    GetKiWIS(s, c);
    out.push_back({"KiWIS", c.RetrievalText, c.Error, c.ValueFieldIndex});
    c = call("AFWS-ABCT2", "PP");
    GetAFWS(s, c);
    out.push_back({"AFWS", c.RetrievalText, c.Error, c.ValueFieldIndex});
    c = call("CIMIS-999", "16");
    GetCIMIS(s, c);
    out.push_back({"CIMIS", c.RetrievalText, c.Error, c.ValueFieldIndex});
    return out;
  }
  SourceCall call(const std::string& station, const std::string& parameter) {
    SourceCall c;
    c.StationId = station;
    c.ParameterCode = parameter;
    c.ParameterCodes = {parameter};
    c.ParameterCount = 0;
    c.DayCount = 1;
    c.FirstDay = kRunDay - 1;
    c.LastDay = kRunDay;
    c.ValueColumns = {0};
    return c;
  }
  void expectNoValueLines(const std::vector<Outcome>& outcomes) {
    const std::vector<Outcome> expected = {{"SNOTEL", "", "", 0},
                                           {"COE", "COE \t\n", "", 0},
                                           {"KiWIS", "1\n", "", 0},
                                           {"AFWS", "AFWS-ABCT2\n", "", 2},
                                           {"CIMIS", "CIMIS...\n", "", 0}};
    ASSERT_EQ(outcomes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(expected[i].service);
      EXPECT_EQ(outcomes[i].text, expected[i].text);
      EXPECT_EQ(outcomes[i].error, expected[i].error);
      EXPECT_EQ(outcomes[i].v, expected[i].v);
    }
    for (const std::string& line : logged()) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  }
};

TEST_F(DataServiceFailures, AServiceThatIsDownGivesHeaderOnlyTextsAndLogsTheDownload) {
  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  for (const ServiceServer& row : serviceServers()) s.ServerSettings[row.service] = base;
  s.ServerSettings[kCimisService] = "ftp://127.0.0.1:" + std::to_string(port);
  expectNoValueLines(callAll(base));
  // One line for each download that failed.
  EXPECT_EQ(logged().size(), 5u);
  for (const std::string& line : logged())
    EXPECT_EQ(line.find("Internet open fail, service provider down: "), 0u) << line;
}

TEST_F(DataServiceFailures, AStationTheServiceDoesNotServeGivesHeaderOnlyTexts) {
  // The HTTP server answers 404 pages; the FTP server has no such file.
  testing::LoopbackFtpServer ftp;
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  s.ServerSettings[kCimisService] = ftp.base();
  expectNoValueLines(callAll(http.base()));
  EXPECT_EQ(http.targets().size(), 4u);
}

}  // namespace
}  // namespace fw
