#pragma once
// A scheduled batch program without a window: the plain loop that stands in for the window's
// message loop and its 10-second Timer1.
namespace fw {

struct Session;

// Ticks Timer1_Timer every Timer1.Interval milliseconds of the session's clock while Timer1 is
// enabled, until a stop is asked (a signal) or a run asks the program to end. The wait is cut
// into slices of sliceMs, so a stop is noticed within one slice.
void runHeadlessTimer(Session& s, int sliceMs = 200);

}  // namespace fw
