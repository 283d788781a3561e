#include "app/setup_data.h"

#include <exception>
#include <vector>

#include "app/session.h"
#include "app/setup_file.h"
#include "app/site_table.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "radar/colour_tables.h"

namespace fw {

namespace {

// Share of a day's evapotranspiration falling in each hour 0 to 23 (they sum to about 1).
constexpr const char* kEtHourFractions =
    "0.010397326,0.005198663,0.003713331,0.002970665,0,0.001485332,0.00037133,0,0.00965466,0.027478648,"
    "0.048644634,0.070181953,0.088377274,0.10731526,0.11548459,0.122539918,0.107686595,0.093575938,"
    "0.083921277,0.059784627,0.030449313,0.008169328,0.001113999,0.000742666";
// Months 1 to 12.
constexpr const char* kMonthlyCoefficients = "0.50,0.50,0.63,0.74,0.79,0.84,1.00,1.00,0.84,0.79,0.74,0.50";

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

}  // namespace

void buildBuiltinTables(Session& s) {
  s.EtHourFractions.fill(0);
  std::vector<std::string> et = vb::Split(kEtHourFractions, ",");
  for (std::size_t h = 0; h < et.size() && h < 24; ++h) s.EtHourFractions[h] = vb::Val(et[h]);
  s.MonthlyCoefficients.fill(0);
  std::vector<std::string> months = vb::Split(kMonthlyCoefficients, ",");
  for (std::size_t m = 0; m < months.size() && m < 12; ++m) s.MonthlyCoefficients[m + 1] = vb::Val(months[m]);
}

std::string folderTagFor(const std::filesystem::path& programFolder) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : programFolder.string()) {
    if (c == '/' || c == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  while (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // a trailing separator
  if (parts.size() < 2) return "Vor";
  const std::string& parent = parts[parts.size() - 2];
  if (parent.empty() || parent.back() == ':') return "Vor";  // the root, or a drive's root
  return vb::Left(parent, 12);
}

void setupdata(Session& s) {
  s.SetupChanged = false;
  buildBuiltinTables(s);
  loadColourTables(s);
  getstationfile(s);
  // Without a setup file there is no database to load the sites from: the setup file's own
  // message says what is wrong, and no second one about a missing connection follows.
  if (!s.SetupUnread) {
    try {
      getrsite(s);
    } catch (const std::exception& e) {
      notify(s, describe(e));
    }
  }
  s.FolderTag = folderTagFor(s.programFolder);
  if (s.HdbDaoRsOpen) {
    if (s.HdbDaoRs.isOpen()) s.HdbDaoRs.Close();
    s.HdbDaoRsOpen = false;
  }
}

}  // namespace fw
