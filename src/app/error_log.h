#pragma once
// The error log "Flumewright_errlog.txt" in the program folder. A run keeps it open for
// appending from its start to its end; outside a run each line is appended on its own.
// Lines end with CR LF.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace fw {

inline constexpr const char* kErrorLogName = "Flumewright_errlog.txt";

std::ostream* standardErrorStream();

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
  // When the file cannot be opened or written (a folder without write permission, a full disk),
  // that is said once on the fallback stream, and from then on every line goes there instead.
  void writeLine(const std::string& text);
  // The lines written through this object since it was made (for tests and the run summary).
  const std::vector<std::string>& written() const { return written_; }
  // A line could not be written to the file.
  bool failed() const { return failed_; }
  // Where the lines go when the file fails (standard error unless set; nullptr drops them).
  void setFallback(std::ostream* fallback) { fallback_ = fallback; }

 private:
  void fail(const std::string& text);

  std::filesystem::path path_;
  std::ofstream out_;
  std::vector<std::string> written_;
  bool failed_ = false;
  std::ostream* fallback_ = standardErrorStream();
};

}  // namespace fw
