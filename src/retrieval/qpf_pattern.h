#pragma once
// How forecast rain (QPF, an amount per hour) is spread over 5-minute steps: evenly (storm type
// 0), or front-loaded for the first five hours by the storm type's weights and then by the
// user's 6-hour distribution table "Skyvantor_6hour_Dist.txt".
#include <string>
#include <vector>

namespace fw {

inline constexpr const char* kQpfTableName = "Skyvantor_6hour_Dist.txt";

// The distribution table: table[type][step], storm types 1..N, steps 1..80 (index 0 unused).
using QpfTable = std::vector<std::vector<double>>;
// Reads the file's text: line 1 a title, lines without TAB skipped, field 0 a label, fields 1..N
// the shares of storm types 1..N. More than 80 data lines, or a line shorter than the first,
// raises vb::Error 9.
QpfTable parseQpfTable(const std::string& text);

// The step position in the 6-hour period at the first forecast hour, from the UTC hour.
int qpfStartPosition(int utcHour);

// One QPF parameter line, hour by hour. Values in inches (mm when metric).
class QpfSpreader {
 public:
  QpfSpreader(int stormType, bool metric, const QpfTable* table, int startPosition);
  // An hour's forecast amount; returns the text the hour's steps carry unless the table spreads it.
  std::string hour(double amount);
  // An hour without a forecast value.
  std::string missingHour(const std::string& lastText);
  // One 5-minute step of the current hour: its text; `capped` when a share had to be cut.
  std::string step(const std::string& hourText, bool& capped);

 private:
  int type_;
  bool metric_;
  const QpfTable* table_;
  double A_ = 1, B_ = 0;
  int frontHours_ = 0;  // hours front-loaded so far (five at most)
  bool frontLoaded_ = false;
  int P_ = 0;  // position in the 6-hour distribution, 1..72
  double previous_ = 0;
  double Q6_ = 0;     // the 6-hour amount the table spreads
  double value_ = 0;  // the current hour's front-loaded step amount
};

}  // namespace fw
