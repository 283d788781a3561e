#include "run/shell_lines.h"

#include <array>

#include "app/session.h"
#include "app/show_source.h"
#include "platform/vb/strings.h"
#include "run/run_end.h"
#include "store/update_rows.h"

namespace fw {

namespace {

// Tested in this order on the upper-cased command; the first that it holds wins.
struct ShellRow {
  const char* holds;
  ShellModel model;
};
constexpr std::array<ShellRow, 4> kShellRows{{
    {"HMS.CMD", {"Shell HMS", "HMS", &OutsideModels::ShellHms}},
    {"RAS.EXE", {"Shell RAS", "RAS", &OutsideModels::ShellProgram}},
    {"RESSIM.EXE", {"Shell ResSim", "ResSim", &OutsideModels::ShellResSim}},
    {"SWMM", {"Shell SWMM", "EPA", &OutsideModels::ShellSwmm}},
}};
constexpr ShellModel kAnyProgram{"Shell", "Shell", &OutsideModels::ShellProgram};

// The command up to and including its first blank; nothing when it has none.
std::string upToFirstBlank(const std::string& text) {
  const int blank = vb::InStr(text, " ");
  return blank > 0 ? vb::Left(text, blank) : std::string();
}

// The run's last error is noted once a run, by its first shell line, for whoever reads row 0.
void noteLastError(Session& s, RunContext& ctx) {
  if (ctx.LastErrorNoted) return;
  std::string note = "Last error: " + s.LastError;
  if (vb::InStr(note, "not available.") > 0) note = "Last error:";
  if (s.RealtimeMode) {
    const vb::Variant when = vb::Variant::Date(s.RunDateTime);
    s.HdbUseDAO ? hdbupdateDAO(s, "0", note, when, 0) : hdbupdate(s, "0", note, when, 0);
  }
  ctx.LastErrorNoted = true;
}

}  // namespace

const ShellModel& shellModelFor(const std::string& command) {
  const std::string upper = vb::UCase(command);
  for (const ShellRow& row : kShellRows)
    if (vb::InStr(upper, row.holds) > 0) return row.model;
  return kAnyProgram;
}

Move shellModelLine(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  if (s.BatchMode)
    s.errlog.writeLine(elapsedText(s.RunDateTime, s.clock.now()) + " Shell " +
                       upToFirstBlank(line.StationId));
  const ShellModel& model = shellModelFor(line.StationId);
  showsource(s, model.label, model.icon, caption);
  noteLastError(s, ctx);

  ShellCall call;
  call.Command = line.StationId;
  call.Parameter = line.ParameterCode;
  call.BeginDay = line.FirstDay;
  call.EndDay = line.LastDay;
  call.Triples = line.Triples;
  ((*s.services.models).*model.runner)(s, call);
  line.StationId = upToFirstBlank(call.Command);
  line.FirstDay = call.BeginDay;
  line.LastDay = call.EndDay;

  // A model that ran leaves the station without a count line; one that failed is reported.
  line.StationError = call.Error;
  if (line.StationError.empty()) line.CloseDirectly = true;
  return Move::endStation();
}

}  // namespace fw
