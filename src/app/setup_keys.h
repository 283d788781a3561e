#pragma once
// The settings lines of the setup file, one table for the reader and the writer: the key as the
// writer puts it, how the reader applies a value and how the writer gets it back.
#include <functional>
#include <string>
#include <vector>

namespace fw {

struct Session;

inline constexpr const char* kConnectionKey = "DATABASE CONNECTION STRING";
inline constexpr const char* kConnectionKeyWritten = "Database Connection String=";
inline constexpr const char* kNowcastInfoKey = "NOWCAST INFO FOLDER";

struct SetupKey {
  std::string written;  // the literal key text the writer puts before the value; empty = never written
  std::string upper;    // the key as the reader compares it: trimmed and upper-cased
  std::function<void(Session&, const std::string& value)> read;  // may raise vb::Error
  std::function<std::string(const Session&)> write;
  // When set, the key is written only while it returns true (keys the setup file gave).
  std::function<bool(const Session&)> given = nullptr;
  // When set: why the value is one the key cannot take (empty when it can), for the reader's
  // report. The value is still handed to read, which keeps the setting as the file format says.
  std::function<std::string(const std::string& value)> complaint = nullptr;
};

// Every settings key except the connection line: the written ones in the order of the file, then
// the keys that are read but never written.
const std::vector<SetupKey>& setupKeys();
// The key whose upper-cased name is given; nullptr for unknown keys and for the connection line.
const SetupKey* findSetupKey(const std::string& upperKey);
// True for every key the reader knows, the connection line included.
bool isKnownSetupKey(const std::string& upperKey);

}  // namespace fw
