#pragma once
// The dispatch of a station line to the retriever or computation its source type selects. Each
// type's block is one row of a table: the label and icon shown while it works, how it reuses the
// last download, the routine, and where the date and the value are in the text it hands back.
// The few rules a table row cannot hold (precipitation kinds, wind flags, formulas) follow it.
#include <cstdint>
#include <functional>
#include <string>

#include "run/run_context.h"

namespace fw {

struct Session;

// How a block reuses the download the last line left in RetrievalText.
enum class Reuse : uint8_t {
  None,   // the retriever gets the text as the last line left it
  Short,  // a new station id empties the text
  Full,   // as Short, and the same id again after a download without data is not repeated
};

// Where the value field of the returned text is found.
enum class ValueFrom : uint8_t {
  Retriever,    // the retriever's own value index
  FirstColumn,  // ValueColumns(0)
  LastColumn,   // ValueColumns(ParameterCount)
  Fixed,        // the row's fixed index
};

using SourceRoutine = void (*)(Session& s, SourceCall& c);

struct SourceBlock {
  int16_t type;
  const char* label;  // shown in the caption and tray tip while the block works
  const char* icon;   // key of the window icon
  Reuse reuse;
  SourceRoutine routine;
  int16_t dateIndex;  // 0: the retriever reports it
  ValueFrom value;
  int16_t fixedValue;
  bool errorFails;  // an error text ends the line before the parsing
};

// The block of a source type; nullptr for a type the dispatch does not handle.
const SourceBlock* sourceBlock(int16_t type);

// How a weather-station line's parameter code delivers precipitation: -1 a rate per hour (unit
// values only), 2 a running daily total, -2 a running accumulation, 3 airport precipitation; 0
// plain values.
int16_t weatherPrecipKind(const std::string& parameterCode, bool unitValues);

// The call a routine of the line is handed: what the line, the run and the session hold now.
SourceCall sourceCallFor(const Session& s, const RunContext& ctx, const LineState& line);

// Runs a routine of the line on its call. A reply that broke off or passed a download limit
// during it fails the line with its text, whatever the routine made of the reply: the call then
// comes back with that text as its error and no retrieval text, so nothing of it is stored, and
// names no station whose download it keeps.
void callSourceRoutine(Session& s, SourceCall& c, const std::function<void(SourceCall&)>& routine);

// Calls the block of the line's type. `caption` is the window caption read just before. Fills
// RetrievalFailed, ComputeCanceled and NothingToParse, and hands back every in-and-out value.
void getsourcedata(Session& s, RunContext& ctx, LineState& line, const std::string& caption);

}  // namespace fw
