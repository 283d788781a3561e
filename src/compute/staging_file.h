#pragma once
// The staging file every computation hands its result back through: a text file in the program
// folder with a title line (CR LF) and rows "Z", TAB, date, TAB, value, ... that the run parses
// like a retriever's text. The file stays on disk after the run for the user and other tools.
#include <array>
#include <string>

namespace fw {
struct Session;
}

namespace fw::compute {

enum class StagingKind { Routing, Compute, TextFile, Lookup, Snowmelt, RunoffInput };

struct StagingFile {
  StagingKind kind;
  const char* fileName;  // in the program folder
  const char* title;
};

inline constexpr std::array<StagingFile, 6> kStagingFiles{{
    {StagingKind::Routing, "Routein.txt", "Routing from HDB"},
    {StagingKind::Compute, "computeIn.txt", "Compute from HDB"},
    {StagingKind::TextFile, "wunderin.txt", "Compute from Text File"},
    {StagingKind::Lookup, "LookupIn.txt", "Lookup from HDB"},
    {StagingKind::Snowmelt, "snowin.txt", "Compute Snowmelt from HDB"},
    {StagingKind::RunoffInput, "runoffIn.txt", "HDB RAIN and ETo"},
}};

const StagingFile& stagingFile(StagingKind kind);

// Writes the title line and then rows exactly as given (each ended as its writer ends it),
// replacing the file in one step so that a failure leaves the previous result whole, lets the
// window catch up, and returns the file's text read back byte for byte. The user is first asked
// to close the file when another program holds it (in batch mode the error log is told).
// A file that cannot be written raises the system's error.
std::string writeStagingFile(Session& s, StagingKind kind, const std::string& rows);
// The same with the title line ended by titleEnd (some results end it with LF alone).
std::string writeStagingFile(Session& s, StagingKind kind, const std::string& titleEnd, const std::string& rows);
// The whole text as given, its own title line included.
std::string writeStagingBytes(Session& s, StagingKind kind, const std::string& text);

// A staging row's value: rounded for storage with value code 0, then as a single-precision
// number's text (at most seven significant digits).
std::string stagingValue(Session& s, double value);

}  // namespace fw::compute
