#pragma once
// An exclusive lock on a file, held through an open descriptor (flock): the lock goes with the
// process, so a killed program never leaves it behind. Two holders in one process exclude each
// other as two processes do.
#include <filesystem>
#include <string>

namespace fw {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Creates the file when missing and takes the lock without waiting. False when another holder
  // has it or the file cannot be opened; error() then says which.
  bool tryAcquire(const std::filesystem::path& file);
  void release();
  bool held() const { return fd_ >= 0; }
  // Why the last tryAcquire failed: empty when another holder has the lock.
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace fw
