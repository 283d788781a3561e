#pragma once
// ShellSwmm: the simulation dates of a SWMM 5 input file are set to the run's window and the
// SWMM engine runs it whole, writing the report (.rpt) and the binary results (.out) beside it.
#include <memory>
#include <string>
#include <vector>

#include "models/model_host.h"
#include "models/shared_library.h"

namespace fw::models {

// The SWMM 5 engine.
class SwmmEngine {
 public:
  virtual ~SwmmEngine() = default;
  // Runs the input file from start to end: 0, or SWMM's error code. Raises when there is no
  // engine to run it.
  virtual int run(const std::string& input, const std::string& report, const std::string& output) = 0;
  // The engine's version ("5.2.4").
  virtual std::string version() = 0;
};

// The EPA SWMM 5 engine library, opened the first time it is needed from the file "SWMM
// Library=" names (libswmm5.so where the system finds libraries, unless set).
class SwmmLibrary : public SwmmEngine {
 public:
  explicit SwmmLibrary(std::string name) : name_(std::move(name)) {}
  int run(const std::string& input, const std::string& report, const std::string& output) override;
  std::string version() override;
  const std::string& name() const { return name_; }

 private:
  void load();
  std::string name_;
  SharedLibrary library_;
  int (*run_)(const char*, const char*, const char*) = nullptr;
  int (*version_)() = nullptr;
};

inline constexpr const char* kDefaultSwmmLibrary = "libswmm5.so";
inline constexpr const char* kSwmmLibraryMissing = "SWMM library not found: ";

// The input file's lines with the [OPTIONS] dates set: the simulation and the report start at
// the begin day's midnight and end at the midnight that starts the end day.
std::vector<std::string> rewriteSwmmInput(const std::vector<std::string>& lines, int32_t beginDay,
                                          int32_t endDay);

void ShellSwmm(ModelHost& host, ShellArgs& args, SwmmEngine& engine);

}  // namespace fw::models
