#pragma once
// The VBScript functions formulas may call (Abs ... Trim), each over the VB runtime. A function
// the user adds with the same name takes its place.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/vb/variant.h"

namespace fw::script {

// `steps` is the caller's work budget; a function whose work grows faster than its result
// (InStr) takes its share from it.
using BuiltinFn = vb::Variant (*)(const vb::Variant* args, int argc, int64_t& steps);

struct Builtin {
  std::string_view name;
  uint8_t minArgs;
  uint8_t maxArgs;
  BuiltinFn fn;
};

inline constexpr int kMaxBuiltinArgs = 5;

std::optional<uint16_t> findBuiltin(std::string_view name);  // case-insensitive
const Builtin& builtinAt(uint16_t index);

}  // namespace fw::script
