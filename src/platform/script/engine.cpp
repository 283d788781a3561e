#include "platform/script/engine.h"

#include <string>

#include "platform/script/builtins.h"
#include "platform/script/lexer.h"
#include "platform/script/operators.h"
#include "platform/script/parser.h"
#include "platform/script/script_errors.h"
#include "platform/vb/error.h"

namespace fw::script {

namespace {

// Parsed texts kept at once, counted roughly in bytes; beyond it the caches start again.
constexpr std::size_t kCacheBytes = 8u << 20;

std::size_t costOf(const Unit& u) {
  return u.nodes.size() * sizeof(Node) + u.constants.size() * sizeof(vb::Variant) +
         u.args.size() * sizeof(uint32_t);
}
std::size_t costOf(const Expression& e) { return costOf(e.unit); }
std::size_t costOf(const Program& p) {
  std::size_t n = costOf(p.unit) + p.statements.size() * sizeof(Stmt);
  for (const auto& f : p.functions) n += costOf(f->unit) + f->source.size() + f->body.size() * sizeof(Stmt);
  return n;
}

bool truth(const vb::Variant& v) {
  if (isNull(v)) return false;  // If Null: the condition does not hold
  return v.toBoolean();
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSpace(char c) { return isBlank(c) || c == '\r' || c == '\n'; }

}  // namespace

// ---- top level ------------------------------------------------------------------------------

void Engine::reset() {
  for (uint32_t sym : definedList_) {
    globals_[sym] = vb::Variant();
    defined_[sym] = 0;
  }
  definedList_.clear();
  for (uint32_t sym : functionList_) functions_[sym].reset();
  functionList_.clear();
  explicit_ = false;
  stack_.clear();
  // With nothing defined, forgetting names costs only the parsed texts.
  if (symbols_.size() > limit::kSymbols / 2) compact();
}

void Engine::begin(uint32_t height) {
  stack_.clear();
  frameBase_ = 0;
  callDepth_ = 0;
  evalDepth_ = height;
  steps_ = limit::kSteps;
  exiting_ = false;
}

void Engine::run(std::string_view code) {
  if (symbols_.size() > limit::kSymbols * 3 / 4) compact();
  if (tryAssignNumber(code)) return;
  const Program& p = programFor(code);
  defineFunctions(p);
  begin(p.height);
  execBlock(p.unit, p.statements);
}

vb::Variant Engine::eval(std::string_view expression) {
  if (symbols_.size() > limit::kSymbols * 3 / 4) compact();
  const Expression& e = expressionFor(expression);
  begin(e.height);
  return evalNode(e.unit, e.root);
}

// "name=number", the statement the callers send before every evaluation, set without parsing.
bool Engine::tryAssignNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && isBlank(text[i])) ++i;
  if (i >= n || !isIdentStart(text[i])) return false;
  std::size_t nameStart = i;
  while (i < n && isIdentChar(text[i])) ++i;
  std::string_view name = text.substr(nameStart, i - nameStart);
  while (i < n && isBlank(text[i])) ++i;
  if (i >= n || text[i] != '=') return false;
  ++i;
  while (i < n && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
    while (i < n && isBlank(text[i])) ++i;
  }
  vb::Variant value;
  if (!lexNumber(text, i, value)) return false;
  while (i < n && isSpace(text[i])) ++i;
  if (i != n) return false;

  auto found = symbols_.find(name);
  uint32_t sym;
  if (found) {
    sym = *found;
  } else {
    if (isKeyword(name) || findBuiltin(name) || name.size() > limit::kIdentifierLength) return false;
    sym = symbols_.intern(name);
    growTables();
  }
  if (plainName_[sym] == 0) {
    bool plain = !isKeyword(name) && !findBuiltin(name) && name.size() <= limit::kIdentifierLength;
    plainName_[sym] = plain ? 1 : 2;
  }
  // Anything unusual (a keyword, a function's name, Option Explicit) takes the full road, which
  // gives the proper error.
  if (plainName_[sym] != 1 || functions_[sym]) return false;
  if (!defined_[sym]) {
    if (explicit_) return false;
    define(sym);
  }
  globals_[sym] = negative ? negate(value) : std::move(value);
  return true;
}

// ---- caches ---------------------------------------------------------------------------------

template <typename T, typename Parse>
const T& Engine::cached(Cache<T>& cache, std::string_view text, Parse parse) {
  auto it = cache.find(text);
  if (it == cache.end()) {
    Cached<T> entry;
    ++parses_;
    try {
      entry.parsed = parse(text);
    } catch (const vb::Error& e) {
      growTables();
      if (e.number() == code::OutOfMemory) throw;  // too many names: may pass after a Reset
      entry.errorNumber = e.number();
      entry.errorDescription = e.description();
    }
    growTables();
    std::size_t cost = text.size() + sizeof(Cached<T>) + (entry.parsed ? costOf(*entry.parsed) : 0);
    if (cacheBytes_ + cost > kCacheBytes) clearCaches();
    cacheBytes_ += cost;
    it = cache.emplace(std::string(text), std::move(entry)).first;
  }
  if (!it->second.parsed) failWith(it->second.errorNumber, it->second.errorDescription);
  return *it->second.parsed;
}

const Expression& Engine::expressionFor(std::string_view text) {
  return cached(expressions_, text, [this](std::string_view t) { return parseExpression(t, symbols_); });
}

const Program& Engine::programFor(std::string_view text) {
  return cached(programs_, text, [this](std::string_view t) { return parseProgram(t, symbols_); });
}

void Engine::clearCaches() {
  expressions_.clear();
  programs_.clear();
  cacheBytes_ = 0;
}

void Engine::growTables() {
  std::size_t n = symbols_.size();
  if (globals_.size() < n) {
    globals_.resize(n);
    defined_.resize(n, 0);
    plainName_.resize(n, 0);
    functions_.resize(n);
  }
}

// Starts the symbol table again with only the names in use, so that a long session of ever new
// names stays bounded. The parsed texts go (they refer to the old ids); defined variables keep
// their values and added functions are parsed again from their text.
void Engine::compact() {
  std::vector<std::pair<std::string, vb::Variant>> variables;
  for (uint32_t sym : definedList_) variables.emplace_back(symbols_.name(sym), std::move(globals_[sym]));
  std::vector<std::string> sources;
  for (uint32_t sym : functionList_) {
    if (functions_[sym]) sources.push_back(functions_[sym]->source);
  }
  clearCaches();
  symbols_.clear();
  globals_.clear();
  defined_.clear();
  plainName_.clear();
  functions_.clear();
  definedList_.clear();
  functionList_.clear();
  for (auto& [name, value] : variables) {
    uint32_t sym = symbols_.intern(name);
    growTables();
    globals_[sym] = std::move(value);
    define(sym);
  }
  for (const std::string& source : sources) {
    auto p = parseProgram(source, symbols_);
    growTables();
    defineFunctions(*p);
  }
}

void Engine::define(uint32_t sym) {
  if (!defined_[sym]) {
    defined_[sym] = 1;
    definedList_.push_back(sym);
  }
}

// Functions of a text are defined before its statements run; defining one again replaces it.
void Engine::defineFunctions(const Program& p) {
  for (const auto& f : p.functions) {
    if (defined_[f->sym]) failNamed(code::NameRedefined, f->name);
  }
  for (const auto& f : p.functions) {
    if (!functions_[f->sym]) functionList_.push_back(f->sym);
    functions_[f->sym] = f;
  }
}

// ---- evaluation -----------------------------------------------------------------------------

// Every node costs a step, and a text result one more per 16 characters, so that neither deep
// recursion nor copying long strings can keep a call running for long.
vb::Variant Engine::evalNode(const Unit& u, uint32_t index) {
  if (--steps_ < 0) failTooManySteps();
  vb::Variant v = evalOp(u, u.nodes[index]);
  if (const auto* s = std::get_if<std::string>(&v.storage())) {
    steps_ -= static_cast<int64_t>(s->size() / 16);
  }
  return v;
}

vb::Variant Engine::evalOp(const Unit& u, const Node& n) {
  switch (n.op) {
    case Op::Const: return u.constants[n.a];
    case Op::Global: return readGlobal(u, n);
    case Op::Local: return stack_[frameBase_ + n.a];
    case Op::Implicit: return readImplicit(u, n);
    case Op::Neg: return negate(evalNode(u, n.a));
    case Op::Identity: return evalNode(u, n.a);
    case Op::Not: return logicalNot(evalNode(u, n.a));
    case Op::Call: return callNode(u, n);
    default: break;
  }
  vb::Variant l = evalNode(u, n.a);
  vb::Variant r = evalNode(u, n.b);
  switch (n.op) {
    case Op::Pow: return power(l, r);
    case Op::Mul: return multiply(l, r);
    case Op::Div: return divide(l, r);
    case Op::IntDiv: return integerDivide(l, r);
    case Op::Mod: return modulo(l, r);
    case Op::Add: return add(l, r);
    case Op::Sub: return subtract(l, r);
    case Op::Concat: return concatenate(l, r);
    case Op::Eq: return compare(Compare::Eq, l, r);
    case Op::Ne: return compare(Compare::Ne, l, r);
    case Op::Lt: return compare(Compare::Lt, l, r);
    case Op::Gt: return compare(Compare::Gt, l, r);
    case Op::Le: return compare(Compare::Le, l, r);
    case Op::Ge: return compare(Compare::Ge, l, r);
    case Op::And: return logical(Logic::And, l, r);
    case Op::Or: return logical(Logic::Or, l, r);
    case Op::Xor: return logical(Logic::Xor, l, r);
    case Op::Eqv: return logical(Logic::Eqv, l, r);
    default: return logical(Logic::Imp, l, r);
  }
}

vb::Variant Engine::readGlobal(const Unit& u, const Node& n) {
  if (const auto& f = functions_[n.sym]) return callUser(*f, u, n);
  if (!defined_[n.sym] && explicit_) failNamed(code::VariableUndefined, symbols_.name(n.sym));
  return globals_[n.sym];
}

vb::Variant Engine::readImplicit(const Unit& u, const Node& n) {
  if (const auto& f = functions_[n.sym]) return callUser(*f, u, n);
  if (defined_[n.sym]) return globals_[n.sym];
  if (explicit_) failNamed(code::VariableUndefined, symbols_.name(n.sym));
  return stack_[frameBase_ + n.a];
}

vb::Variant Engine::callNode(const Unit& u, const Node& n) {
  if (const auto& f = functions_[n.sym]) return callUser(*f, u, n);
  if (n.builtin != kNoBuiltin) return callBuiltin(u, n);
  // A name with arguments that is no function: VBScript takes it for an array.
  failNamed(vb::err::TypeMismatch, symbols_.name(n.sym));
}

vb::Variant Engine::callBuiltin(const Unit& u, const Node& n) {
  const Builtin& b = builtinAt(n.builtin);
  if (n.argc < b.minArgs || n.argc > b.maxArgs) failNamed(code::WrongArgumentCount, b.name);
  vb::Variant args[kMaxBuiltinArgs];
  for (uint32_t i = 0; i < n.argc; ++i) args[i] = evalNode(u, u.args[n.a + i]);
  return b.fn(args, n.argc, steps_);
}

vb::Variant Engine::callUser(const FunctionDef& f, const Unit& u, const Node& n) {
  if (n.argc != f.paramCount) failNamed(code::WrongArgumentCount, f.name);
  if (callDepth_ >= limit::kCallDepth || evalDepth_ + f.height > limit::kEvalDepth) {
    fail(code::OutOfStackSpace);
  }
  // Keep the definition alive even if the call ends up replacing it.
  std::shared_ptr<const FunctionDef> keep = functions_[f.sym];
  const std::size_t base = stack_.size();
  for (uint32_t i = 0; i < n.argc; ++i) {
    vb::Variant v = evalNode(u, u.args[n.a + i]);
    stack_.push_back(std::move(v));
  }
  stack_.resize(base + f.frameSize);
  const std::size_t callerBase = frameBase_;
  frameBase_ = base;
  ++callDepth_;
  evalDepth_ += f.height;
  execBlock(f.unit, f.body);
  exiting_ = false;
  vb::Variant result = std::move(stack_[base + f.resultSlot]);
  frameBase_ = callerBase;
  // Parameters are passed by reference unless declared ByVal: a variable given as the argument
  // receives the parameter's final value.
  for (uint32_t i = 0; i < n.argc; ++i) {
    if (f.byVal[i]) continue;
    uint32_t argNode = u.args[n.a + i];
    const Node& arg = u.nodes[argNode];
    bool variable = arg.op == Op::Local ||
                    ((arg.op == Op::Global || arg.op == Op::Implicit) && !functions_[arg.sym]);
    if (variable) store(u, argNode, std::move(stack_[base + i]));
  }
  stack_.resize(base);
  --callDepth_;
  evalDepth_ -= f.height;
  return result;
}

void Engine::store(const Unit& u, uint32_t target, vb::Variant value) {
  const Node& t = u.nodes[target];
  if (t.op == Op::Local) {
    stack_[frameBase_ + t.a] = std::move(value);
    return;
  }
  if (functions_[t.sym]) failNamed(code::IllegalAssignment, symbols_.name(t.sym));
  if (t.op == Op::Implicit && !defined_[t.sym]) {
    if (explicit_) failNamed(code::VariableUndefined, symbols_.name(t.sym));
    stack_[frameBase_ + t.a] = std::move(value);
    return;
  }
  if (!defined_[t.sym]) {
    if (explicit_) failNamed(code::VariableUndefined, symbols_.name(t.sym));
    define(t.sym);
  }
  globals_[t.sym] = std::move(value);
}

void Engine::execBlock(const Unit& u, const std::vector<Stmt>& block) {
  for (const Stmt& s : block) {
    exec(u, s);
    if (exiting_) return;
  }
}

void Engine::exec(const Unit& u, const Stmt& s) {
  switch (s.kind) {
    case Stmt::Kind::Assign: {
      vb::Variant v = evalNode(u, s.expr);
      store(u, s.target, std::move(v));
      return;
    }
    case Stmt::Kind::Call: evalNode(u, s.expr); return;
    case Stmt::Kind::If:
      for (const Branch& b : s.branches) {
        if (b.isElse || truth(evalNode(u, b.cond))) {
          execBlock(u, b.body);
          return;
        }
      }
      return;
    case Stmt::Kind::ExitFunction: exiting_ = true; return;
    case Stmt::Kind::Dim: {
      const Node& t = u.nodes[s.target];
      if (functions_[t.sym]) failNamed(code::NameRedefined, symbols_.name(t.sym));
      define(t.sym);
      return;
    }
    case Stmt::Kind::OptionExplicit: explicit_ = true; return;
  }
}

}  // namespace fw::script
