#pragma once
// Dimensionless unit graph from a DGF file, scaled to a basin's lag, the model step and the
// basin's area through a smooth monotone curve, and normalised to one inch of runoff.
//
// DGF layout: two free lines, then list items (separated by commas or line ends): the ordinate
// count M, the spacing S in percent of the time to peak, and the M ordinates.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fw::compute {

struct DimensionlessGraph {
  int16_t last = -1;          // index of the last ordinate (M - 1)
  double spacing = 0;         // percent of the time to peak between ordinates
  std::vector<double> shape;  // the dimensionless ordinates 0 .. last
};

// Parses a DGF file's text. A missing or bad item raises vb::Error 13 ("Type mismatch") or 62
// ("Input past end of file").
DimensionlessGraph parseDgf(const std::string& text);

// The unit graph in cfs per inch of excess at steps 0 .. lastIndex (ordinate k at the end of step
// k + 1), for a lag and step in hours and an area in square miles.
std::vector<double> scaleDimensionless(const DimensionlessGraph& g, double lagHours, double stepHours,
                                       double area, int16_t& lastIndex);

// The last file read, kept from call to call: a second call with the same name reads nothing.
struct DgfMemory {
  std::string fileName;
  DimensionlessGraph graph;
};

// Reads `fileName` (a name without "\" or "/" is taken from `folder`, and the caller's name
// becomes that full path) unless it is the one remembered, and scales it. On a read error the
// ordinates and lastIndex keep what they held and the error's text comes back ("" on success).
std::string getdimgraph(DgfMemory& memory, const std::filesystem::path& folder, std::string& fileName,
                        std::vector<double>& ordinates, int16_t& lastIndex, double lagHours, double stepHours,
                        double area);

}  // namespace fw::compute
