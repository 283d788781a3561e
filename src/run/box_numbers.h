#pragma once
// A number typed into a text box is the leading number of its text (0 when the text does not
// start with one: "10%" is 10), converted to the setting's integer type with half to even.
#include <cstdint>
#include <string>

#include "platform/vb/convert.h"

namespace fw {

inline int32_t leadingLong(const std::string& text) {
  return vb::CLng(vb::Val(text));
}
inline int16_t leadingInteger(const std::string& text) {
  return vb::CInt(vb::Val(text));
}

}  // namespace fw
