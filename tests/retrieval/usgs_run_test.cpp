// Gauge lines through the run, in process, with the real retriever and a short time-out.
#include "retrieval/internet_session.h"
#include "retrieval/web_retrievers.h"
#include "run/run_fixture.h"
#include "support/loopback_services.h"

namespace fw {
namespace {

class UsgsRun : public testing::RunFixture {
 protected:
  UsgsRun() {
    s.services.retrievers = std::make_shared<WebRetrievers>();
    s.services.internet = std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, 700);
  }
  void runLines(const std::vector<std::string>& lines) {
    setUp({"USGS Server=" + http.base(), "START DATE=2024-06-05 13:15"}, lines,
          {{"1101", 1, "cfs", "60,65"}, {"1102", 1, "cfs", "60"}, {"1103", 1, "cfs", "60"}});
    s.BatchMode = true;
    runstations(s);
  }
  int count(const std::string& text) const {
    int n = 0;
    for (const std::string& l : log())
      if (l.find(text) != std::string::npos) ++n;
    return n;
  }
  // The gauge line fails with the download's text, the next line of another kind runs.
  void expectFailure(const char* builtIn, const std::string& text) {
    http.routeCase("/nwis/iv/", builtIn);
    runLines({"09380000; 1101; Flow; Colorado R; 0; 0; ", "HCFCD1234; 1103; Rain; Brays Bayou; 0; 0; "});
    const std::string failure = text + http.base().substr(0, 20);
    EXPECT_TRUE(logHas(failure));
    EXPECT_EQ(count("09380000 1101 " + failure), 1);
    EXPECT_EQ(count("HCFCD1234 1103 "), 1);
    EXPECT_EQ(count("F I N I S H E D"), 1);
  }
  testing::LoopbackHttpServer http;
};
TEST_F(UsgsRun, AStalledBodyFailsItsLineAndTheRunGoesOn) {
  expectFailure("/stall", "Internet reply was cut short, no more of it came within the time-out: ");
}

TEST_F(UsgsRun, ASilentServiceFailsItsLineAndTheRunGoesOn) {
  expectFailure("/silent", "Internet open fail, service provider down: ");
}

}  // namespace
}  // namespace fw
