// The setup file writer: the editor's "Save" and "Connection" buttons.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/setup_data.h"
#include "app/setup_file.h"
#include "app/setup_keys.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

// The old file from its first "END" line on; empty when it has none or does not exist yet.
std::string oldTail(const std::filesystem::path& path) {
  if (!vb::fileExists(path)) return "";
  std::string old = vb::readAllBytes(path);
  std::size_t end = findEndLine(old);
  return end == std::string::npos ? std::string() : old.substr(end);
}

}  // namespace

std::string gridRowLine(const Session& s, int row) {
  const StationGrid::GridRow& cells = s.Form2.MSFlexGrid1.row(row);
  int last = 1;
  for (int c = kGridColumns - 1; c > 1; --c) {
    if (!cells[static_cast<std::size_t>(c)].empty()) {
      last = c;
      break;
    }
  }
  std::string line = cells[1];
  for (int c = 2; c <= last; ++c) {
    line += "; ";
    line += cells[static_cast<std::size_t>(c)];
  }
  return line;
}

std::string setupFileText(const Session& s, const std::string& tail) {
  std::string text;
  const StationGrid& grid = s.Form2.MSFlexGrid1;
  text.reserve(4096 + static_cast<std::size_t>(grid.Rows()) * 96 + tail.size());
  for (const SetupKey& key : setupKeys()) {
    if (key.written.empty() || (key.given && !key.given(s))) continue;
    text += key.written;
    text += key.write(s);
    text += kCrLf;
  }
  text += kCrLf;
  text += kConnectionKeyWritten;
  text += s.HdbConnString;
  text += kCrLf;
  text += kCrLf;
  text += kStationListHeader;
  text += kCrLf;
  for (int r = 1; r < grid.Rows(); ++r) {
    text += gridRowLine(s, r);
    text += kCrLf;
  }
  text += tail;
  return text;
}

bool writeSetupFile(Session& s) {
  const auto path = s.inProgramFolder(kSetupFileName);
  StationGrid& grid = s.Form2.MSFlexGrid1;
  if (std::string why = gridSaveRefusal(s); !why.empty()) {
    notify(s, why, MsgButtons::OK, MsgIcon::Exclamation);
    return false;
  }
  try {
    const std::string tail = oldTail(path);
    grid.Redraw = false;
    std::string text = setupFileText(s, tail);
    grid.Redraw = true;
    vb::writeAllBytes(path, text);
  } catch (const std::exception& e) {
    grid.Redraw = true;
    notify(s, path.string() + " was not saved: " + describe(e));
    return false;
  }
  return true;
}

bool CommandSave_Click(Session& s) {
  StationEditor& editor = s.Form2;
  StationGrid& grid = editor.MSFlexGrid1;
  if (editor.Text1.Visible) {
    if (grid.Row >= 0 && grid.Row < grid.Rows() && grid.Col >= 0 && grid.Col < grid.Cols())
      grid.TextMatrix(grid.Row, grid.Col) = editor.Text1.Text;
    editor.Text1.Visible = false;
  }
  editor.State = WindowState::Normal;
  editor.hide();
  s.ui.doEvents();

  const int16_t topRow = grid.TopRow;
  if (grid.Row >= 0 && grid.Row < grid.Rows()) {
    s.form.Text3.setText(vb::Trim(grid.TextMatrix(grid.Row, 2)));
    s.form.Text6.Text = vb::Trim(grid.TextMatrix(grid.Row, 4));
    s.form.Check1.setValue(1);
  }

  if (!writeSetupFile(s)) {
    editor.Visible = true;  // the edits are still there to save again
    return false;
  }
  // A run holds the station table and its connection: it reloads the file at its next start.
  if (s.RunActive) s.SetupChanged = true;
  else setupdata(s);

  grid.ForeColor = kPickModeColor;
  grid.SelectionMode = kSelectionByRow;
  grid.TopRow = grid.Rows() == 0 ? 0 : std::min<int16_t>(topRow, static_cast<int16_t>(grid.Rows() - 1));
  s.StationRange = {s.CurrentStationRow, s.CurrentStationRow};
  editor.ListDirty = false;
  s.form.show();
  return true;
}

void CommandPW_Click(Session& s) {
  const auto path = s.inProgramFolder(kSetupFileName);
  try {
    const std::string text = vb::readAllBytes(path);
    // Only the settings part counts: the notes after "END" may hold other connection strings.
    const std::size_t end = findEndLine(text);
    const std::string tail = end == std::string::npos ? std::string() : text.substr(end);
    const std::vector<std::string> lines =
        vb::splitLines(end == std::string::npos ? text : text.substr(0, end), vb::LineEnds::Any);

    std::vector<std::size_t> connectionLines;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (vb::InStr(vb::UCase(lines[i]), kConnectionKey) > 0) connectionLines.push_back(i);

    std::string keyPart;
    if (!connectionLines.empty()) {
      const std::string& last = lines[connectionLines.back()];
      keyPart = vb::Left(last, vb::InStr(last, "="));
    }
    // Without a usable connection line the answer still needs its key to be read back.
    if (keyPart.empty()) keyPart = kConnectionKeyWritten;

    const std::string answer = s.ui.inputBox("Database Connection String", keyPart, s.HdbConnString);
    if (!answer.empty()) {
      const std::size_t at = connectionLines.empty() ? lines.size() : connectionLines.front();
      std::string out;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == at) out += keyPart + answer + kCrLf;
        if (vb::InStr(vb::UCase(lines[i]), kConnectionKey) > 0) continue;
        out += lines[i] + kCrLf;
      }
      if (at == lines.size()) out += keyPart + answer + kCrLf;
      out += tail;
      vb::writeAllBytes(path, out);
      s.HdbConnString = vb::Trim(answer);
      s.SetupChanged = true;
    }
    s.Form2.ListDirty = true;
  } catch (const std::exception& e) {
    notify(s, describe(e));
  }
}

}  // namespace fw
