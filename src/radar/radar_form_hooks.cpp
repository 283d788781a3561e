#include "radar/radar_form_hooks.h"

#include <cctype>
#include <chrono>
#include <optional>
#include <thread>

#include "app/date_form.h"
#include "app/radar_form.h"
#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "radar/image_sources.h"
#include "radar/radar_io.h"
#include "radar/winds_aloft.h"

namespace fw {

namespace {

constexpr auto kStepPoll = std::chrono::milliseconds(200);

// The number right after the first `letter` that a digit follows (digits and a point only: "T1 E3"
// is 1 hour, not 1E3); 0 when there is none.
double numberAfter(const std::string& text, char letter) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != letter || !std::isdigit(static_cast<unsigned char>(text[i + 1]))) continue;
    std::size_t end = i + 1;
    while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
    return vb::Val(text.substr(i + 1, end - i - 1));
  }
  return 0;
}

}  // namespace

NowcastOptions parseNowcastOptions(const std::string& options) {
  NowcastOptions o;
  const std::string text = vb::UCase(vb::Trim(options));
  if (vb::InStr(text, "NOWCAST") == 0) return o;
  o.Asked = true;
  o.Hours = numberAfter(text, 'T');
  o.AdjustType = vb::toInteger(numberAfter(text, 'E'));
  o.WindsStation = vb::Right(text, 3);
  return o;
}

int32_t nowcastImageCount(double hours, int lastImageMinute, double intervalMinutes) {
  int32_t n = vb::toLong(hours);
  if (lastImageMinute >= 8 && lastImageMinute <= 26) --n;
  if (n < 1) n = 1;
  return vb::toLong(60.0 / intervalMinutes * n - 1);
}

bool RadarFormHooks::viewOff(bool batchMode) const {
  RadarForm& f = s_.Form3;
  if (batchMode) f.RadarViewOff = !f.RadarViewShown;
  return f.RadarViewOff;
}

double RadarFormHooks::suppressRate() const { return s_.Form3.RadarSuppressRate; }

bool RadarFormHooks::continuous() const { return s_.Form3.RadarContinuous; }

void RadarFormHooks::drawImage(Session& s, const RadarImageShown& image) {
  RadarForm& f = s.Form3;
  if (!f.Visible) {
    // The run opens the window and lets itself go on until the user pauses it.
    f.Visible = true;
    f.RadarViewShown = true;
    f.RadarContinuous = true;
    f.RadarStepGo = true;
    f.cmdNextCaption = "Pause";
    f.changed();
  }
  // Every image starts with the suppression off (the legend says so too).
  setRadarLegend(s, image.product, vb::Right(vb::LCase(image.imageName), 4) == ".gif");
  f.RadarSuppressRate = 0;
  f.RadarImageMode = image.imageMode;
  f.CanadaSite = image.canadian;
  if (!image.boundaryPath.empty()) f.LastBoundaryPath = image.boundaryPath;
  if (!image.nowcast) f.NowcastShiftX = f.NowcastShiftY = 0;
  if (image.image != nullptr) drawRadarImage(f, *image.image);
  f.changed();
}

void RadarFormHooks::drawBasin(Session& s, const RadarBasinShown& basin) {
  RadarForm& f = s.Form3;
  f.Caption = basin.logText;
  f.LastSummaryText = basin.logText;
  f.Label1Caption = basin.readout;
  drawRadarOutline(f, basin.outline, basin.shiftX, basin.shiftY);
  if (f.chkMaxCircles && basin.hasMaximum) drawMaxCircle(f, basin.maxX, basin.maxY);
  if (basin.shiftX != 0 || basin.shiftY != 0) {
    f.NowcastShiftX = basin.shiftX;
    f.NowcastShiftY = basin.shiftY;
  }
  f.changed();
}

RadarStep RadarFormHooks::waitStep(Session& s) {
  RadarForm& f = s.Form3;
  if (f.RadarContinuous || f.RadarViewOff || waiting_) return RadarStep::Go;
  waiting_ = true;
  f.RadarStepGo = false;
  while (!f.RadarStepGo && !s.StopRequested) {
    s.ui.doEvents();
    if (!f.RadarStepGo) std::this_thread::sleep_for(kStepPoll);
  }
  waiting_ = false;
  return s.StopRequested ? RadarStep::Stop : RadarStep::Go;
}

void RadarFormHooks::nowcastImages(Session& s, RadarNowcastPass& pass) {
  nowcastMade_ = false;
  options_.clear();
  if (pass.rows == nullptr || !pass.readShifted) return;
  if (pass.product == "HRR" || s.form.chkNowcastOFF.Value != 0 || pass.imagesRead < 1) return;
  if (!s.RealtimeMode && !date_form::nowcastHistory(s)) return;
  std::vector<bool> switches;
  const NowcastOptions* first = nullptr;
  for (const RadarLineRow& row : *pass.rows) {
    options_.push_back(parseNowcastOptions(row.Options));
    switches.push_back(options_.back().Asked);
  }
  for (const NowcastOptions& o : options_)
    if (o.Asked) {
      first = &o;
      break;
    }
  if (first == nullptr) return;
  s.Form3.showAdjustType("Nowcast Type " + vb::CStr(static_cast<int32_t>(first->AdjustType)) + " " +
                         first->WindsStation);

  const RadarIo io = radarIo(s);
  const std::string windsPath = windsAloftPath(s, pass.site, pass.product);
  const std::string nowcastPath = nowcastPathFor(windsPath);
  std::optional<NowcastMotion> motion = readNowcastFile(nowcastPath);
  if (!motion || pass.lastImageTime >= motion->Expires) {
    if (!vb::fileExists(windsPath)) {
      radarFailure(io, "Not Found: " + windsPath);
      return;
    }
    std::string path = windsPath;
    NowcastMotion fresh = motion.value_or(NowcastMotion{});
    Windsaloft(s, path, first->WindsStation, fresh.Expires, fresh.X, fresh.Y);
    if (fresh.Expires == 0) return;
    motion = fresh;
  }

  logPaneLine(s, "-----NOWCASTS-----");
  vb::VbDate time = toIntervalGrid(pass.lastImageTime, pass.intervalMinutes);
  nowcastStart_ = time;
  const int32_t n = nowcastImageCount(first->Hours, vb::Minute(pass.lastImageTime), pass.intervalMinutes);
  const float dX = motion->X * static_cast<float>(pass.intervalMinutes);
  const float dY = motion->Y * static_cast<float>(pass.intervalMinutes);
  float offX = 0, offY = 0;
  for (int32_t k = 1; k <= n && !s.StopRequested; ++k) {
    time = vb::DateAdd("n", pass.intervalMinutes, time);
    offX += dX;
    offY += dY;
    pass.readShifted(time, offX, offY, switches);
  }
  nowcastMade_ = n > 0;
}

void RadarFormHooks::nowcastAdjust(Session& s, RadarNowcastPass& pass) {
  if (!nowcastMade_ || pass.series == nullptr || pass.rows == nullptr) return;
  nowcastMade_ = false;
  std::string dsid = pass.rows->empty() ? pass.dsid : pass.rows->front().Dsid;
  try {
    std::vector<std::vector<double>> values(options_.size());
    std::vector<std::vector<vb::VbDate>> times(options_.size());
    std::vector<NowcastAdjustRow> rows;
    NowcastWindow window{-1, -1};
    bool any = false;
    for (std::size_t r = 0; r < options_.size(); ++r) {
      if (r < pass.series->Basins.size())
        for (const RadarSample& v : pass.series->Basins[r]) {
          values[r].push_back(v.Value);
          times[r].push_back(v.Time);
        }
      const int16_t type = options_[r].Asked ? options_[r].AdjustType : int16_t{0};
      any = any || type != 0;
      rows.push_back({type, &values[r], &times[r]});
      if (window.A < 0 && type != 0) {
        // The window of the first row that adjusts: its values after the last observed image.
        for (std::size_t i = 0; i < times[r].size(); ++i)
          if (times[r][i] > nowcastStart_ + 1e-9) {
            window.A = static_cast<int32_t>(i);
            break;
          }
        window.B = static_cast<int32_t>(times[r].size()) - 1;
      }
    }
    if (!any || window.A < 0) return;
    const NowcastSummary summary = adjustNowcasts(rows, window, 60.0 / pass.intervalMinutes, s.RunDateTime,
                                                  s.WhatIf.RainAdjustFactor, StormCounts);
    for (std::size_t r = 0; r < options_.size() && r < pass.series->Basins.size(); ++r)
      for (std::size_t i = 0; i < values[r].size(); ++i) pass.series->Basins[r][i].Value = values[r][i];
    reportNowcastSummary(s, summary, pass.site, dsid);
  } catch (const std::exception& e) {
    const std::string text = "Nowcast: " + pass.site + " " + dsid + " " + e.what() + "... " +
                             windsAloftPath(s, pass.site, pass.product);
    radarFailure(radarIo(s), text);
  }
}

}  // namespace fw
