#pragma once
// The surface dump of one MADIS mesonet hour: reads the parameter file "sfcdump.par" of the MADIS
// folder (box corners, the hour's name, the variable list) and the unpacked netCDF hour of that
// name, and writes "sfcdump.txt" there: one row per record inside the box,
//   id,yyyy/mm/dd,hh:mm,provider, ,TD,q,RH,q,ALTSE,q,T,q,DD,q,FF,q,PCPRATE,q,PCPTOTL,q,SOLRAD,q,P,q,STALOC,q
// (UTC date and time, each value followed by its quality flag, values not asked for left empty), in
// kelvin, percent, pascal, degrees, m/s, kg m-2 s-1 (rate), metres (accumulation) and W/m2,
// converted from each variable's own units. It runs as its own program (madis_dump), so the
// collection can stop one that hangs.
#include <filesystem>
#include <string>
#include <vector>

namespace fw {

inline constexpr const char* kSfcDumpParName = "sfcdump.par";
inline constexpr const char* kSfcDumpOutName = "sfcdump.txt";
inline constexpr const char* kMadisDumpProgram = "madis_dump";

// Where the hours are downloaded and unpacked, under the MADIS folder.
std::filesystem::path madisNetcdfFolder(const std::filesystem::path& madisFolder);

// The parameter file a new MADIS folder starts with.
extern const char* const kDefaultSfcDumpPar;

struct MadisDumpRequest {
  double latSW = 0, lonSW = 0, latNE = 0, lonNE = 0;
  std::string hourName;
  std::vector<std::string> variables;
};

// The request of a "sfcdump.par" text. False with the reason when a corner, the hour or the
// variable list is missing.
bool readSfcDumpPar(const std::string& text, MadisDumpRequest& request, std::string& error);

// Dumps the hour that "sfcdump.par" of madisFolder names into "sfcdump.txt". False with the
// reason (no parameter file, no hour file, not a netCDF file, no station variables).
bool madisDump(const std::filesystem::path& madisFolder, std::string& error);

}  // namespace fw
