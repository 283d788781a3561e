#pragma once
// The COMPUTE source: imports through a request file, exports of the line's own series, and
// computations over one or several stored series handed to the run's formula through
// "computeIn.txt".
#include <functional>
#include <string>

#include "compute/compute_line.h"
#include "run/run_services.h"

namespace fw::compute {

// Runs the line's job. On success the result is RetrievalText with the value fields in
// ValueColumns and Error empty; "OK" after an export, "Canceled" when the user cancelled. Any
// failure leaves RetrievalText empty and Error "description  context".
void hdbcompute(Session& s, SourceCall& c);

// Hands the finished table of a line whose input list ends with an option word (an ET, solar or
// long-wave line) to the ET computation, which replaces RetrievalText or sets Error. Until one is
// installed the line fails with a not-available text.
using EToComputeHook = std::function<void(Session& s, SourceCall& c, const ComputeInputs& inputs)>;
void setEToComputeHook(EToComputeHook hook);
void EToComputeHandOff(Session& s, SourceCall& c, const ComputeInputs& inputs);

// The "Write Unit Values" question before unit-value computations. False when the user
// cancelled. An unattended run never asks: the question goes to the error log and the answer is No.
bool askUnitValues(Session& s, const std::string& title);

// Room in UnitSeries for every row the table can hold from begin to end (1-minute unit values).
size_t seriesRowsFor(const std::string& table, double beginDay, double endDay);

// Part of hdbcompute: the several-input grid. Writes "computeIn.txt" and sets RetrievalText;
// onOffPath returns the on/off list's path when one was read. Raises on failure.
void computeGrid(Session& s, SourceCall& c, const ComputeStation& st, const ComputeInputs& in,
                 std::string& onOffPath);

// Part of hdbcompute: GET lines. requestName returns the request file's name for the error text.
void computeRequest(Session& s, SourceCall& c, std::string& requestName);

// Part of hdbcompute: PUT lines. Sets Error "OK" after writing.
void computeExport(Session& s, SourceCall& c, const ComputeStation& st);

}  // namespace fw::compute
