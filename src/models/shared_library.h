#pragma once
// A library the user installs himself (the HEC-DSS library, the SWMM engine), opened at run time
// by its file name. The program never links against such a library: a missing one only makes
// the lines that need it fail, saying which file was looked for.
#include <string>

namespace fw::models {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Opens the library: a name holding "/" is that file, a bare name is looked for where the
  // system looks for libraries (LD_LIBRARY_PATH, the cache of ldconfig). False when it cannot
  // be opened; why() then says what the system reported.
  bool open(const std::string& name);
  void close();
  bool isOpen() const { return handle_ != nullptr; }
  const std::string& name() const { return name_; }
  const std::string& why() const { return why_; }

  // The address of an entry point; nullptr when the library has none of that name.
  void* entry(const char* symbol) const;
  // The same, cast to the function type the caller declared for it.
  template <typename F>
  F function(const char* symbol) const {
    return reinterpret_cast<F>(entry(symbol));
  }

 private:
  void* handle_ = nullptr;
  std::string name_;
  std::string why_;
};

}  // namespace fw::models
