#pragma once
// Parses VBScript text into the flat trees of ast.h. Operators bind as VBScript's do, tightest
// first: ^, unary -, * /, \, Mod, + -, &, comparisons, Not, And, Or, Xor, Eqv, Imp; all binary
// operators group left to right (2^3^2 is 64). Names are resolved to symbol ids; a function's
// parameters, return value and Dim'd names become slots of its frame.
//
// Statements: name = expression, Dim, Const, Option Explicit, If ... Then (one line or a block
// with ElseIf, Else and End If), Call, a call without Call, Exit Function, and at the top level
// Function name(params) ... End Function. Errors raise VBScript's compile errors.
#include <memory>
#include <string_view>

#include "platform/script/ast.h"
#include "platform/script/symbols.h"

namespace fw::script {

std::unique_ptr<Expression> parseExpression(std::string_view text, SymbolTable& symbols);
std::unique_ptr<Program> parseProgram(std::string_view text, SymbolTable& symbols);

}  // namespace fw::script
