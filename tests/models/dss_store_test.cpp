// The HEC-DSS store: the pathname, interval, data type and start of a stored series worked out
// by hand, the status texts, and the calls through a fake DSS 7 library built by the tests.
#include "models/dss_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "support/test_session.h"

namespace fw::models {
namespace {

constexpr double kDay = 45448;  // 06/05/2024
const char* const kLasVegasWash = "FLOW;CFS;LAS VEGAS WASH;30;NV;09419700";

TEST(DssStore, NamesTheSeriesFromTheComputeLine) {
  int32_t minutes = 0;
  const DssSeriesHead h = dssSeriesHead(kLasVegasWash, "RHOUR", kDay + 1.0 / 24, minutes);
  EXPECT_EQ(h.pathname(), "/NV700/09419700 LAS VEGAS WASH/FLOW//1HOUR/MSA/");
  EXPECT_EQ(h.units, "CFS");
  EXPECT_EQ(h.dataType, "INST-VAL");
  EXPECT_EQ(h.startDate, "05 Jun 2024");
  EXPECT_EQ(h.startTime, "0100");

  // B is cut to 32 characters; C is the trimmed, upper-cased name.
  const DssSeriesHead longName =
      dssSeriesHead(" flow ;cfs;A VERY LONG SITE NAME INDEED OF THE RIVER;1;AZ;1005", "RDAY", kDay, minutes);
  EXPECT_EQ(longName.pathname(), "/AZ005/1005 A VERY LONG SITE NAME INDEE/FLOW//1DAY/MSA/");
}

TEST(DssStore, IntervalsDataTypesAndTheMidnightRule) {
  struct EPart {
    const char* table;
    int32_t minutes;
    const char* e;
    int32_t stored;
  };
  for (const EPart& c :
       {EPart{"RYEAR", 0, "1YEAR", 0}, EPart{"rmonth", 0, "1MONTH", 0}, EPart{"RDAY", 0, "1DAY", 0},
        EPart{"RHOUR", 0, "1HOUR", 0}, EPart{"RUNIT", 15, "15MIN", 15}, EPart{"RUNIT", 30, "30MIN", 30},
        EPart{"RUNIT", 0, "5MIN", 5}, EPart{"RUNIT", 45, "5MIN", 5}}) {
    int32_t minutes = c.minutes;
    EXPECT_EQ(dssSeriesHead(kLasVegasWash, c.table, kDay, minutes).e, c.e) << c.table << c.minutes;
    if (c.stored != 0) {
      EXPECT_EQ(minutes, c.stored);
    }
  }
  struct Type {
    const char* number;
    const char* table;
    const char* type;
  };
  for (const Type& c :
       {Type{"9", "RDAY", "INST-CUM"}, Type{"10", "RHOUR", "PER-CUM"}, Type{"11", "RUNIT", "PER-CUM"},
        Type{"27", "RDAY", "PER-CUM"}, Type{"12", "RHOUR", "INST-VAL"}, Type{"12", "RUNIT", "INST-VAL"},
        Type{"12", "RDAY", "PER-AVER"}, Type{"12", "RYEAR", "PER-AVER"}}) {
    int32_t minutes = 5;
    EXPECT_EQ(dssSeriesHead(std::string("F;U;S;") + c.number + ";NV;1001", c.table, kDay, minutes).dataType,
              c.type)
        << c.number << " " << c.table;
  }
  // Midnight is 2400 of the day before for hourly and unit series, 2400 of the same date else.
  struct Start {
    const char* table;
    double at;
    const char* date;
    const char* time;
  };
  for (const Start& c :
       {Start{"RHOUR", kDay, "04 Jun 2024", "2400"}, Start{"RUNIT", kDay, "04 Jun 2024", "2400"},
        Start{"RDAY", kDay, "05 Jun 2024", "2400"}, Start{"RMONTH", kDay, "05 Jun 2024", "2400"},
        Start{"RUNIT", kDay + 0.5, "05 Jun 2024", "1200"}}) {
    int32_t minutes = 5;
    const DssSeriesHead h = dssSeriesHead(kLasVegasWash, c.table, c.at, minutes);
    EXPECT_EQ(h.startDate, c.date) << c.table;
    EXPECT_EQ(h.startTime, c.time) << c.table;
  }
}

TEST(DssStore, StatusTexts) {
  EXPECT_EQ(ZsrtsStatusText(0), "The data was successfully stored.");
  EXPECT_EQ(ZsrtsStatusText(4), "All of the input data provided were missing data flags (-901).");
  EXPECT_EQ(ZsrtsStatusText(11), "The number of values to store is less than one.");
  EXPECT_EQ(ZsrtsStatusText(12),
            "A non-standard time interval was provided in the ' E' part of the pathname.");
  EXPECT_EQ(ZsrtsStatusText(15), "The starting date or time is invalid.");
  EXPECT_EQ(ZsrtsStatusText(24),
            "The pathname given does not meet the regular-interval time series conventions.");
  EXPECT_EQ(ZsrtsStatusText(51),
            "Unrecognized data compression scheme (when ZSCOMP is called prior to ZSRTS). Valid schemes are "
            "0 to 5.");
  EXPECT_EQ(
      ZsrtsStatusText(53),
      "Invalid precision exponent specified for the \r\ndelta data compression method (when ZSCOMP is called "
      "prior to \r\nZSRTS). The precision exponent range is -6 to 6.");
  EXPECT_EQ(ZrrtsStatusText(0), "All data retrieved.");
  EXPECT_EQ(ZrrtsStatusText(1), "Some missing data was detected (-901).");
  EXPECT_EQ(ZrrtsStatusText(2), "Missing record(s) (-902), but some data was found.");
  EXPECT_EQ(ZrrtsStatusText(3),
            "Missing record(s) and missing data in the data set but some data was found.");
  EXPECT_EQ(ZrrtsStatusText(4), "There was no data for this time window, but a record was read.");
  EXPECT_EQ(ZrrtsStatusText(5), "No records were found (the data returned all -902' s).");
  EXPECT_EQ(ZrrtsStatusText(11), "The number of values requested was less than one.");
  EXPECT_EQ(ZrrtsStatusText(12), ZsrtsStatusText(12));
  EXPECT_EQ(ZrrtsStatusText(15), "The starting date or time was not recognized.");
  EXPECT_EQ(ZrrtsStatusText(20), "The data was not recognized as regular-interval time series.");
  EXPECT_EQ(ZrrtsStatusText(24), ZsrtsStatusText(24));
  EXPECT_EQ(ZrrtsStatusText(53), "The data could not be un-compressed.");
  for (int32_t code : {1, 2, 3, 5, 7, 20, 99, -1}) EXPECT_EQ(ZsrtsStatusText(code), "") << code;
  for (int32_t code : {7, 51, 99}) EXPECT_EQ(ZrrtsStatusText(code), "") << code;
}

// A store over the fake library, its calls recorded in the test's folder.
struct FakeDss {
  testing::TestSession t;
  std::string library = FW_FAKE_HECDSS;
  std::vector<std::string> told;
  HecDssStore store{[this] { return library; }, [this](const std::string& text) { told.push_back(text); }};
  std::string calls = (t.folder / "calls.txt").string();
  FakeDss() { ::setenv("FW_FAKE_DSS_CALLS", calls.c_str(), 1); }
  ~FakeDss() {
    ::unsetenv("FW_FAKE_DSS_CALLS");
    ::unsetenv("FW_FAKE_DSS_STORE_STATUS");
  }
  std::vector<std::string> recorded() const {
    return vb::fileExists(calls) ? vb::readLines(calls) : std::vector<std::string>{};
  }
  DssWriteCall unitSeries(const std::string& target, size_t n) const {
    DssWriteCall w;
    w.target = target;
    w.start = kDay;
    w.key = kLasVegasWash;
    w.table = "RUNIT";
    for (size_t i = 0; i < n; ++i) w.values.push_back(static_cast<float>(i) * 0.25f + 0.1f);
    w.count = static_cast<int32_t>(n);
    w.stepMinutes = 15;
    return w;
  }
};

TEST(DssStore, StoresAndReadsBackThroughTheLibrary) {
  FakeDss f;
  const std::string target = (f.t.folder / "new" / "flows.dss").string();
  DssWriteCall w = f.unitSeries(target, 289);
  f.store.WriteDssSeries(f.t.s, w);
  ASSERT_EQ(w.error, "");
  EXPECT_EQ(f.told, (std::vector<std::string>{target + " ... not found and will be created."}));
  const std::vector<std::string> calls = f.recorded();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "open " + target);
  EXPECT_EQ(calls[1],
            "store /NV700/09419700 LAS VEGAS WASH/FLOW//15MIN/MSA/|04 Jun 2024|2400|289|CFS|INST-VAL|1|0||0");
  EXPECT_EQ(calls[2], "close");

  // Three days of 15-minute values, as a COMPUTE import asks for them.
  ASSERT_TRUE(f.store.ZOPEN_(f.t.s, target));
  DssReadCall r;
  r.pathname = "/NV700/09419700 LAS VEGAS WASH/FLOW//15MIN/MSA/";
  r.startDate = "04 Jun 2024";
  r.startTime = "2400";
  r.count = 289;
  r.values.assign(291, 0.0f);
  f.store.ZRRTS_(f.t.s, r);
  f.store.ZCLOSE_(f.t.s);
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.count, 289);
  EXPECT_EQ(std::vector<float>(r.values.begin(), r.values.begin() + 289), w.values);
  EXPECT_EQ(f.recorded()[4],
            "retrieve /NV700/09419700 LAS VEGAS WASH/FLOW//15MIN/MSA/|04 Jun 2024|2400|07 Jun 2024|2400|289");

  // Slots the file has no value for come back as heclib's missing value; a series it does not
  // hold is not found.
  r.startDate = "07 Jun 2024";
  r.count = 3;
  ASSERT_TRUE(f.store.ZOPEN_(f.t.s, target));
  f.store.ZRRTS_(f.t.s, r);
  EXPECT_EQ(r.count, 3);
  EXPECT_FLOAT_EQ(r.values[0], 72.1f);
  EXPECT_EQ(r.values[1], -901.0f);
  r.pathname = "/NV700/OTHER/FLOW//15MIN/MSA/";
  r.count = 3;
  f.store.ZRRTS_(f.t.s, r);
  f.store.ZCLOSE_(f.t.s);
  EXPECT_EQ(r.count, 0);
  EXPECT_EQ(r.status, 5);
}

TEST(DssStore, ANewFileReplacesTheOldOnlyOnceTheSeriesIsStored) {
  FakeDss f;
  const std::string target = (f.t.folder / "out.dss").string();
  vb::writeAllBytes(target, "old series\n");
  vb::writeAllBytes(f.t.folder / "out.dsc", "old catalogue");

  ::setenv("FW_FAKE_DSS_STORE_STATUS", "24", 1);
  DssWriteCall w = f.unitSeries(target, 4);
  w.newFile = true;
  f.store.WriteDssSeries(f.t.s, w);
  EXPECT_EQ(w.error, "The pathname given does not meet the regular-interval time series conventions.");
  EXPECT_EQ(vb::readAllBytes(target), "old series\n");
  EXPECT_TRUE(vb::fileExists(f.t.folder / "out.dsc"));
  ::setenv("FW_FAKE_DSS_STORE_STATUS", "-3", 1);
  f.store.WriteDssSeries(f.t.s, w);
  EXPECT_EQ(w.error, "HEC-DSS could not store the series (status -3).");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.t.folder.path()), {}), 3);  // no leftovers

  ::unsetenv("FW_FAKE_DSS_STORE_STATUS");
  f.store.WriteDssSeries(f.t.s, w);
  EXPECT_EQ(w.error, "");
  EXPECT_EQ(vb::InStr(vb::readAllBytes(target), "old series"), 0);
  EXPECT_EQ(vb::InStr(vb::readAllBytes(target), "/NV700/09419700 LAS VEGAS WASH/FLOW//15MIN/MSA/|"), 1);
  EXPECT_FALSE(vb::fileExists(f.t.folder / "out.dsc"));
  EXPECT_TRUE(f.told.empty());  // the file was there
}

TEST(DssStore, WithoutTheLibraryEveryCallSaysWhichFileWasLookedFor) {
  FakeDss f;
  f.library = (f.t.folder / "libhecdss.so").string();
  DssWriteCall w = f.unitSeries((f.t.folder / "out.dss").string(), 2);
  f.store.WriteDssSeries(f.t.s, w);
  EXPECT_EQ(w.error, "HEC-DSS library not found: " + f.library);
  EXPECT_FALSE(vb::fileExists(f.t.folder / "out.dss"));
  try {
    f.store.ZOPEN_(f.t.s, (f.t.folder / "in.dss").string());
    ADD_FAILURE() << "opened without a library";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.description(), "HEC-DSS library not found: " + f.library);
  }
  // A library without HEC-DSS's entry points is no HEC-DSS library.
  f.library = FW_FAKE_SWMM5;
  f.store.WriteDssSeries(f.t.s, w);
  EXPECT_EQ(w.error,
            std::string("HEC-DSS library not found: ") + FW_FAKE_SWMM5 + " (not a HEC-DSS 7 library)");
}

}  // namespace
}  // namespace fw::models
