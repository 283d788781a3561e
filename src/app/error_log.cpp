#include "app/error_log.h"

namespace fw {

void ErrorLog::setPath(std::filesystem::path p) {
  close();
  path_ = std::move(p);
}

void ErrorLog::open() {
  if (out_.is_open()) return;
  out_.open(path_, std::ios::binary | std::ios::app);
}

void ErrorLog::close() {
  if (out_.is_open()) out_.close();
}

void ErrorLog::writeLine(const std::string& text) {
  written_.push_back(text);
  if (out_.is_open()) {
    out_ << text << "\r\n";
    out_.flush();
    return;
  }
  std::ofstream once(path_, std::ios::binary | std::ios::app);
  once << text << "\r\n";
}

}  // namespace fw
