#include "run/walk.h"

#include <gtest/gtest.h>

#include <vector>

namespace fw {
namespace {

// Lines visited when every line ends with `moveAt(index)`.
template <typename F>
std::vector<int32_t> visit(StationWalk w, F moveAt) {
  std::vector<int32_t> seen;
  while (w.nextLine() && seen.size() < 100) {
    seen.push_back(w.index());
    Move m = moveAt(w.index(), seen.size());
    if (m.kind == MoveKind::SameLine) w.sameLine();
    if (m.kind == MoveKind::SkipLines) w.skipLines(m.count);
    if (m.kind == MoveKind::Finish) break;
  }
  return seen;
}

TEST(StationWalk, VisitsTheRangeAndNeverPassesTheLastStationLine) {
  auto next = [](int32_t, size_t) { return Move::nextLine(); };
  EXPECT_EQ(visit(StationWalk(1, 4, 10), next), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(visit(StationWalk(3, 40, 5), next), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_TRUE(visit(StationWalk(1, 0, 5), next).empty());
  EXPECT_TRUE(visit(StationWalk(1, 5, -1), next).empty());  // a setup file without station lines
}

TEST(StationWalk, SkipPassesOverTheNextLinesAndStopsAtTheEnd) {
  EXPECT_EQ(visit(StationWalk(1, 8, 8),
                  [](int32_t i, size_t) { return i == 2 ? Move::skipLines(2) : Move::nextLine(); }),
            (std::vector<int32_t>{1, 2, 5, 6, 7, 8}));
  EXPECT_EQ(visit(StationWalk(1, 8, 8),
                  [](int32_t i, size_t) { return i == 7 ? Move::skipLines(30000) : Move::nextLine(); }),
            (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(StationWalk, ANegativeSkipCountNeverMovesBackwards) {
  EXPECT_EQ(Move::skipLines(-2), Move::skipLines(0));
  StationWalk w(1, 5, 5);
  ASSERT_TRUE(w.nextLine());
  ASSERT_TRUE(w.nextLine());
  w.skipLines(-2);
  ASSERT_TRUE(w.nextLine());
  EXPECT_EQ(w.index(), 3);
}

TEST(StationWalk, SameLineComesAgain) {
  // A line walked three times (two extra passes), then the walk goes on.
  EXPECT_EQ(visit(StationWalk(1, 3, 3),
                  [](int32_t i, size_t n) { return i == 2 && n < 4 ? Move::sameLine() : Move::nextLine(); }),
            (std::vector<int32_t>{1, 2, 2, 2, 3}));
}

TEST(StationWalk, ProgressCountsFromTheFirstLineOfTheRange) {
  StationWalk w(3, 14, 12);  // the range asks for 12 lines, the list has fewer
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(w.nextLine());
  EXPECT_EQ(w.index(), 5);
  EXPECT_EQ(w.done(), 2);
  EXPECT_EQ(w.total(), 12);
}

}  // namespace
}  // namespace fw
