#include "retrieval/madis_collect.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/madis_history.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"
#include "store/update_rows.h"

namespace fw {

namespace {

constexpr std::size_t kShortCgiReply = 500;  // a reply below this holds no observations
constexpr std::size_t kNewDataLength = 100;  // less new text than this does not count as a collection
constexpr const char* kCgiQuery =
    "/madisPublic1/cgi-bin/madisXmlPublicDir?rdr=&time=0&minbck=-59&minfwd=0&recwin=3&dfltrsel=1&state=NV"
    "&latll=LATSW&lonll=LONSW&latur=LATNE&lonur=LONNE&stanam=&stasel=0&pvdrsel=0&varsel=1&qctype=0&qcsel=1"
    "&xml=3&csvmiss=1";
const char* const kFullVariables[] = {"TD", "RH",      "ALTSE",   "T",      "DD",
                                      "FF", "PCPRATE", "PCPTOTL", "SOLRAD", "P"};
const char* const kPrecipitationVariables[] = {"PCPRATE", "PCPTOTL"};

}  // namespace

std::array<double, 4> madisBox(const std::string& box) {
  const std::vector<std::string> parts = vb::Split(box, ",");
  if (parts.size() < 4) vb::raise(vb::err::SubscriptOutOfRange);
  std::array<double, 4> b{};
  for (std::size_t i = 0; i < 4; ++i) b[i] = vb::CDbl(vb::Trim(parts[i]));
  if (b[2] < b[0]) std::swap(b[0], b[2]);
  if (b[3] < b[1]) std::swap(b[1], b[3]);
  return b;
}

void GetMadis(Session& s, SourceCall& c) {
  c.Error.clear();
  std::string& error = c.Error;
  try {
    const int16_t base1 = vb::CInt(vb::Val(c.Triples[1].base));
    if (!(s.BatchMode && base1 == 3)) {
      error =
          " MADIS hourly netCDF files are not collected by this program; base1 3 in a batch run asks the "
          "CGI.";
    } else {
      const std::string& boxText = c.Triples[1].shift;
      if (vb::InStr(boxText, ",") == 0) notify(s, "Shif1 should have 4 laglong box values.");
      const std::array<double, 4> box = madisBox(boxText);
      bool daylight = false;
      const float offset = TZOffset(s, daylight);
      const std::filesystem::path history = s.inProgramFolder(kMadisHistoryName);
      if (!vb::fileExists(history) && s.RealtimeMode)
        notify(s, "No My5DayMadis.txt found, begin Today 00:00");

      // The hour the CGI's last 59 minutes belong to.
      const vb::VbDate now = s.RunDateTime;
      const vb::VbDate start = now - 1.0 / 24;
      const vb::VbDate startUtc = start + offset / 24.0;
      const vb::VbDate hourUtc = vb::CDate(vb::Format(startUtc, "yyyy/mm/dd hh:00"));
      const std::string hourName = vb::Format(hourUtc, "YYYYMMDD_HH00");
      logPaneLine(s, "Working...");
      logPaneLine(
          s, hourName + "  local " + vb::Format(hourUtc - offset / 24.0, "Mmm d, hh:00") + " Madis Html");

      std::string url = kCgiQuery;
      url = vb::Replace(url, "LATSW", vb::CStr(box[0]));
      url = vb::Replace(url, "LONSW", vb::CStr(box[1]));
      url = vb::Replace(url, "LATNE", vb::CStr(box[2]));
      url = vb::Replace(url, "LONNE", vb::CStr(box[3]));
      if (c.ParameterCode.empty())
        for (const char* v : kFullVariables) url += std::string("&nvars=") + v;
      else
        for (const char* v : kPrecipitationVariables) url += std::string("&nvars=") + v;
      const std::string reply = GetURL(s, serverBase(s, kMadisService) + url, false);
      if (reply.size() < kShortCgiReply) {
        error = c.StationId + " No html batch data found or internet down.";
      } else {
        std::string rows = reply;
        if (const int pre = vb::InStr(rows, "<PRE>"); pre > 0) rows = vb::Mid(rows, pre + 5);
        if (const int end = vb::InStr(rows, "</PRE>"); end > 0) rows = vb::Left(rows, end - 1);
        const std::string header = hourName + vb::Format(hourUtc, " mm-dd-yyyy hh:mm") + " GMT > " +
                                   vb::Format(hourUtc - offset / 24.0, "mm-dd-yyyy hh:mm") + " local\n";
        {
          std::ofstream out(history, std::ios::binary | std::ios::app);
          out << header << rows << "\r\n";
          if (!out) vb::raise(vb::err::PathFileAccess);
        }
        s.errlog.writeLine("Madis " + hourName);
        if (s.RealtimeMode && rows.size() > kNewDataLength)
          (s.HdbUseDAO ? hdbupdateDAO : hdbupdate)(s, "30", "MADIS", vb::Variant::Date(hourUtc + 1.0 / 24),
                                                   0);
      }
      logPaneLine(s, "Finished Madis");
    }
  } catch (const std::exception& e) {
    error = std::string("MADIS ") + e.what();
  }
  if (!error.empty()) s.LastError = c.StationId + error;
}

}  // namespace fw
