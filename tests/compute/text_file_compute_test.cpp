#include "compute/text_file_compute.h"

#include <gtest/gtest.h>

#include "app/session.h"
#include "platform/vb/strings.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

constexpr int32_t kDay = 45448;  // 06/05/2024

struct TextFixture {
  fw::testing::TestSession t;
  Session& s = t.s;
  TextFixture() {
    s.BatchMode = true;
    s.RealtimeMode = true;
    s.RunDay = kDay;
  }
  SourceCall call(const std::string& id, const std::string& text, const std::string& layout = "",
                  int32_t days = 2) {
    fw::testing::writeFile(t.folder / "logger.txt", text);
    SourceCall c;
    c.SourceType = 13;
    c.StationId = id;
    c.ParameterCode = "logger.txt";
    c.DateLayout = layout;
    c.DayCount = days;
    computefromtextfile(s, c);
    return c;
  }
};

TEST(TextFileCompute, ColumnsDelimitersAndDates) {
  struct Case {
    const char* id;
    const char* text;
    const char* layout;
    const char* expected;  // the rows after the title
  };
  const Case cases[] = {
      // ";" with a decimal comma, LF ends, a header and a line starting 00:30.
      {"FILE-4", "Date;Time;A;B\n06/05/2024 01:00;x;y;1,5\n00:30;1;2;3\n06/05/2024 02:00;x;y;2\n", "",
       "Z\t06/05/2024 01:00\t1.5\nZ\t06/05/2024 02:00\t2\n"},
      // Day first, the time in the next field.
      {"FILE-3", "05/06/24,13:00,7\r\n", "DD/MM/YY,1", "Z\t06/05/2024 13:00\t7\n"},
      // TAB gives more fields than the comma.
      {"FILE-3", "06/05/2024 01:00\t1,5\t9\t4\r\n", "", "Z\t06/05/2024 01:00\t9\n"},
      // Blanks: FILE-4 is the third filled field; FILE-3 the time text.
      {"FILE-4", "06/05/2024   13:00  2.5 3.1\r\n", "", "Z\t06/05/2024 13:00\t2.5\n"},
      {"FILE-3", "06/05/2024   13:00  2.5 3.1\r\n", "", "Z\t06/05/2024 13:00\t13:00\n"},
      // A short line is skipped, with blanks and with ",".
      {"FILE-5", "06/05/2024 13:00 2.5\r\n06/05/2024 14:00 1 2 3\r\n", "", "Z\t06/05/2024 14:00\t2\n"},
      {"FILE-3", "06/05/2024 13:00,1\r\n06/05/2024 14:00,1,2\r\n", "", "Z\t06/05/2024 14:00\t2\n"},
  };
  for (const Case& k : cases) {
    TextFixture f;
    SourceCall c = f.call(k.id, k.text, k.layout);
    EXPECT_EQ(c.Error, "") << k.text;
    EXPECT_EQ(c.RetrievalText, std::string("Compute from Text File\n") + k.expected) << k.text;
  }
}

TEST(TextFileCompute, HistoryWindowEndsAtTheEndDaysMidnight) {
  TextFixture f;
  f.s.RealtimeMode = false;
  f.s.form.TextBegindate.Text = "2024-06-04 00:00";
  f.s.form.TextEnddate.Text = "2024-06-05 00:00";
  SourceCall c = f.call("FILE-2", "06/03/2024 23:00;1\n06/05/2024 00:00;2\n06/05/2024 06:00;3\n");
  EXPECT_EQ(c.RetrievalText, "Compute from Text File\nZ\t06/05/2024 00:00\t2\n");
}

TEST(TextFileCompute, ErrorTexts) {
  TextFixture f;
  SourceCall c = f.call("FILE", "06/05/2024 01:00;1\n");
  EXPECT_EQ(c.Error, "No data column value (ex: File-4)");
  c = f.call("FILE-2", "01/01/2020 01:00;1\n01/02/2020 01:00;1\n");
  EXPECT_EQ(c.Error, "No data for time period.\r\ndata:  1/1/2020 1:00:00 AM to 1/2/2020 1:00:00 AM");
  EXPECT_EQ(fw::testing::readFile(f.t.folder / "wunderin.txt"), "Compute from Text File\n");
  c = f.call("FILE-2", "");
  std::filesystem::remove(f.t.folder / "logger.txt");
  computefromtextfile(f.s, c);
  EXPECT_EQ(c.Error, "File not found  logger.txt");
  EXPECT_EQ(c.RetrievalText, "");
}

}  // namespace
}  // namespace fw::compute
