#pragma once
// River gauges of the Corps of Engineers water-control pages: the table of recent readings in
// the page's HTML, one column chosen by its heading.
#include <cstdint>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

// The request path (after the server) for the gauge id and the window's day count.
std::string coeRequest(const std::string& gauge, int32_t dayCount);

struct CoeText {
  std::string text;        // "COE ", TAB, the headings; then one value line per row, oldest first
  int16_t ValueField = 0;  // field of the first heading holding the parameter code; 0 = none
};

// The page turned into lines. Rows dated on or before `beginDay` (a whole day) are left out.
CoeText coeTransform(const std::string& page, const std::string& parameterCode, int32_t beginDay);

// The retriever: station code "COE-<gauge>", parameter code a text of the wanted heading. V is
// searched afresh on every call; "Wind Direction" sets the wind-direction flag. History unit
// values are refused with a notice (in batch, to the error log); history daily values have no
// service, so nothing is asked and the retrieval is empty.
void GetCOE(Session& s, SourceCall& c);

}  // namespace fw
