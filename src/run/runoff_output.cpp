#include "run/runoff_output.h"

#include "common/round_value.h"
#include "platform/vb/format.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace fw {

namespace {

std::string printed(double x) { return vb::PrintNumber(x); }
std::string six(double x) { return printed(vb::Round(x, 6)); }

}  // namespace

std::vector<std::string> runoffHeaderLines(const RunoffHeader& h) {
  std::vector<std::string> lines;
  lines.push_back(h.dsid + " " + h.datatypeName + " " + h.unit + " " + h.siteName);
  lines.push_back(vb::Format(h.runDateTime, "yyyy-Mmm-dd hh:mm") + "  Base flow=" + printed(vb::Round(h.baseFlow, 1)) +
                  " Setup: " + h.setup + "  Formula: " + h.formula);
  std::string titles;
  if (h.curveNumber) {
    lines.push_back("CNwet=" + printed(vb::Round(h.CNwet, 2)) + " S1wet=" + printed(vb::Round(h.S1wet, 2)) +
                    " CNdry=" + printed(vb::Round(h.CNdry, 2)) + "S1dry=" + printed(vb::Round(h.S1dry, 2)) +
                    "InitialAbstraction=" + printed(h.initialAbstraction));
    titles = "Date Time\tCN\tRainfall\tCNloss\tExcess\tS1\tRainSum\tRunoff\tSoil_RecoveryF\tET+SoilRecovery\t"
             "SoilFlowCFS\tGWFlowCFS\tTotal Flow";
  } else {
    lines.push_back("Initial Loss Limits, ILdry=" + printed(h.ILdry) + " ILwet=" + printed(h.ILwet));
    titles = "Date Time\tInitialLoss\tRainfall\tLoss\tExcess\tRainSum\tRunoff\tSoil_RecoveryF\tET+SoilRecovery\t"
             "SoilFlowCFS\tGWFlowCFS\tTotal Flow";
  }
  lines.emplace_back();
  if (h.variableLag) titles += "\tLag";
  lines.push_back(titles);
  return lines;
}

std::string runoffRowText(const RunoffRow& r, bool metricUnits, bool canadaSite) {
  auto flow = [&](double x) { return printed(RoundValue(x, 30, metricUnits, canadaSite)); };
  std::string row = vb::Format(r.date, "yyyy-mm-dd hh:mm ");
  auto add = [&row](const std::string& field) { row += "\t" + field; };
  if (r.curveNumber) {
    add(six(1000 / (r.storage + 10)));
    add(printed(r.rainfall));
    add(six(r.loss));
    add(six(r.excess));
    add(six(r.storage));
    add(six(r.rainSum));
    add(printed(r.runoff));
  } else {
    add(six(r.storage));
    add(printed(r.rainfall));
    add(six(r.rainfall - r.excess));
    add(six(r.excess));
    add(six(r.rainSum));
    add(printed(r.runoff));
  }
  add(six(r.soilRecoveryF));
  add(six(r.etSoilRecovery));
  add(flow(r.soilFlowCFS));
  add(flow(r.gwFlowCFS));
  add(flow(r.totalFlow));
  if (r.variableLag) add(vb::FormatNumber(r.lag, "0.000"));
  return row;
}

std::string whatIfNote(const WhatIfNoteValues& n) {
  auto str = [](double x) { return vb::Str(x); };
  std::string text = n.caption + " ";
  switch (n.coefficient) {
    case 1:
      text += str(n.startSpace) + " ";
      if (n.limitsComputed)
        text += (n.curveNumber ? ", CNwet " : ", ILwet ") + str(n.wet) + (n.curveNumber ? ", CNdry " : ", ILdry ") +
                str(n.dry) + " ";
      break;
    case 2:
      text += str(n.constantLoss) + " ";
      break;
    case 3:
      text += str(n.imperviousPercent) + " ";
      break;
    case 4:
      text += str(n.recovery) + " ";
      break;
    case 5:
      text += str(n.wet) + ", CNdry " + str(n.dry) + " ";
      break;
    case 6:
      text += str(n.dry) + ", CNwet " + str(n.wet) + " ";
      break;
    case 7:
      text += str(n.soilLoss) + " ";
      break;
    case 8:
      text += str(n.groundwaterAdjustment) + " ";
      break;
    case 9:
      text += str(n.etFactor) + " ";
      break;
    case 10:
      text += str(n.rainMultiplier) + "*P1 ";
      break;
    case 11:
      text += str(n.groundwaterLoss);
      break;
    case 12:
      text += str(n.shapeFactor);
      break;
    case 13:
      text += str(n.lag);
      if (n.linear) text += ", K=" + str(n.shapeFactor);
      break;
    default:
      break;
  }
  return text;
}

RunoffFile::~RunoffFile() {
  try {
    close();
  } catch (...) {
    // A destructor cannot report; the run's end closes the file itself before this.
  }
}

void RunoffFile::open(const std::filesystem::path& path) {
  close();
  path_ = path;
  temporary_ = path;
  temporary_ += ".writing";
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) vb::raise(vb::err::PathFileAccess);
}

void RunoffFile::line(const std::string& text) {
  out_ << text << "\r\n";
  if (!out_) vb::raise(vb::err::PathFileAccess);
}

void RunoffFile::close() {
  if (!out_.is_open()) return;
  out_.close();
  const bool written = !out_.fail();
  std::error_code ec;
  if (written) std::filesystem::rename(temporary_, path_, ec);
  if (!written || ec) {
    std::filesystem::remove(temporary_, ec);
    vb::raise(vb::err::PathFileAccess);
  }
}

}  // namespace fw
