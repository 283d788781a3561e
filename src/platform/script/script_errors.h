#pragma once
// VBScript's error numbers and descriptions, and the limits that keep hostile text from
// exhausting the stack, the memory or the time of a run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fw::script {

namespace code {
// Run-time errors (the VB runtime raises the shared ones itself: 5, 6, 11, 13, 94).
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t OutOfStackSpace = 28;
inline constexpr int32_t WrongArgumentCount = 450;
inline constexpr int32_t VariableUndefined = 500;
inline constexpr int32_t IllegalAssignment = 501;
// Compile errors.
inline constexpr int32_t SyntaxError = 1002;
inline constexpr int32_t ExpectedLParen = 1005;
inline constexpr int32_t ExpectedRParen = 1006;
inline constexpr int32_t ExpectedIdentifier = 1010;
inline constexpr int32_t ExpectedEquals = 1011;
inline constexpr int32_t ExpectedIf = 1012;
inline constexpr int32_t ExpectedEnd = 1014;
inline constexpr int32_t ExpectedFunction = 1015;
inline constexpr int32_t ExpectedThen = 1017;
inline constexpr int32_t ExpectedExpression = 1023;
inline constexpr int32_t ExpectedEndOfStatement = 1025;
inline constexpr int32_t IdentifierTooLong = 1030;
inline constexpr int32_t InvalidNumber = 1031;
inline constexpr int32_t InvalidCharacter = 1032;
inline constexpr int32_t UnterminatedString = 1033;
inline constexpr int32_t InvalidExit = 1039;
inline constexpr int32_t NameRedefined = 1041;
}  // namespace code

namespace limit {
inline constexpr std::size_t kTextLength = 65536;     // characters of one AddCode/Eval text
inline constexpr std::size_t kIdentifierLength = 255;
inline constexpr uint32_t kNesting = 100;             // parentheses, unary operators and blocks
inline constexpr uint32_t kHeight = 1000;             // levels of one expression tree
inline constexpr uint32_t kEvalDepth = 4000;          // levels summed over the active calls
inline constexpr uint32_t kCallDepth = 200;           // active user-function calls
inline constexpr int64_t kSteps = 5'000'000;          // nodes evaluated per AddCode/Eval call
inline constexpr std::size_t kStringLength = 65536;    // characters of one string value
inline constexpr std::size_t kArguments = 64;         // arguments of one call
inline constexpr std::size_t kSymbols = 16384;        // distinct names the engine knows at once
}  // namespace limit

// VBScript's description of an error number of this engine or of the VB runtime.
std::string describe(int32_t number);
// Throw vb::Error with the number's description, with ": 'name'" after it ("Type mismatch:
// 'foo'", "Variable is undefined: 'x'"), or with a description of the caller's.
[[noreturn]] void fail(int32_t number);
[[noreturn]] void failNamed(int32_t number, std::string_view name);
[[noreturn]] void failWith(int32_t number, std::string description);
// The error for a call that used up limit::kSteps.
[[noreturn]] void failTooManySteps();

}  // namespace fw::script
