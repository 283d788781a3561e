#include "run/hand_over.h"

#include <cmath>

#include "app/session.h"
#include "run/runoff_start.h"
#include "run/station_handler.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

// The graph window beside the main window, as high as it and as wide as the rest of the screen.
// A screen with less than half its width left beside the main window gives the graph its right
// half, over the main window, rather than a window too narrow to read.
void placeGraphWindow(Session& s) {
  const MainForm& f = s.form;
  GraphModel::Placement& p = s.FrmGraph.Place;
  p.Left = f.Left + f.Width;
  p.Top = f.Top;
  p.Height = f.Height;
  p.Width = std::max(0, f.ScreenWidth - f.Left - f.Width);
  if (p.Width < f.ScreenWidth / 2) {
    p.Width = f.ScreenWidth / 2;
    p.Left = f.ScreenWidth - p.Width;
  }
}

}  // namespace

void splitValueLines(std::string_view text, std::vector<std::string_view>& lines) {
  lines.clear();
  if (text.empty()) return;
  for (size_t start = 0;;) {
    const size_t lf = text.find('\n', start);
    lines.push_back(text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start));
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
}

std::optional<Move> handOver(Session& s, RunContext& ctx, LineState& line) {
  if (ctx.ValueFieldIndex == 0) {
    line.StationError = noValueColumnText(ctx.RetrievalText);
    return Move::endStation();
  }
  // Total precipitation of a five-digit series is stored as rainfall.
  if (line.ValueCode == 9 && std::fabs(vb::Val(line.Dsid)) > 9999) {
    line.PrecipKind = 4;
    line.ValueClass = 10;
    line.DatatypeCode = 10;
  }
  if (!s.BatchMode) {
    if (!s.GraphShown && !s.GraphClosed && !line.HugeRun) {
      s.FrmGraph.Loaded = true;
      placeGraphWindow(s);
      s.GraphShown = true;
      if (s.HdbIsExcel)
        s.GraphClosed = true;
      else
        s.FrmGraph.Visible = true;
      s.ui.doEvents();
    }
    if (!s.GraphClosed && s.GraphShown && !line.HugeRun) s.FrmGraph.Display = true;
  }

  std::vector<std::string_view>& lines = line.ValueLoop.ValueLines;
  splitValueLines(ctx.RetrievalText, lines);
  ctx.PreviousLineCount = static_cast<int32_t>(lines.size()) - 1;
  if (ctx.PreviousLineCount < 3) {
    line.ValueLoop.MissingCount = line.WindowDays;
    // Nothing is stored for the line: it fails with a text of its own, not in silence.
    if (line.StationError.empty()) line.StationError = noDataText(line.DownloadError);
    return Move::endStation();
  }
  if (line.ValueClass == 30) return runoffOpening(s, ctx, line);
  return std::nullopt;
}

}  // namespace fw
