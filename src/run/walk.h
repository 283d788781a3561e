#pragma once
// The walk over the station lines as a small state machine. Each station line ends with one named
// move; the walk applies it and says which line comes next. Line-index arithmetic lives only here,
// so no step of a line can move the walk backwards or past its end by accident.
#include <cstdint>

namespace fw {

// How a station line hands over to what comes next.
enum class MoveKind : uint8_t {
  NextLine,    // straight on to the next line (comment lines, lines passed over)
  SameLine,    // the same line comes again (line kinds that take several passes)
  SkipLines,   // pass over the next `count` lines, then go on
  EndStation,  // the station's end: counts, limits and alerts, then the next line
  Finish,      // the run finishes
  Cancel,      // the run takes its shorter cancel path
  NextTrace,   // a What-If run's next trace: the same runoff line from its set-up
};

struct Move {
  MoveKind kind = MoveKind::NextLine;
  int32_t count = 0;  // lines to pass over (SkipLines)

  static Move nextLine() { return {MoveKind::NextLine, 0}; }
  static Move sameLine() { return {MoveKind::SameLine, 0}; }
  // A negative count is 0: the walk never moves backwards.
  static Move skipLines(int32_t n) { return {MoveKind::SkipLines, n < 0 ? 0 : n}; }
  static Move endStation() { return {MoveKind::EndStation, 0}; }
  static Move finish() { return {MoveKind::Finish, 0}; }
  static Move cancel() { return {MoveKind::Cancel, 0}; }
  static Move nextTrace() { return {MoveKind::NextTrace, 0}; }
  bool operator==(const Move&) const = default;
};

class StationWalk {
 public:
  // Walks lines first to last, and never past stationCount (the last line of StationTable).
  StationWalk(int32_t first, int32_t last, int32_t stationCount);

  // Steps to the next line; false when the walk has passed its last line (the run finishes).
  bool nextLine();
  // The line nextLine() last stepped to.
  int32_t index() const { return index_; }
  // The next nextLine() gives the current line again.
  void sameLine();
  // The next n lines are passed over (n below 0 counts as 0).
  void skipLines(int32_t n);

  int32_t first() const { return first_; }
  int32_t last() const { return last_; }
  // Lines done before the current one, and the lines of the whole range, for the progress display.
  int32_t done() const { return index_ - first_; }
  int32_t total() const { return rangeLast_ - first_ + 1; }

 private:
  int32_t first_;
  int32_t rangeLast_;  // the range's last line as asked for
  int32_t last_;       // the smaller of that and stationCount
  int32_t index_;
};

}  // namespace fw
