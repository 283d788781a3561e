#pragma once
// A two-dimensional table indexed (column, row) from 0, as the program's VB arrays are: an index
// outside the table raises "Subscript out of range" instead of reading past the end.
#include <cstddef>
#include <vector>

#include "platform/vb/error.h"

namespace fw {

template <typename T>
class Table2D {
 public:
  Table2D() = default;
  Table2D(int columns, int rows) { redim(columns, rows); }

  // Re-creates the table with every cell empty (ReDim without Preserve).
  void redim(int columns, int rows) {
    cols_ = columns < 0 ? 0 : columns;
    rows_ = rows < 0 ? 0 : rows;
    cells_.assign(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_), T{});
  }
  int columns() const { return cols_; }
  int rows() const { return rows_; }

  T& operator()(int column, int row) { return cells_[index(column, row)]; }
  const T& operator()(int column, int row) const { return cells_[index(column, row)]; }

 private:
  std::size_t index(int column, int row) const {
    if (column < 0 || column >= cols_ || row < 0 || row >= rows_) vb::raise(vb::err::SubscriptOutOfRange);
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(column);
  }
  int cols_ = 0;
  int rows_ = 0;
  std::vector<T> cells_;
};

}  // namespace fw
