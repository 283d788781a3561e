#pragma once
// The parsed form of a script text: expression trees stored flat (one node array per unit,
// children by index), statements referring to them, and functions. A parsed text never changes
// after parsing and is kept in the engine's caches for as long as it may be run again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/vb/variant.h"

namespace fw::script {

enum class Op : uint8_t {
  Const,     // constants[a]
  Global,    // the global variable `sym`
  Local,     // slot a of the running function's frame
  Implicit,  // in a function, a name it never declared: the global `sym` when that is defined,
             // else slot a of the frame (VBScript's implicit local)
  Neg,
  Identity,  // unary plus
  Not,
  Pow,
  Mul,
  Div,
  IntDiv,
  Mod,
  Add,
  Sub,
  Concat,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
  Call,  // the user function `sym` when one is defined, else builtin `builtin`; arguments are
         // nodes args[a .. a+argc)
};

inline constexpr uint16_t kNoBuiltin = 0xFFFF;

struct Node {
  Op op = Op::Const;
  uint8_t argc = 0;
  uint16_t builtin = kNoBuiltin;
  uint32_t a = 0;
  uint32_t b = 0;
  uint32_t sym = 0;
};

// The nodes, constants and argument lists of one parsed text or function body.
struct Unit {
  std::vector<Node> nodes;
  std::vector<vb::Variant> constants;
  std::vector<uint32_t> args;
};

struct Stmt;

struct Branch {
  uint32_t cond = 0;  // node index; unused for the Else branch
  bool isElse = false;
  std::vector<Stmt> body;
};

struct Stmt {
  enum class Kind : uint8_t { Assign, Call, If, ExitFunction, Dim, OptionExplicit };
  Kind kind = Kind::Assign;
  uint32_t target = 0;  // Assign, Dim: a Global, Local or Implicit node naming the variable
  uint32_t expr = 0;    // Assign: the value; Call: a Call node
  std::vector<Branch> branches;  // If
};

struct FunctionDef {
  std::string name;
  std::string source;  // the text from "Function" to "End Function", to parse it again
  uint32_t sym = 0;
  uint32_t paramCount = 0;
  std::vector<bool> byVal;  // per parameter; the others are passed by reference
  uint32_t resultSlot = 0;  // frame slot of the return value
  uint32_t frameSize = 0;   // parameters, return value, declared and implicit locals
  uint32_t height = 0;      // deepest expression or block nesting of the body
  Unit unit;
  std::vector<Stmt> body;
};

// A text given to AddCode or ExecuteStatement.
struct Program {
  Unit unit;
  std::vector<Stmt> statements;
  std::vector<std::shared_ptr<const FunctionDef>> functions;  // defined before the statements run
  uint32_t height = 0;
};

// A text given to Eval.
struct Expression {
  Unit unit;
  uint32_t root = 0;
  uint32_t height = 0;
};

}  // namespace fw::script
