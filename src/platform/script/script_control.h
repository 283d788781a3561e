#pragma once
// The script engine that station-line conditions, formulas and routing conditions run in: a
// VBScript interpreter for the statements the run adds ("P1=123.4", "SHIFT= .12", Function
// blocks) and the expressions it evaluates ("(P1+SHIFT)^1.5*3.2", "P1>100 And Month(D)=6").
//
// Names are case-insensitive; a name nobody assigned reads as Empty (0 in arithmetic, "" in
// text), as VBScript does without Option Explicit. Every failure raises vb::Error with
// VBScript's number and description ("Division by zero", "Type mismatch", "Syntax error", ...)
// and is also kept in `Error` until the caller clears it.
//
// Each distinct text is parsed once and its parsed form kept, so evaluating the same formula
// for every value of a station costs one hash lookup and a walk of a small tree. Statements of
// the form name=number are applied without parsing at all.
//
// Hostile text is safe: texts longer than kMaxTextLength, nesting deeper than the limits, runaway
// recursion and very long strings give an error, never a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/vb/variant.h"

namespace fw {

namespace script {
class Engine;
}

// The last error a script call raised: VBScript's number and description.
struct ScriptError {
  int32_t Number = 0;
  std::string Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
};

class ScriptControl {
 public:
  ScriptControl();
  ~ScriptControl();
  ScriptControl(ScriptControl&&) noexcept;
  ScriptControl& operator=(ScriptControl&&) noexcept;
  ScriptControl(const ScriptControl&) = delete;
  ScriptControl& operator=(const ScriptControl&) = delete;

  // Drops every variable, every added function and Option Explicit.
  void Reset();
  // Runs statements at global scope; Function blocks in the text are defined first, then the
  // other statements run in order. A text that does not parse runs nothing.
  void AddCode(std::string_view code);
  // The same as AddCode for one statement ("P1=123.4").
  void ExecuteStatement(std::string_view statement);
  // The value of an expression; "=" compares here (True is -1 as a number).
  vb::Variant Eval(std::string_view expression);

  ScriptError Error;

  // How many texts were parsed so far (each distinct text once, name=number statements never).
  std::size_t parseCount() const;

  static constexpr std::size_t kMaxTextLength = 65536;  // characters per call

 private:
  script::Engine& engine();
  std::unique_ptr<script::Engine> engine_;
};

}  // namespace fw
