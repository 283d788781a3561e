// madis_dump: the surface dump of one MADIS mesonet hour, run by the MADIS collection as its own
// program. Usage: madis_dump [MADIS folder] (default: the current folder).
#include <cstdio>
#include <filesystem>
#include <string>

#include "retrieval/madis_dump.h"

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::current_path();
  std::string error;
  if (!fw::madisDump(folder, error)) {
    std::fprintf(stderr, "madis_dump: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
