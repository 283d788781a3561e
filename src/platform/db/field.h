#pragma once
// One field of a recordset's current row, by position: `rs.Fields(2).Value()` reads it,
// `rs.Fields(2) = value` writes it (converted to the column's kind; dates rounded to seconds).
#include <string>

#include "platform/db/row_set.h"

namespace fw::db {

class Field {
 public:
  Field(RowSet& rows, int index) : rows_(rows), index_(index) {}
  const vb::Variant& Value() const { return rows_.value(index_); }
  bool IsNull() const { return rows_.value(index_).isNull(); }
  const std::string& Name() const { return rows_.column(index_).name; }
  Field& operator=(const vb::Variant& v) {
    rows_.setValue(index_, v);
    return *this;
  }
  Field& operator=(const Field& other) { return *this = other.Value(); }

 private:
  RowSet& rows_;
  int index_;
};

}  // namespace fw::db
