#pragma once
// The one conversion between the program's texts (Windows-1252 bytes, as the setup file holds
// them) and Qt's strings, so "°" and "’" show and come back as the same bytes.
#include <QString>
#include <string>

namespace fw::gui {

QString fromCp1252(const std::string& bytes);
// Characters Windows-1252 cannot hold become "?".
std::string toCp1252(const QString& text);

}  // namespace fw::gui
