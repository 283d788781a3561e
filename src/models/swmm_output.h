#pragma once
// The SWMM 5 binary results file (.out), read where it lies: the counts from its opening and
// closing records, then single values by period and object. GetSWMM turns one variable of one
// object into the staging rows of "computeIn.txt".
//
// Layout (little-endian 4-byte integers and floats, 8-byte date):
//   opening: magic, version, flow units, subcatchments, nodes, links, pollutants
//   IDs, then at input start the object properties: (subcatchments + 2) + (3 nodes + 4) +
//   (5 links + 6) words, then per kind its variable count and codes (subcatchment, node, link,
//   system), then the start date (days since 30 Dec 1899) and the report step (seconds)
//   just before output start
//   results from output start: per period a date (8 bytes) and the values of every
//   subcatchment, node, link and the system, each object's variables in turn
//   closing: ID start, input start, output start, periods, error code, magic
#include <cstdint>
#include <string>
#include <vector>

namespace fw::models {

inline constexpr int32_t kSwmmMagic = 516114522;

enum class SwmmKind : int16_t { Subcatchment = 0, Node = 1, Link = 2, System = 3 };

class SwmmOutFile {
 public:
  SwmmOutFile() = default;
  ~SwmmOutFile();
  SwmmOutFile(const SwmmOutFile&) = delete;
  SwmmOutFile& operator=(const SwmmOutFile&) = delete;

  // OpenSwmmOutFile: 0 when the file is open and its counts read; 1 when it is not a usable
  // results file (shorter than 56 bytes, the two magic numbers differ, SWMM ended with an error,
  // no periods, a count it cannot hold); the file is then closed.
  int32_t open(const std::string& path);
  void close();
  bool isOpen() const { return fd_ >= 0; }

  // GetSwmmResult: the value of a variable of an object in a period (1 to periods). True when it
  // was read; false for a kind other than 0 to 3 (the value is then 0). A read past the file's
  // end raises "Input past end of file".
  bool value(int32_t kind, int32_t element, int32_t variable, int32_t period, float& out) const;
  // The same variable over every period, one value each, into out (resized).
  void series(int32_t kind, int32_t element, int32_t variable, std::vector<float>& out) const;
  // The element and variable exist in this file (the system has one element, 0).
  bool inRange(int32_t kind, int32_t element, int32_t variable) const;
  // Byte offset of a value (the kind and indexes are not checked here).
  int64_t offsetOf(int32_t kind, int32_t element, int32_t variable, int32_t period) const;

  int32_t periods = 0, flowUnits = 0, version = 0;
  int32_t subcatchments = 0, nodes = 0, links = 0, pollutants = 0;
  int32_t subcatchmentVars = 0, nodeVars = 0, linkVars = 0, systemVars = 0;
  int32_t inputStart = 0, outputStart = 0;
  double startDate = 0;    // day number of the simulation start
  int32_t reportStep = 0;  // seconds
  int64_t bytesPerPeriod = 0;

 private:
  int64_t valueIndex(int32_t kind, int32_t element, int32_t variable) const;
  int fd_ = -1;
  int64_t length_ = 0;
};

// A GET-SWMM request from the line: shift1 the results file, formula1 "kind=..,element=..,
// variable=..".
struct SwmmRequest {
  std::string file;
  int32_t kind = 0, element = 0, variable = 0;
};

// GetSWMM: the staging text of the request (the "SWMM:" line, the file's summary and one row
// per period), or an empty text with error set.
std::string getSwmmRows(const std::string& file, const std::string& formula1, std::string& error);

}  // namespace fw::models
