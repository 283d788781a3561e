#include "platform/script/script_errors.h"

#include "platform/vb/error.h"

namespace fw::script {

std::string describe(int32_t number) {
  switch (number) {
    case code::OutOfMemory: return "Out of memory";
    case code::OutOfStackSpace: return "Out of stack space";
    case code::WrongArgumentCount: return "Wrong number of arguments or invalid property assignment";
    case code::VariableUndefined: return "Variable is undefined";
    case code::IllegalAssignment: return "Illegal assignment";
    case code::SyntaxError: return "Syntax error";
    case code::ExpectedLParen: return "Expected '('";
    case code::ExpectedRParen: return "Expected ')'";
    case code::ExpectedIdentifier: return "Expected identifier";
    case code::ExpectedEquals: return "Expected '='";
    case code::ExpectedIf: return "Expected 'If'";
    case code::ExpectedEnd: return "Expected 'End'";
    case code::ExpectedFunction: return "Expected 'Function'";
    case code::ExpectedThen: return "Expected 'Then'";
    case code::ExpectedExpression: return "Expected expression";
    case code::ExpectedEndOfStatement: return "Expected end of statement";
    case code::IdentifierTooLong: return "Identifier too long";
    case code::InvalidNumber: return "Invalid number";
    case code::InvalidCharacter: return "Invalid character";
    case code::UnterminatedString: return "Unterminated string constant";
    case code::InvalidExit: return "Invalid 'exit' statement";
    case code::NameRedefined: return "Name redefined";
    default: return vb::errorDescription(number);
  }
}

void fail(int32_t number) { throw vb::Error(number, describe(number)); }

void failNamed(int32_t number, std::string_view name) {
  throw vb::Error(number, describe(number) + ": '" + std::string(name) + "'");
}

void failWith(int32_t number, std::string description) { throw vb::Error(number, std::move(description)); }

void failTooManySteps() {
  failWith(code::OutOfStackSpace, "Script runs too long (more than " + std::to_string(limit::kSteps) + " steps)");
}

}  // namespace fw::script
