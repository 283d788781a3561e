#include "app/image_list.h"

#include <algorithm>
#include <array>

namespace fw {

namespace {

constexpr std::array<std::string_view, 28> kKeys = {
    "Flumewr", "USGS",   "CWRD",    "USCS",  "USBR",  "COE",      "Canada",   "PWS",      "Iowa", "synoptic",
    "noaa2",   "NWS",    "Spotwx",  "nohrsc2", "Route", "File",   "DSS",      "EPA",      "Runoff", "Snow",
    "Wunderg", "HMS",    "RAS",     "ResSim", "Shell", "Radar",   "MRMS-A2M", "MRMS-HRRR"};

}  // namespace

std::span<const std::string_view> imageListKeys() {
  return kKeys;
}

bool imageListHolds(std::string_view key) {
  return std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end();
}

}  // namespace fw
