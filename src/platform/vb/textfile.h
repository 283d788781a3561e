#pragma once
// Text files as VB reads and writes them: bytes in, bytes out; lines end with CR LF when
// written. The error is vb::Error 53 "File not found" for a missing file.
#include <filesystem>
#include <string>
#include <vector>

namespace vb {

std::string readAllBytes(const std::filesystem::path& path);
bool fileExists(const std::filesystem::path& path);

enum class LineEnds {
  Any,        // CR LF, LF or CR each end a line
  LineInput,  // VB's Line Input: CR or CR LF end a line, a lone LF stays in the line
  LfOnly,     // only LF ends a line (a CR before it is kept)
};
// Splits text into lines. A final line end does not add an empty line.
std::vector<std::string> splitLines(const std::string& text, LineEnds ends = LineEnds::Any);
std::vector<std::string> readLines(const std::filesystem::path& path, LineEnds ends = LineEnds::Any);

// Writes the lines, each followed by CR LF. The file is written to a temporary file in the same
// folder and renamed over the old one, so a failure never leaves half a file.
void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines);
void writeAllBytes(const std::filesystem::path& path, const std::string& bytes);
// The same for a work file that is made again on every use: replaced in one step, but not forced
// to the disk before the call returns.
void writeScratchBytes(const std::filesystem::path& path, const std::string& bytes);
// Appends text and CR LF to a file, creating it when missing.
void appendLine(const std::filesystem::path& path, const std::string& line);

}  // namespace vb
