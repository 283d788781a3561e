#pragma once
// The error log "Flumewright_errlog.txt" in the program folder. A run keeps it open for
// appending from its start to its end; outside a run each line is appended on its own.
// Lines end with CR LF.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fw {

inline constexpr const char* kErrorLogName = "Flumewright_errlog.txt";

class ErrorLog {
 public:
  explicit ErrorLog(std::filesystem::path path) : path_(std::move(path)) {}
  ~ErrorLog() { close(); }
  ErrorLog(const ErrorLog&) = delete;
  ErrorLog& operator=(const ErrorLog&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void setPath(std::filesystem::path p);
  void open();  // for appending; a no-op when open
  void close();
  bool isOpen() const { return out_.is_open(); }
  // Writes the text and a line end; flushed at once so nothing is lost if the program dies.
  void writeLine(const std::string& text);
  // The lines written through this object since it was made (for tests and the run summary).
  const std::vector<std::string>& written() const { return written_; }

 private:
  std::filesystem::path path_;
  std::ofstream out_;
  std::vector<std::string> written_;
};

}  // namespace fw
