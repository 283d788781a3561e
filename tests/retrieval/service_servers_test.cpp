// The "<Service> Server=" settings: read, checked, written back only when given.
#include "retrieval/service_servers.h"
#include "app/setup_file.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::TestSession;
using testing::writeFile;

void readSetup(TestSession& t, const std::string& settings) {
  writeFile(t.folder / "Flumewright_setup.txt",
            settings + "Database Connection String=x\r\n" + kStationListHeader + "\r\nEND\r\n");
  getstationfile(t.s);
}

TEST(ServiceServers, EveryServiceHasItsPublicHostUntilTheSetupFileNamesAnother) {
  TestSession t;
  EXPECT_EQ(serverBase(t.s, kUsgsService), "https://waterservices.usgs.gov");
  EXPECT_EQ(serverBase(t.s, kUsgsLegacyService), "https://waterdata.usgs.gov");
  for (const ServiceServer& row : serviceServers()) {
    SCOPED_TRACE(row.service);
    // The irrigation network's files are only served over FTP.
    const char* scheme = std::string(row.service) == kCimisService ? "ftp://" : "https://";
    EXPECT_EQ(std::string(row.defaultBase).find(scheme), 0u);
    EXPECT_NE(std::string(row.defaultBase).back(), '/');
  }
  EXPECT_THROW(serverBase(t.s, "Nowhere"), vb::Error);
}

TEST(ServiceServers, TheReaderTrimsKeepsCaseDropsTheSlashAndRefusesWhatIsNoServer) {
  struct Case {
    std::string value;
    std::string base;  // empty: refused, the default stays
  } cases[] = {
      {"  http://127.0.0.1:8080/ ", "http://127.0.0.1:8080"},
      {"HTTPS://Mirror.Example.org", "HTTPS://Mirror.Example.org"},
      {"ftp://[::1]:2121//", "ftp://[::1]:2121"},
      {"waterservices.usgs.gov", ""},
      {"file:///etc", ""},
      {"http://", ""},
      {"http://host/path", ""},
      {"http://host:80x", ""},
      {"http://a b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    TestSession t;
    readSetup(t, "usgs server=" + c.value + "\r\n");
    if (c.base.empty()) {
      EXPECT_EQ(serverBase(t.s, kUsgsService), "https://waterservices.usgs.gov");
      ASSERT_EQ(t.ui.boxes.size(), 1u);
      EXPECT_EQ(t.ui.boxes[0].text.find("USGS Server="), 0u);
    } else {
      EXPECT_EQ(serverBase(t.s, kUsgsService), c.base);
      EXPECT_TRUE(t.ui.boxes.empty());
    }
  }
}

TEST(ServiceServers, TheWriterWritesBackOnlyTheKeysTheFileGaveAfterTheOthers) {
  TestSession t;
  readSetup(t, "Future Days=1\r\nUSGS Server=http://127.0.0.1:9/\r\n");
  const std::string text = setupFileText(t.s, "");
  EXPECT_NE(text.find("\r\nUSGS Server=http://127.0.0.1:9\r\n"), std::string::npos);
  EXPECT_EQ(text.find("USGS Legacy Server="), std::string::npos);
  EXPECT_GT(text.find("USGS Server="), text.find("Bad/Missing Stations Allowed="));

  // Read again without the key, the default is back and nothing is written.
  readSetup(t, "Future Days=1\r\n");
  EXPECT_EQ(serverBase(t.s, kUsgsService), "https://waterservices.usgs.gov");
  EXPECT_EQ(setupFileText(t.s, "").find("Server="), std::string::npos);
}

TEST(ServiceServers, RequestValuesArePercentEncoded) {
  EXPECT_EQ(percentEncode("09380000"), "09380000");
  EXPECT_EQ(percentEncode("a-b._~Z"), "a-b._~Z");
  EXPECT_EQ(percentEncode("1 2&3#4,5%"), "1%202%263%234%2C5%25");
}

}  // namespace
}  // namespace fw
