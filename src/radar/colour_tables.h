#pragma once
// The radar colour and rain-rate tables: the level-3 reflectivity legend, the level-2 Z-R table
// and colour strings, the Canadian legend and the A2M rate table. Built in, with three optional
// override files in the program folder ("Dbz2Rainrate.txt", "Level2RGB.txt",
// "Level3RGB2RainRateA2m.txt"). Colours are 32-bit values with red in the low byte; rates are
// inches per hour.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/color.h"
#include "radar/argb.h"

namespace fw {

struct Session;

inline constexpr int kLegendEntries = 14;
inline constexpr int kZRRelations = 5;

inline constexpr const char* kDbz2RainrateFile = "Dbz2Rainrate.txt";
inline constexpr const char* kLevel2RGBFile = "Level2RGB.txt";
inline constexpr const char* kA2mRateFile = "Level3RGB2RainRateA2m.txt";

// The legend labels of the radar window, entries 0 to 13 for 10, 15, ... 70 and "75+" dBZ: their
// back colours are the legend colours.
extern const std::array<vb::Color, kLegendEntries> kLevel3LegendColours;
extern const std::array<const char*, kLegendEntries> kLevel3LegendCaptions;
extern const std::array<double, kLegendEntries> kLevel3BuiltinRates;

// Reflectivity legend of level-3 style images.
struct Level3LegendData {
  std::string Name = "Reflectivity DBZ";
  std::array<vb::Color, kLegendEntries> Colour{};
  std::array<double, kLegendEntries> Rate{};       // master rates, in/hr
  std::array<double, kLegendEntries> RateInUse{};  // the rates the radar routines read; set per radar line
};

// One line of "Level2RGB.txt"; title lines and skipped lines stay zero.
struct Level2ZRRow {
  float Dbz = 0;
  std::array<int32_t, 3> Colour{};          // the pixel colour in each of the three image families
  std::array<double, kZRRelations> Rate{};  // in/hr, one per Z-R relation
};

struct Level2ZRData {
  std::vector<Level2ZRRow> Rows;  // indexed by the file's line index
  std::array<std::string, kZRRelations> ZRRelationNames;
};

// Canadian CAPPI legend; column 0 rain (C0R), column 1 snow (C0S).
struct CanadaLegendData {
  std::string ColourString;  // fixed-width text of the 14 colours
  std::array<vb::Color, kLegendEntries> Colour{};
  std::array<std::array<int16_t, kLegendEntries>, 2> Dbz{};
  std::array<std::array<float, kLegendEntries>, 2> Rate{};  // in/hr
};

// Colour and rate pairs of rate-coloured A2M images, indexed by the file's line index.
struct A2mRateData {
  std::vector<int32_t> Colour;
  std::vector<float> Rate;  // in/hr
};

struct ColourTables {
  Level3LegendData Level3Legend;
  std::string Level2ColourStringA;  // pixel colours of rate-coloured images other than A2M
  std::string Level2ColourStringB;  // legend back colours while a rate-coloured image is shown
  Level2ZRData Level2ZRTable;
  CanadaLegendData CanadaLegendTable;
  A2mRateData A2mRateTable;
};

// Fixed-width colour and number strings: eight blanks, then 14 fields of nine characters, each
// value left-aligned in its field, so that the position of a colour's text divided by 9 gives its
// entry number from 1.
std::string fixedWidthRow(const std::array<const char*, kLegendEntries>& values);
// The number in field k (0 to 13): the leading number of its eight characters, blanks ignored.
double fixedWidthValue(const std::string& row, int k);

Level3LegendData builtinLevel3Legend();
// "Dbz2Rainrate.txt": values separated by ","; value i (leading number, 0 when none) replaces
// rate i. A fifteenth value raises "Subscript out of range" and leaves the legend unchanged.
void applyDbz2Rainrate(Level3LegendData& legend, const std::string& text);

std::string builtinLevel2ColourStringA();
std::string builtinLevel2ColourStringB();

// "Level2RGB.txt": lines 0 to 2 are titles; each later line split at TAB: 3 fields or fewer are
// skipped, 4 to 8 make the table corrupt (reading stops, the line is returned in corruptLine and
// the rows read so far stay), 9 or more are dBZ, three colours and five rates. A text where a
// number belongs raises "Type mismatch".
struct Level2Load {
  Level2ZRData table;
  std::optional<std::string> corruptLine;
};
Level2Load parseLevel2RGB(const std::string& text);

CanadaLegendData builtinCanadaLegend();

// "Level3RGB2RainRateA2m.txt": lines 0 and 1 are titles; each later line up to the last line
// break with at least two TAB fields gives a colour and a rate; the text after the last line
// break is not read. A text where a number belongs raises "Type mismatch".
A2mRateData parseA2mRates(const std::string& text);

// Lines as the table files are split: at CR LF, LF or CR, with the text after the last line
// break kept as the final element (empty when the text ends with a line break).
std::vector<std::string> splitTableLines(const std::string& text);

// ---- lookups by colour value (ReverseRGB of a pixel) ----

// The level-3 legend entry (0 to 13) a colour selects, -1 for none. Entry 7 (45 dBZ) takes both
// RGB 253,139,0 and RGB 253,149,0.
int level3LegendIndex(const Level3LegendData& legend, vb::Color colour);

// The precipitation-total legend of the PTA and N1P products: fixed colours and values, inches
// (inches per hour for N1P), with the captions of the legend's labels.
struct TotalsLegendEntry {
  vb::Color colour;
  double value;
  const char* caption;
};
extern const std::array<TotalsLegendEntry, 16> kTotalsLegend;  // 15 values; 1.7 has two colours
// The total a colour stands for; 0 for any other colour.
double totalsLegendValue(vb::Color colour);

// The entry (1 to 14) of a colour in a fixed-width colour string (a level-2 string or the Canadian
// one); 0 when absent. A colour matches a whole field only, never the digits inside another
// colour's field (52 is not found in 6749952).
int fixedWidthColourEntry(const std::string& colourString, vb::Color colour);

// The reflectivity text of a level-3 style pixel colour ("1", "5" ... "70"), "NA" for any other.
std::string DbzLabel(vb::Color colour);
// Radial-velocity texts of velocity-product colours (knots; "RangeFolding"), "NA" for any other.
std::string VelocityLabel(vb::Color colour);
std::string VelocityLabelWide(vb::Color colour);

// The rain rate (in/hr) of an A2M pixel colour as text (a Single in its plain text form), from
// entry 3 of the table on; "0" when the colour is not there.
std::string RadarColorRate(const A2mRateData& table, vb::Color colour);
// The same as a number, and whether the colour was found.
bool a2mRate(const A2mRateData& table, vb::Color colour, float& rate);

// Rebuilds every table from the built-in values and the override files in the program folder.
// A missing level-2 or A2M file is reported ("... not found: " and the path); a corrupt level-2
// line is reported with the line. A file that cannot be read is reported with its name and the
// failure and leaves its table as it was (the legend keeps its built-in rates); the other tables
// are still built. Reports go through notify, so in batch mode they reach the error log.
void loadColourTables(Session& s);

}  // namespace fw
