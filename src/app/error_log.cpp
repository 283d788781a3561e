#include "app/error_log.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace fw {

std::ostream* standardErrorStream() { return &std::cerr; }

void ErrorLog::setPath(std::filesystem::path p) {
  close();
  path_ = std::move(p);
}

void ErrorLog::open() {
  if (out_.is_open()) return;
  errno = 0;
  out_.open(path_, std::ios::binary | std::ios::app);
  if (!out_.is_open()) fail("");
}

void ErrorLog::close() {
  if (out_.is_open()) out_.close();
}

void ErrorLog::fail(const std::string& text) {
  const int error = errno;
  if (!failed_ && fallback_) {
    *fallback_ << "Flumewright: the error log " << path_.string() << " cannot be written"
               << (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string())
               << "; its lines follow here." << std::endl;
  }
  failed_ = true;
  if (!text.empty() && fallback_) *fallback_ << text << std::endl;
}

void ErrorLog::writeLine(const std::string& text) {
  written_.push_back(text);
  errno = 0;
  if (out_.is_open()) {
    if (!failed_) {
      out_ << text << "\r\n";
      out_.flush();
      if (out_.good()) return;
    }
    fail(text);
    return;
  }
  if (!failed_) {
    std::ofstream once(path_, std::ios::binary | std::ios::app);
    if (once.is_open()) {
      once << text << "\r\n";
      once.flush();
      if (once.good()) return;
    }
  }
  fail(text);
}

}  // namespace fw
