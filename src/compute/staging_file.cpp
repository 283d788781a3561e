#include "compute/staging_file.h"

#include "app/session.h"
#include "common/log_files.h"
#include "common/round_value.h"
#include "platform/vb/format.h"
#include "platform/vb/textfile.h"

namespace fw::compute {

const StagingFile& stagingFile(StagingKind kind) {
  for (const StagingFile& f : kStagingFiles)
    if (f.kind == kind) return f;
  return kStagingFiles[0];
}

std::string writeStagingFile(Session& s, StagingKind kind, const std::string& rows) {
  return writeStagingFile(s, kind, "\r\n", rows);
}

std::string writeStagingFile(Session& s, StagingKind kind, const std::string& titleEnd, const std::string& rows) {
  return writeStagingBytes(s, kind, std::string(stagingFile(kind).title) + titleEnd + rows);
}

std::string writeStagingBytes(Session& s, StagingKind kind, const std::string& text) {
  const StagingFile& f = stagingFile(kind);
  const std::filesystem::path path = s.inProgramFolder(f.fileName);
  CheckFileClosed(s, path);
  // A staging file is made again by every call and read back at once: it need not wait for the disk.
  vb::writeScratchBytes(path, text);
  s.ui.doEvents();
  return vb::readAllBytes(path);
}

std::string stagingValue(Session& s, double value) {
  RoundValue(value, 0, s.MetricUnits, s.CanadaSite);
  return vb::CStr(static_cast<float>(value));
}

}  // namespace fw::compute
