#pragma once
// The files of an outside model: found whatever the letter case their program gave them, and
// rewritten whole through a temporary file beside them, so a failed write leaves the old file.
#include <filesystem>
#include <string>
#include <vector>

namespace fw::models {

// The file as named when it exists; else the one entry of its folder whose name differs from
// it only in letter case (models written on Windows mix "proj.P01" and "PROJ.p01"); else the
// path as given.
std::filesystem::path findCaseBlind(const std::filesystem::path& path);
// Removes the file (found as above); true when one was there.
bool removeCaseBlind(const std::filesystem::path& path);
// The files of a folder whose names end in the extension (".log"), in any case.
std::vector<std::filesystem::path> filesWithExtension(const std::filesystem::path& folder,
                                                      const std::string& extension);

// Lines read with any line end (a missing file raises "File not found").
std::vector<std::string> readModelLines(const std::filesystem::path& path);
// Writes the lines, each ended with CR LF, over the file in one step.
void writeModelLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Splits a text at commas; each piece upper-cased and trimmed (the options of a model line).
std::vector<std::string> optionItems(const std::string& text);

}  // namespace fw::models
