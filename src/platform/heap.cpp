#include "platform/heap.h"

#include <malloc.h>

#include <mutex>

namespace fw {

void keepFreedHeap() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Blocks below 32 MB come from the heap (not from mappings of their own, which are unmapped
    // on free), and the heap's top is given back only when more than 64 MB of it is free.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
  });
}

}  // namespace fw
