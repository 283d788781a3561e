#pragma once
// The common weather vocabulary (WxFields) and the adapters that rewrite one service's reply into
// a weather table: line 0 empty, line 1 the header with the common names where the service has a
// matching column, data rows from line 2 on, field 0 the local date and time. Every header ends
// with two dummy names and every row with dummy fields, so a computed value can take the last
// column. The adapters work on text only; none of them touches a file or the network.
#include <array>
#include <string>

namespace fw {

struct Session;

// The common names, case-sensitive, in the order the JSON adapter writes them.
inline constexpr std::array<const char*, 9> WxFields = {"precipTotal",  "tempAvg",     "humidityAvg",
                                                        "windspeedAvg", "winddirAvg",  "windgustAvg",
                                                        "dewptAvg",     "pressureMax", "solarRadiationHigh"};

// A Synoptic time-series CSV reply (from "Station_ID" on; the unit line stays as line 2). A reply
// without the marker becomes empty. A fault empties the text, sets LastError and logs it.
void SynopticCols(Session& s, std::string& text);
// A MesoWest station download (from "PARM =" on); rows come out oldest first. A fault empties
// the text, sets LastError to "MesoWest " and the fault, and logs it.
void MesoWestCols(Session& s, std::string& text);
// The personal-weather-station page's history table. error: "wunderScrape20250325 station not
// found." (no table), "wunderScrape20250325 has no data." (no header cells), "WUscrape " and a
// fault; each failure empties the text.
void wunderScrape20250325(const std::string& station, std::string& text, std::string& error);
// The personal-weather-station page's "observations" JSON. error: "wunderScrape station not
// found." or "WUscrape " and a fault; each failure empties the text.
void wunderScrape(int dayCount, const std::string& station, std::string& text, std::string& error);

}  // namespace fw
