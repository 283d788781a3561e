#pragma once
// How the process's heap treats freed memory.

namespace fw {

// Keeps freed blocks of up to tens of megabytes in the process instead of returning them to the
// system. A run stores and reads series of several megabytes pass after pass (the engine's
// in-memory journal of a batch, a year of unit values read back): given back after every pass,
// that memory is faulted in again page by page in the next one, which on this kind of machine
// cost a writer more than its own work beside the database's. Done once; later calls do nothing.
void keepFreedHeap();

}  // namespace fw
