#pragma once
// Paths written on Windows and stored in setup files and lists ("C:\Radar\KESX_N0Q.png",
// "\\server\share\", "|DataDirectory|\hdb.mdb") that do not exist here are found by their file
// name in a folder of this machine (the program folder): the exact name first, then the name in
// any case. A real path is used as it is and never changes case.
#include <filesystem>
#include <optional>
#include <string>

namespace fw {

// A drive letter, a backslash, a leading "//" or a "|": a path written for Windows.
bool isWindowsPath(const std::string& text);

// The file of that name in the folder: the exact name, else the first whose name differs only in
// case; nothing when there is none (or the folder cannot be read).
std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder, const std::string& name);

// A stored file: the path itself when it is a file here (a relative path in `folder`); a Windows
// path that is not a file here, by its file name in `folder`; else nothing.
std::optional<std::filesystem::path> findStoredFile(const std::string& text, const std::filesystem::path& folder);

// A stored folder: the folder itself when it is one here; a Windows folder that is not, `folder`
// itself (where the files it named are looked for by name).
std::filesystem::path storedFolder(const std::string& text, const std::filesystem::path& folder);

}  // namespace fw
