#include "models/shared_library.h"

#include <dlfcn.h>

namespace fw::models {

SharedLibrary::~SharedLibrary() {
  close();
}

bool SharedLibrary::open(const std::string& name) {
  close();
  name_ = name;
  why_.clear();
  // Its symbols stay its own, so two libraries with the same entry names never mix.
  handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    why_ = reason != nullptr ? reason : "cannot be opened";
    return false;
  }
  return true;
}

void SharedLibrary::close() {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
}

void* SharedLibrary::entry(const char* symbol) const {
  return handle_ != nullptr ? ::dlsym(handle_, symbol) : nullptr;
}

}  // namespace fw::models
