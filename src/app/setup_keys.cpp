#include "app/setup_keys.h"

#include <algorithm>
#include <unordered_map>

#include "app/session.h"
#include "app/what_if_keys.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "retrieval/lower_colorado.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

std::string upperKeyOf(const std::string& written) {
  return vb::UCase(vb::Trim(written.substr(0, written.find('='))));
}

bool isTrue(const std::string& value) {
  return vb::UCase(value) == "TRUE";
}

const char* trueFalse(bool b) {
  return b ? "True" : "False";
}

// A yes/no key takes True or False in any case; what another value does is the key's own rule,
// which `taken` says ("the box is not ticked by it").
SetupKey yesNo(SetupKey key, const char* taken = "the box is not ticked by it") {
  key.complaint = [taken](const std::string& value) {
    const std::string v = vb::UCase(value);
    if (v == "TRUE" || v == "FALSE") return std::string();
    return std::string("is neither True nor False; ") + taken;
  };
  return key;
}

// Text boxes: the value upper-cased.
SetupKey textKey(const char* written, TextBox MainForm::*box) {
  return {written, upperKeyOf(written),
          [box](Session& s, const std::string& v) { (s.form.*box).setText(vb::UCase(v)); },
          [box](const Session& s) { return (s.form.*box).Text; }};
}

// Check boxes: "TRUE" in any case ticks the box; any other value leaves it as it was.
SetupKey boxKey(const char* written, CheckBox MainForm::*box) {
  return yesNo({written, upperKeyOf(written),
          [box](Session& s, const std::string& v) {
            if (isTrue(v)) (s.form.*box).setValue(1);
          },
          [box](const Session& s) { return std::string(trueFalse((s.form.*box).ticked())); }});
}

SetupKey optionKey(const char* written, int16_t index) {
  return yesNo({written, upperKeyOf(written),
          [index](Session& s, const std::string& v) {
            if (isTrue(v)) s.form.optLongDir = index;
          },
          [index](const Session& s) { return std::string(trueFalse(s.form.optLongDir == index)); }},
      "the option is not chosen by it");
}

// Texts kept as written: folders and file paths (the file system is case-sensitive) and e-mail
// addresses.
SetupKey caseKey(const char* written, std::string SetupState::*field) {
  return {written, upperKeyOf(written), [field](Session& s, const std::string& v) { s.*field = v; },
          [field](const Session& s) { return s.*field; }};
}

// The same, written back only when the file gave it.
SetupKey givenCaseKey(const char* written, std::string SetupState::*field) {
  SetupKey key = caseKey(written, field);
  key.given = [field](const Session& s) { return !(s.*field).empty(); };
  return key;
}

std::string columnWidthsText(const StationGrid& grid) {
  std::string text;
  for (int c = 1; c <= 7; ++c) {
    if (c > 1) text += ",";
    text += vb::CStr(grid.ColWidth(c));
  }
  return text;
}

void readColumnWidths(StationGrid& grid, const std::string& value) {
  std::vector<std::string> entries = vb::Split(value, ",");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    int32_t width = vb::CLng(vb::Val(entries[i]));
    if (width != 0) grid.setColWidth(static_cast<int>(i) + 1, width);
  }
}

std::vector<SetupKey> buildKeys() {
  std::vector<SetupKey> k;
  k.push_back(textKey("Future Days=", &MainForm::Text7));
  k.push_back(textKey("Percent Missing Allowed= ", &MainForm::Text8));
  k.push_back(boxKey("Write Dailys= ", &MainForm::Check5));
  k.push_back(boxKey("Write Hourly Avg= ", &MainForm::Check3));
  k.push_back(boxKey("Write Daily Max= ", &MainForm::Check7));
  k.push_back(boxKey("Write Unit Values= ", &MainForm::Check6));
  k.push_back(boxKey("Write Unit Shifts= ", &MainForm::Check8));
  k.push_back(boxKey("Overwrite Protected Source 5= ", &MainForm::Check4));
  k.push_back(boxKey("Check for Possible Bad Values= ", &MainForm::Checkbadvalue));
  k.push_back(textKey("Possible Bad Value Change= ", &MainForm::Text4));
  k.push_back(boxKey("Last Runoff Run's Storage= ", &MainForm::Check2));
  k.push_back(textKey("Minutes between retrievals=", &MainForm::Text5));
  k.push_back(textKey("Max hours of radar=", &MainForm::txtRadarMaxHrs));
  k.push_back(boxKey("Save Radar greater than= ", &MainForm::chkSaveRadar));
  k.push_back(boxKey("Beep on Save= ", &MainForm::chkBeep));
  k.push_back(boxKey("Delete temporary internet files=", &MainForm::chkDeleteTMP));
  k.push_back(boxKey("Loop radar boundaries=", &MainForm::chkLoopBoundarys));
  k.push_back(optionKey("Use Nexrad Ridge1 full web file listing=", 0));
  k.push_back(optionKey("Use Nexrad short web file listing=", 1));
  k.push_back(optionKey("Use Nexrad Ridge2 Iowa State Mesonet=", 2));
  k.push_back(boxKey("Use Nowcast 70R30 line=", &MainForm::chk30R70));
  k.push_back(boxKey("Compact and Backup HDB at midnight= ", &MainForm::chkCompactRepair));
  k.push_back(caseKey("Tablewise.exe folder=", &SetupState::TablewiseFolder));
  k.push_back(caseKey("Plotwerks.exe folder=", &SetupState::PlotwerksFolder));
  k.push_back(caseKey("Skyvantor.exe folder=", &SetupState::SkyvantorFolder));
  k.push_back(caseKey("NowCast Info folder=", &SetupState::NowcastInfoFolder));
  k.push_back(caseKey("Gage Avg OnOff folder=", &SetupState::GageAvgFolder));
  k.push_back(caseKey("Radar Boundary File folder=", &SetupState::RadarBoundaryFolder));
  k.push_back(caseKey("Menu Pic=", &SetupState::MenuPic));
  k.push_back({"Menu Text Color=", "MENU TEXT COLOR",
               [](Session& s, const std::string& v) { s.MenuTextColor = vb::CLng(v); },
               [](const Session& s) { return vb::CStr(static_cast<int32_t>(s.MenuTextColor)); }});
  k.push_back(yesNo({"Minimize to System Tray=", "MINIMIZE TO SYSTEM TRAY",
                     [](Session& s, const std::string& v) {
                       if (vb::UCase(v) == "FALSE") s.TrayState = kTrayOff;
                     },
                     [](const Session& s) { return std::string(trueFalse(s.TrayState != kTrayOff)); }},
                    "it is taken as True"));
  k.push_back({"Column Widths=", "COLUMN WIDTHS",
               [](Session& s, const std::string& v) { readColumnWidths(s.Form2.MSFlexGrid1, v); },
               [](const Session& s) { return columnWidthsText(s.Form2.MSFlexGrid1); }});
  k.push_back(caseKey("Alert Address=", &SetupState::AlertAddress));
  k.push_back(caseKey("Alert Address CC=", &SetupState::AlertAddressCC));
  k.push_back(caseKey("Alert Address BCC=", &SetupState::AlertAddressBCC));
  k.push_back({"Alert Start Time=", "ALERT START TIME",
               [](Session& s, const std::string& v) { s.AlertStartTime = vb::Val(v); },
               [](const Session& s) { return vb::CStr(s.AlertStartTime); }});
  k.push_back(boxKey("Don't Ask Questions=", &MainForm::chkNoAsks));
  k.push_back(boxKey("Create Winds Aloft graphic file=", &MainForm::chkWindsaloftgraphic));
  k.push_back(yesNo({"Metric Units=", "METRIC UNITS",
                     [](Session& s, const std::string& v) {
                       s.MetricUnits = isTrue(v);
                       if (s.MetricUnits) s.form.chkMetric.setValue(1);
                     },
                     [](const Session& s) { return std::string(trueFalse(s.form.chkMetric.ticked())); }},
                    "it is taken as False"));
  k.push_back({"Shell Timed Out Minutes=", "SHELL TIMED OUT MINUTES",
               [](Session& s, const std::string& v) { s.ShellTimeoutMinutes = vb::Val(v); },
               [](const Session& s) { return vb::FormatNumber(s.ShellTimeoutMinutes, "0.0"); }});
  k.push_back(textKey("Bad/Missing Stations Allowed=", &MainForm::txtAllowedBadStations));
  k.push_back(givenCaseKey("HEC-DSS Library=", &SetupState::HecDssLibrary));
  k.push_back(givenCaseKey("SWMM Library=", &SetupState::SwmmLibrary));
  k.push_back(givenCaseKey("HEC-HMS Program=", &SetupState::HecHmsProgram));
  k.push_back(givenCaseKey("HEC-ResSim Program=", &SetupState::HecResSimProgram));
  // The services' servers: written back only when the file gave them, so that a default can
  // follow its service when it moves.
  for (const ServiceServer& row : serviceServers()) {
    const std::string service = row.service;
    k.push_back({serverKeyText(row), upperKeyOf(serverKeyText(row)),
                 [&row](Session& s, const std::string& v) { readServerSetting(s, row, v); },
                 [service](const Session& s) { return s.ServerSettings.at(service); },
                 [service](const Session& s) { return s.ServerSettings.count(service) > 0; }});
  }
  // Which USGS service gauge lines ask: "NWIS" (the RDB services) or "Water Data" (the Water
  // Data API); written back only when the file gave it. Another value leaves NWIS.
  k.push_back({"USGS Service=", "USGS SERVICE",
               [](Session& s, const std::string& v) {
                 s.UsgsWaterData = vb::UCase(vb::Trim(v)) == "WATER DATA";
                 s.UsgsServiceGiven = true;
               },
               [](const Session& s) { return s.UsgsWaterData ? std::string("Water Data") : std::string("NWIS"); },
               [](const Session& s) { return s.UsgsServiceGiven; },
               [](const std::string& v) {
                 const std::string u = vb::UCase(vb::Trim(v));
                 if (u == "NWIS" || u == "WATER DATA") return std::string();
                 return std::string("is neither NWIS nor Water Data; NWIS is used");
               }});
  // The Water Data API's key, sent as a request header and never logged.
  k.push_back({"USGS API Key=", "USGS API KEY",
               [](Session& s, const std::string& v) { s.UsgsApiKey = vb::Trim(v); },
               [](const Session& s) { return s.UsgsApiKey; },
               [](const Session& s) { return !s.UsgsApiKey.empty(); }});
  // The Lower Colorado hourly report's path on its server.
  k.push_back(
      {"Lower Colorado Report=", "LOWER COLORADO REPORT",
       [](Session& s, const std::string& v) { s.ServerSettings[kLowerColoradoReportKey] = vb::Trim(v); },
       [](const Session& s) { return s.ServerSettings.at(kLowerColoradoReportKey); },
       [](const Session& s) { return s.ServerSettings.count(kLowerColoradoReportKey) > 0; }});

  // The bounds of every download; written back only when the file gave them.
  k.push_back({"Download Time Limit=", "DOWNLOAD TIME LIMIT",
               [](Session& s, const std::string& v) { s.DownloadTimeLimitSeconds = std::max(vb::Val(v), 0.0); },
               [](const Session& s) { return vb::CStr(s.DownloadTimeLimitSeconds); },
               [](const Session& s) { return s.DownloadTimeLimitSeconds > 0; }});
  k.push_back({"Download Size Limit=", "DOWNLOAD SIZE LIMIT",
               [](Session& s, const std::string& v) { s.DownloadSizeLimitMegabytes = std::max(vb::Val(v), 0.0); },
               [](const Session& s) { return vb::CStr(s.DownloadSizeLimitMegabytes); },
               [](const Session& s) { return s.DownloadSizeLimitMegabytes > 0; }});

  // The SQLite file's journal: the write-ahead log on a local disk, or the rollback journal
  // everywhere; written back only when the file gave it.
  k.push_back({"SQLite Journal=", "SQLITE JOURNAL",
               [](Session& s, const std::string& v) {
                 s.SqliteJournal = vb::UCase(vb::Trim(v)) == "ROLLBACK" ? "Rollback" : "WAL";
                 db::setSqliteWriteAheadLog(s.SqliteJournal == "WAL");
               },
               [](const Session& s) { return s.SqliteJournal; },
               [](const Session& s) { return !s.SqliteJournal.empty(); },
               [](const std::string& v) {
                 const std::string u = vb::UCase(vb::Trim(v));
                 if (u == "WAL" || u == "ROLLBACK") return std::string();
                 return std::string("is neither WAL nor Rollback; WAL is used");
               }});
  // Downloads side by side; written back only when the file gave it.
  k.push_back({"Parallel Downloads=", "PARALLEL DOWNLOADS",
               [](Session& s, const std::string& v) {
                 s.ParallelDownloadsSetting = static_cast<int32_t>(std::clamp(vb::Val(v), 1.0, 64.0));
               },
               [](const Session& s) { return std::to_string(s.ParallelDownloadsSetting); },
               [](const Session& s) { return s.ParallelDownloadsSetting > 0; }});

  addWhatIfKeys(k);

  // Read, never written.
  k.push_back({"", "START DATE", [](Session& s, const std::string& v) { s.StartDateSetting = vb::CDate(v); },
               nullptr});
  k.push_back({"", "RADAR VALUE",
               [](Session& s, const std::string& v) { s.form.txtRadarInch.Text = vb::UCase(v); }, nullptr});
  k.push_back({"", "STATION LIST FILENAME",
               [](Session& s, const std::string& v) { s.form.Text6.Text = vb::UCase(v); }, nullptr});
  return k;
}

const std::unordered_map<std::string, std::size_t>& keyIndex() {
  static const std::unordered_map<std::string, std::size_t> index = [] {
    std::unordered_map<std::string, std::size_t> m;
    const auto& keys = setupKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) m.emplace(keys[i].upper, i);
    return m;
  }();
  return index;
}

}  // namespace

const std::vector<SetupKey>& setupKeys() {
  static const std::vector<SetupKey> keys = buildKeys();
  return keys;
}

const SetupKey* findSetupKey(const std::string& upperKey) {
  const auto& index = keyIndex();
  auto it = index.find(upperKey);
  return it == index.end() ? nullptr : &setupKeys()[it->second];
}

bool isKnownSetupKey(const std::string& upperKey) {
  return upperKey == kConnectionKey || findSetupKey(upperKey) != nullptr;
}

}  // namespace fw
