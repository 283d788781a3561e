#pragma once
// Work-file and log-file housekeeping.
#include <cstdint>
#include <filesystem>

namespace fw {

struct Session;

// True when the file cannot be opened for appending (another program may hold it, or the path
// is not writable); the user is then told "Before continuing, close file: <path>" (in batch mode
// the text goes to the error log). Otherwise false, with no message; a missing file is created
// empty. No file stays open: the staging writers hold their files only inside their own calls.
bool CheckFileClosed(Session& s, const std::filesystem::path& path);

// Keeps a log below limit bytes: a longer file keeps only its bytes from position
// floor(length / 3) (counting from 1) on, with no line end added, so a 33,000-byte file loses its
// first 10,999 bytes; the cut may fall inside a line. A missing file or one at or below the
// limit is left alone. The file is replaced atomically. When the file is the session's error log
// and that is open, it is closed around the rewrite and opened again; no other stream may hold
// the file meanwhile. On failure LastError becomes "ShrinkLog: " and the system's error text,
// which also goes to the error log.
void ShrinkLog(Session& s, const std::filesystem::path& path, int32_t limit);

}  // namespace fw
