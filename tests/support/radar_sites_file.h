#pragma once
// A small radar site list "RadarSitesMosaics.txt" in a program folder: two radars and a mosaic.
#include <filesystem>
#include <fstream>

namespace fw::testing {

inline void writeRadarSites(const std::filesystem::path& folder) {
  std::ofstream out(folder / "RadarSitesMosaics.txt", std::ios::binary | std::ios::trunc);
  out << "State\tSite\tName\tLatitude\tLongitude\tElevation\tMiles\tPixels\r\n"
         "NV\tESX\tLas Vegas\t35.7011\t-114.8914\t1483\r\n"
         "AZ\tIWA\tPhoenix\t33.2891\t-111.67\t1353\r\n"
         "US\tUSZZ\tContinental US\t39\t-98\t0\t1500\t3400\r\n";
}

}  // namespace fw::testing
