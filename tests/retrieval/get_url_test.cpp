// GetURL over the loopback services: what a caller gets back, what it flags and logs, the copy.
#include <filesystem>

#include "platform/vb/error.h"
#include "retrieval/get_url.h"
#include "retrieval/retrieval_fixture.h"
#include "run/service_fakes.h"

namespace fw {
namespace {

using testing::bytesPattern;
using testing::gzipOf;
using testing::gzipPlainText;
using testing::readFile;

class GetUrl : public testing::RetrievalFixture {};

TEST_F(GetUrl, CleanBodiesComeBackWholeWithoutFlagOrLog) {
  struct Case {
    std::string path;
    std::string body;
  } cases[] = {
      {"/empty", ""},
      {"/bytes/149999", bytesPattern(149999)},
      {"/bytes/150000", bytesPattern(150000)},
      {"/bytes/1000000", bytesPattern(1000000)},
      {"/redirect/bytes/31001", bytesPattern(31001)},
      {"/status/503", "status 503 body"},
      {"/gzip", gzipPlainText()},
      {"/archive.gz", gzipOf(gzipPlainText())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    s.LastError = "earlier";
    const std::string text = GetURL(s, http.base() + c.path, false);
    EXPECT_TRUE(text == c.body) << text.size() << " bytes";
    EXPECT_FALSE(s.InternetFailed);
    EXPECT_EQ(s.LastError, "earlier");
  }
  EXPECT_TRUE(logged().empty());
  EXPECT_TRUE(internet->isOpen());
}

TEST_F(GetUrl, FtpFilesArriveByteExactAndAMissingOneIsAnOpenFailure) {
  testing::LoopbackFtpServer ftp;
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  const std::string expected = readFile(testing::fixturesFolder() / "ftp/pub/sample.bin");
  const std::string port = std::to_string(ftp.port());
  EXPECT_TRUE(GetURL(s, "ftp://127.0.0.1:" + port + "/pub/sample.bin", false) == expected);
  EXPECT_TRUE(GetURL(s, "FTP://127.0.0.1:" + port + "/pub/sample.bin", true) == expected);
  EXPECT_FALSE(s.InternetFailed);

  const std::string missing = "ftp://127.0.0.1:" + port + "/pub/missing.csv";
  EXPECT_EQ(GetURL(s, missing, false), "");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(s.LastError, "Internet open fail, service provider down: " + missing.substr(0, 20));
}

TEST_F(GetUrl, AnOpenFailureFlagsAndLogs) {
  shortTimeout();
  const std::string url = http.base() + "/silent";
  EXPECT_EQ(GetURL(s, url, false), "");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(s.LastError, "Internet open fail, service provider down: " + url.substr(0, 20));
  ASSERT_FALSE(logged().empty());
  EXPECT_EQ(logged().back(), s.LastError);
  EXPECT_TRUE(s.BrokenDownload.empty());
  // A plain open failure keeps the session.
  EXPECT_TRUE(internet->isOpen());
  // The next call starts clean.
  GetURL(s, http.base() + "/empty", false);
  EXPECT_FALSE(s.InternetFailed);
}

// A reply that began but broke off or passed a limit is dropped whole, says why, and is kept in
// BrokenDownload for the line to fail with; the service answered, so it is not flagged as down.
TEST_F(GetUrl, ABrokenReplyIsDroppedWholeAndSaysWhy) {
  shortTimeout();
  s.DownloadTimeLimitSeconds = 1.5;
  s.DownloadSizeLimitMegabytes = 1;
  const std::string fixture = "usgs/iv_two_params.rdb";
  http.routeHostile("/cut", fixture, testing::Hostile::CutBody);
  http.routeHostile("/chunked", fixture, testing::Hostile::ChunkWithoutEnd);
  http.routeHostile("/bomb", fixture, testing::Hostile::GzipBomb, 3u << 20);
  http.routeHostile("/big", fixture, testing::Hostile::Oversized, 2u << 20);
  http.routeHostile("/drip", fixture, testing::Hostile::Drip);
  struct Case {
    std::string path;
    std::string error;
  } cases[] = {
      {"/cut", "Internet reply was cut short: "},
      {"/chunked", "Internet reply was cut short: "},
      {"/short", "Internet reply was cut short: "},
      {"/stall", "Internet reply was cut short, no more of it came within the time-out: "},
      {"/drip", "Internet download was too slow (under 100 bytes a second) and was stopped: "},
      {"/bomb", "Internet reply is larger than the download size limit of 1 MB: "},
      {"/big", "Internet reply is larger than the download size limit of 1 MB: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    s.BrokenDownload.clear();
    const std::string url = http.base() + c.path;
    EXPECT_EQ(GetURL(s, url, false), "");
    EXPECT_FALSE(s.InternetFailed);
    EXPECT_EQ(s.LastError, c.error + url.substr(0, 20));
    EXPECT_EQ(s.BrokenDownload, s.LastError);
    ASSERT_FALSE(logged().empty());
    EXPECT_EQ(logged().back(), s.LastError);
    EXPECT_TRUE(internet->isOpen());
  }
  // The time limit, with a time-out long enough that the drip is not too slow for it.
  internet = std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, testing::kTestTimeoutMs);
  s.services.internet = internet;
  const std::string url = http.base() + "/drip";
  EXPECT_EQ(GetURL(s, url, false), "");
  EXPECT_EQ(s.BrokenDownload, "Internet download passed the download time limit of 1.5 s and was stopped: " +
                                  url.substr(0, 20));
}

TEST_F(GetUrl, ARefusedConnectionIsAnOpenFailure) {
  const std::string url = "http://127.0.0.1:1/nwis/iv/";
  EXPECT_EQ(GetURL(s, url, false), "");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(s.LastError, "Internet open fail, service provider down: http://127.0.0.1:1/n");
}

// A handle that breaks down the way only a faulty layer can.
class ThrowingInternet : public FakeInternet {
 public:
  struct Handle : net::UrlHandle {
    net::ReadResult read(char*, std::size_t) override { throw vb::Error(12056, "the layer broke"); }
    bool close() override { return true; }
  };
  std::unique_ptr<net::UrlHandle> openUrl(const std::string&, uint32_t) override {
    return std::make_unique<Handle>();
  }
};

TEST_F(GetUrl, AnErrorDuringTheTransferClosesTheSessionAndTheNextCallOpensANewOne) {
  auto broken = std::make_shared<ThrowingInternet>();
  s.services.internet = broken;
  EXPECT_EQ(GetURL(s, http.base() + "/bytes/10", false), "");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(s.LastError, "Internet recieve timed out. the layer broke");
  EXPECT_FALSE(broken->isOpen());
  GetURL(s, http.base() + "/bytes/10", false);
  EXPECT_EQ(broken->opens, 2);
}

TEST_F(GetUrl, NoSessionSaysSoWithABoxUnlessInBatch) {
  auto refused = std::make_shared<FakeInternet>();
  refused->refuse = true;
  s.services.internet = refused;
  EXPECT_EQ(GetURL(s, http.base() + "/bytes/10", false), "");
  EXPECT_EQ(refused->opens, 2);
  EXPECT_FALSE(s.InternetFailed);
  EXPECT_EQ(s.LastError, "No internet connection...");
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "No internet connection...");
  EXPECT_EQ(logged().back(), "No internet connection...");
  EXPECT_TRUE(http.requests().empty());

  s.BatchMode = true;
  GetURL(s, http.base() + "/bytes/10", false);
  EXPECT_EQ(t.ui.boxes.size(), 1u);
}

TEST_F(GetUrl, TheTickedBoxCopiesTheNextDownloadOnceAndIsUnticked) {
  const auto copy = t.folder / "download.txt";
  s.form.chkdownloadtxt.Value = 1;
  const std::string url = http.base() + "/bytes/70";
  GetURL(s, url, false);
  EXPECT_EQ(readFile(copy), url + "\r\n\r\n" + bytesPattern(70));
  EXPECT_EQ(s.form.chkdownloadtxt.Value, 0);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Internet retrieval saved to download.txt");

  std::filesystem::remove(copy);
  GetURL(s, url, false);
  EXPECT_FALSE(std::filesystem::exists(copy));

  // Also after an open failure, with nothing after the line ends; in batch the note is logged.
  s.BatchMode = true;
  s.form.chkdownloadtxt.Value = 1;
  GetURL(s, "http://127.0.0.1:1/x", false);
  EXPECT_EQ(readFile(copy), "http://127.0.0.1:1/x\r\n\r\n");
  EXPECT_EQ(logged().back(), "Internet retrieval saved to download.txt");
  EXPECT_EQ(t.ui.boxes.size(), 1u);
}

TEST_F(GetUrl, ReloadAsksPastCachesAndTheSessionWaitsCallingDoEvents) {
  shortTimeout();
  GetURL(s, http.base() + "/empty", true);
  GetURL(s, http.base() + "/empty", false);
  auto requests = http.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].headers["Cache-Control"], "no-cache");
  EXPECT_EQ(requests[1].headers.count("Cache-Control"), 0u);
  const int before = t.ui.doEventsCalls;
  GetURL(s, http.base() + "/silent", false);
  EXPECT_GE(t.ui.doEventsCalls - before, 6);
}

}  // namespace
}  // namespace fw
