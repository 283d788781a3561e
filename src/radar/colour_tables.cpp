#include "radar/colour_tables.h"

#include <exception>
#include <filesystem>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

const std::array<vb::Color, kLegendEntries> kLevel3LegendColours = {
    16031489, 15990787, 195842, 115969, 36352,    194813,   48357,
    35837,    253,      212,    188,    16580856, 12997784, 16645629};

const std::array<const char*, kLegendEntries> kLevel3LegendCaptions = {
    "10z=.00 in/hr",  "15z=.00 in/hr",  "20z=.02 in/hr",  "25z=.04 in/hr",  "30z=.09 in/hr",
    "35z=.21 in/hr",  "40z=.48 in/hr",  "45z=1.1 in/hr",  "50z=2.49 in/hr", "55z=5.68 in/hr",
    "60z=5.78 in/hr", "65z=5.88 in/hr", "70z=5.98 in/hr", "75+=6.08 in/hr"};

const std::array<double, kLegendEntries> kLevel3BuiltinRates = {0,   0,    0.02, 0.04, 0.09, 0.21, 0.48,
                                                                1.1, 2.49, 5.68, 5.78, 5.88, 5.98, 6.08};

namespace {

constexpr std::array<const char*, kLegendEntries> kLevel2ColoursA = {
    "10378049", "13346395", "10671698", "1424399",  "1085708",  "680456",   "313302",
    "46847",    "33023",    "184",      "16777215", "16741887", "16711858", "15789061"};
constexpr std::array<const char*, kLegendEntries> kLevel2ColoursB = {
    "16711680", "16711680", "16713216", "16714752", "16717824", "16725504", "16742400",
    "11861504", "65198",    "44798",    "3932414",  "16662782", "16704766", "16705790"};

constexpr std::array<const char*, kLegendEntries> kCanadaColours = {
    "16764057", "16750848", "6749952", "52224", "39168",    "26112",    "3407871",
    "52479",    "39423",    "26367",   "255",   "10027775", "13382553", "10027110"};
constexpr std::array<const char*, kLegendEntries> kCanadaRainDbz = {"7",  "23", "28", "33", "36", "40", "42",
                                                                    "45", "47", "50", "52", "55", "57", "60"};
constexpr std::array<const char*, kLegendEntries> kCanadaSnowDbz = {"10", "17", "21", "26", "29", "33", "36",
                                                                    "39", "42", "46", "49", "52", "56", "61"};
constexpr std::array<float, kLegendEntries> kCanadaRainRates = {
    0.0f, 0.04f, 0.08f, 0.16f, 0.26f, 0.47f, 0.61f, 0.94f, 1.25f, 1.97f, 2.56f, 3.94f, 5.26f, 7.87f};
constexpr std::array<const char*, kLegendEntries> kCanadaSnowRates = {"0.04", "0.08", "0.12", "0.20", "0.27",
                                                                      "0.39", "0.57", "0.79", "1.06", "1.57",
                                                                      "2.18", "2.95", "4.52", "7.87"};

constexpr std::array<const char*, kZRRelations> kZRRelationNames = {
    "Convective DBZ", "CoolWest DBZ", "CoolEast DBZ", "Tropical DBZ", "SemiTrop DBZ"};

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

// A table file that could not be read: say which file and why, so the user can mend it.
void reportFileFailure(Session& s, const std::filesystem::path& path, const std::exception& e) {
  notify(s, path.string() + ": " + describe(e));
}

}  // namespace

std::string fixedWidthRow(const std::array<const char*, kLegendEntries>& values) {
  std::string row(8, ' ');
  for (const char* v : values) {
    std::string field = v;
    field.resize(9, ' ');
    row += field;
  }
  return row;
}

double fixedWidthValue(const std::string& row, int k) {
  return vb::Val(vb::Mid(row, 9 * k + 9, 8));
}

Level3LegendData builtinLevel3Legend() {
  Level3LegendData legend;
  legend.Colour = kLevel3LegendColours;
  legend.Rate = kLevel3BuiltinRates;
  return legend;
}

void applyDbz2Rainrate(Level3LegendData& legend, const std::string& text) {
  std::vector<std::string> values = vb::Split(text, ",");
  if (values.size() > static_cast<std::size_t>(kLegendEntries)) vb::raise(vb::err::SubscriptOutOfRange);
  for (std::size_t i = 0; i < values.size(); ++i) legend.Rate[i] = vb::Val(values[i]);
}

std::string builtinLevel2ColourStringA() {
  return fixedWidthRow(kLevel2ColoursA);
}
std::string builtinLevel2ColourStringB() {
  return fixedWidthRow(kLevel2ColoursB);
}

std::vector<std::string> splitTableLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  lines.push_back(std::move(current));
  return lines;
}

Level2Load parseLevel2RGB(const std::string& text) {
  Level2Load load;
  std::vector<std::string> lines = splitTableLines(text);
  load.table.Rows.assign(lines.size(), Level2ZRRow{});
  for (int r = 0; r < kZRRelations; ++r)
    load.table.ZRRelationNames[static_cast<std::size_t>(r)] = kZRRelationNames[static_cast<std::size_t>(r)];
  for (std::size_t i = 3; i < lines.size(); ++i) {
    std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 4) continue;
    if (f.size() < 9) {
      load.corruptLine = lines[i];
      break;
    }
    Level2ZRRow& row = load.table.Rows[i];
    row.Dbz = vb::CSng(f[0]);
    for (std::size_t c = 0; c < 3; ++c) row.Colour[c] = vb::CLng(f[1 + c]);
    for (std::size_t r = 0; r < kZRRelations; ++r) row.Rate[r] = vb::CDbl(f[4 + r]);
  }
  return load;
}

CanadaLegendData builtinCanadaLegend() {
  CanadaLegendData t;
  t.ColourString = fixedWidthRow(kCanadaColours);
  const std::string rainDbz = fixedWidthRow(kCanadaRainDbz);
  const std::string snowDbz = fixedWidthRow(kCanadaSnowDbz);
  const std::string snowRates = fixedWidthRow(kCanadaSnowRates);
  for (int k = 0; k < kLegendEntries; ++k) {
    auto i = static_cast<std::size_t>(k);
    t.Colour[i] = static_cast<vb::Color>(fixedWidthValue(t.ColourString, k));
    t.Dbz[0][i] = static_cast<int16_t>(fixedWidthValue(rainDbz, k));
    t.Dbz[1][i] = static_cast<int16_t>(fixedWidthValue(snowDbz, k));
    t.Rate[0][i] = kCanadaRainRates[i];
    t.Rate[1][i] = static_cast<float>(fixedWidthValue(snowRates, k));
  }
  return t;
}

A2mRateData parseA2mRates(const std::string& text) {
  A2mRateData t;
  std::vector<std::string> lines = splitTableLines(text);
  const std::size_t used = lines.size() - 1;  // the text after the last line break is not read
  t.Colour.assign(used, 0);
  t.Rate.assign(used, 0.0f);
  for (std::size_t i = 2; i < used; ++i) {
    std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 2) continue;
    t.Colour[i] = vb::CLng(f[0]);
    t.Rate[i] = vb::CSng(f[1]);
  }
  return t;
}

const std::array<TotalsLegendEntry, 16> kTotalsLegend = {{
    {vb::RGB(4, 233, 231), 0.01, "Trace"},      {vb::RGB(1, 159, 244), 0.1, ".1 in/hr"},
    {vb::RGB(3, 0, 244), 0.25, ".25 in/hr"},    {vb::RGB(2, 253, 2), 0.5, ".5 in/hr"},
    {vb::RGB(1, 197, 1), 0.75, ".75 in/hr"},    {vb::RGB(0, 142, 0), 1.0, "1 in/hr"},
    {vb::RGB(253, 248, 2), 1.2, "1.2 in/hr"},   {vb::RGB(229, 188, 0), 1.5, "1.5 in/hr"},
    {vb::RGB(253, 149, 0), 1.7, "1.7 in/hr"},   {vb::RGB(253, 139, 0), 1.7, "1.7 in/hr"},
    {vb::RGB(253, 0, 0), 2.0, "2 in/hr"},       {vb::RGB(212, 0, 0), 2.5, "2.5 in/hr"},
    {vb::RGB(188, 0, 0), 3.0, "3 in/hr"},       {vb::RGB(248, 0, 253), 4.0, "4 in/hr"},
    {vb::RGB(152, 84, 198), 6.0, "6 in/hr"},    {vb::RGB(253, 253, 253), 8.0, "8 in/hr"},
}};

namespace {

// The second colour of legend entry 7 (45 dBZ); its label shows RGB 253,139,0.
constexpr vb::Color kLevel3SecondOrange = vb::RGB(253, 149, 0);
constexpr int kLevel3OrangeEntry = 7;

struct ColourLabel {
  vb::Color colour;
  const char* text;
};

constexpr ColourLabel kDbzLabels[] = {
    {vb::RGB(4, 233, 231), "1"},    {vb::RGB(1, 159, 244), "5"},   {vb::RGB(3, 0, 244), "10"},
    {vb::RGB(2, 253, 2), "15"},     {vb::RGB(1, 197, 1), "20"},    {vb::RGB(0, 142, 0), "25"},
    {vb::RGB(253, 248, 2), "30"},   {vb::RGB(229, 188, 0), "35"},  {vb::RGB(253, 149, 0), "40"},
    {vb::RGB(253, 0, 0), "45"},     {vb::RGB(212, 0, 0), "50"},    {vb::RGB(188, 0, 0), "55"},
    {vb::RGB(248, 0, 253), "60"},   {vb::RGB(152, 84, 198), "65"}, {vb::RGB(253, 253, 253), "70"},
};

// Colour, narrow-range text, wide-range text.
struct VelocityColour {
  vb::Color colour;
  const char* narrow;
  const char* wide;
};
constexpr VelocityColour kVelocityLabels[] = {
    {vb::RGB(1, 197, 1), "-30", "-60"},          {vb::RGB(124, 151, 123), "-0", "-0"},
    {vb::RGB(4, 114, 2), "-5", "-5"},            {vb::RGB(6, 143, 3), "-10", "-20"},
    {vb::RGB(7, 172, 4), "-22", "-45"},          {vb::RGB(1, 228, 1), "-40", "-80"},
    {vb::RGB(2, 252, 2), "-50", "-99"},          {vb::RGB(152, 119, 119), "+0", "+0"},
    {vb::RGB(137, 0, 0), "+5", "+5"},            {vb::RGB(162, 0, 0), "+10", "+20"},
    {vb::RGB(185, 0, 0), "+22", "+45"},          {vb::RGB(216, 0, 0), "+30", "+60"},
    {vb::RGB(239, 0, 0), "+40", "+80"},          {vb::RGB(254, 0, 0), "+50", "+99"},
    {vb::RGB(144, 0, 160), "RangeFolding", "RangeFolding"},
};

const VelocityColour* velocityEntry(vb::Color colour) {
  for (const VelocityColour& v : kVelocityLabels)
    if (colour != 0 && v.colour == colour) return &v;
  return nullptr;
}

}  // namespace

int level3LegendIndex(const Level3LegendData& legend, vb::Color colour) {
  for (int i = 0; i < kLegendEntries; ++i)
    if (legend.Colour[static_cast<std::size_t>(i)] == colour) return i;
  return colour == kLevel3SecondOrange ? kLevel3OrangeEntry : -1;
}

double totalsLegendValue(vb::Color colour) {
  for (const TotalsLegendEntry& e : kTotalsLegend)
    if (e.colour == colour) return e.value;
  return 0;
}

int fixedWidthColourEntry(const std::string& colourString, vb::Color colour) {
  const std::string wanted = std::to_string(colour);
  for (int k = 0; k < kLegendEntries; ++k)
    if (vb::Trim(vb::Mid(colourString, 9 * k + 9, 9)) == wanted) return k + 1;
  return 0;
}

std::string DbzLabel(vb::Color colour) {
  for (const ColourLabel& l : kDbzLabels)
    if (colour != 0 && l.colour == colour) return l.text;
  return "NA";
}

std::string VelocityLabel(vb::Color colour) {
  const VelocityColour* v = velocityEntry(colour);
  return v ? v->narrow : "NA";
}

std::string VelocityLabelWide(vb::Color colour) {
  const VelocityColour* v = velocityEntry(colour);
  return v ? v->wide : "NA";
}

bool a2mRate(const A2mRateData& table, vb::Color colour, float& rate) {
  for (std::size_t i = 3; i < table.Colour.size() && i < table.Rate.size(); ++i) {
    if (table.Colour[i] == colour) {
      rate = table.Rate[i];
      return true;
    }
  }
  return false;
}

std::string RadarColorRate(const A2mRateData& table, vb::Color colour) {
  float rate = 0;
  return a2mRate(table, colour, rate) ? vb::CStr(rate) : "0";
}

void loadColourTables(Session& s) {
  ColourTables& t = s;

  Level3LegendData legend = builtinLevel3Legend();
  const auto dbzPath = s.inProgramFolder(kDbz2RainrateFile);
  if (vb::fileExists(dbzPath)) {
    Level3LegendData overridden = legend;
    try {
      applyDbz2Rainrate(overridden, vb::readAllBytes(dbzPath));
      legend = overridden;
    } catch (const std::exception& e) {
      reportFileFailure(s, dbzPath, e);
    }
  }
  t.Level3Legend = legend;

  t.Level2ColourStringA = builtinLevel2ColourStringA();
  t.Level2ColourStringB = builtinLevel2ColourStringB();

  const auto level2Path = s.inProgramFolder(kLevel2RGBFile);
  if (vb::fileExists(level2Path)) {
    try {
      Level2Load load = parseLevel2RGB(vb::readAllBytes(level2Path));
      t.Level2ZRTable = std::move(load.table);
      if (load.corruptLine)
        notify(s, "File Level2RGB.txt dbz to rainfall color table corrupted.\n" + *load.corruptLine);
    } catch (const std::exception& e) {
      reportFileFailure(s, level2Path, e);
    }
  } else {
    notify(s, "Level 2 dbz rainfall file not found: " + level2Path.string());
  }

  t.CanadaLegendTable = builtinCanadaLegend();

  const auto a2mPath = s.inProgramFolder(kA2mRateFile);
  if (vb::fileExists(a2mPath)) {
    try {
      t.A2mRateTable = parseA2mRates(vb::readAllBytes(a2mPath));
    } catch (const std::exception& e) {
      reportFileFailure(s, a2mPath, e);
    }
  } else {
    notify(s, "File not found: " + a2mPath.string());
  }
}

}  // namespace fw
