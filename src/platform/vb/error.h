#pragma once
// Run-time errors with VB's numbers and descriptions. Every layer raises vb::Error; routines
// that "go on with the next step" catch it per step and count.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vb {

class Error : public std::runtime_error {
 public:
  Error(int32_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

// VB's own run-time error numbers that the program relies on.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;  // "Invalid procedure call or argument"
inline constexpr int32_t Overflow = 6;              // "Overflow"
inline constexpr int32_t SubscriptOutOfRange = 9;   // "Subscript out of range"
inline constexpr int32_t DivisionByZero = 11;       // "Division by zero"
inline constexpr int32_t TypeMismatch = 13;         // "Type mismatch"
inline constexpr int32_t FileNotFound = 53;         // "File not found"
inline constexpr int32_t InputPastEndOfFile = 62;   // "Input past end of file"
inline constexpr int32_t PathFileAccess = 75;       // "Path/File access error"
inline constexpr int32_t PathNotFound = 76;         // "Path not found"
inline constexpr int32_t InvalidPropertyValue = 380;  // "Invalid property value"
}  // namespace err

// Throws vb::Error with the number and VB's standard description for it.
[[noreturn]] void raise(int32_t number);
// The standard description of a VB error number ("Overflow", ...); "Application-defined or
// object-defined error" for numbers without one.
std::string errorDescription(int32_t number);

}  // namespace vb
