#include "app/station_grid.h"

#include "platform/vb/error.h"

namespace fw {

namespace {
void checkCol(int col) {
  if (col < 0 || col >= kGridColumns) vb::raise(vb::err::SubscriptOutOfRange);
}
}  // namespace

void StationGrid::setRows(int count) {
  rows_.resize(count < 0 ? 0 : static_cast<std::size_t>(count));
}

StationGrid::GridRow& StationGrid::row(int r) {
  if (r < 0 || r >= Rows()) vb::raise(vb::err::SubscriptOutOfRange);
  return rows_[static_cast<std::size_t>(r)];
}

const StationGrid::GridRow& StationGrid::row(int r) const {
  if (r < 0 || r >= Rows()) vb::raise(vb::err::SubscriptOutOfRange);
  return rows_[static_cast<std::size_t>(r)];
}

void StationGrid::RemoveItem(int r) {
  if (r < 0 || r >= Rows()) vb::raise(vb::err::SubscriptOutOfRange);
  rows_.erase(rows_.begin() + r);
}

std::string StationGrid::Text() const {
  if (Row < 0 || Row >= Rows() || Col < 0 || Col >= kGridColumns) return {};
  return rows_[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
}

std::string& StationGrid::TextMatrix(int r, int col) {
  checkCol(col);
  return row(r)[static_cast<std::size_t>(col)];
}

const std::string& StationGrid::TextMatrix(int r, int col) const {
  checkCol(col);
  return row(r)[static_cast<std::size_t>(col)];
}

int32_t StationGrid::ColWidth(int col) const {
  checkCol(col);
  return widths_[static_cast<std::size_t>(col)];
}

void StationGrid::setColWidth(int col, int32_t twips) {
  checkCol(col);
  widths_[static_cast<std::size_t>(col)] = twips;
}

}  // namespace fw
