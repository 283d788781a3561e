#include "platform/script/parser.h"

#include <algorithm>
#include <unordered_map>

#include "platform/script/builtins.h"
#include "platform/script/lexer.h"
#include "platform/script/script_errors.h"

namespace fw::script {

namespace {

// Binding strength of a binary operator token; 0 for anything else.
int binaryPrecedence(Tok t) {
  switch (t) {
    case Tok::KwImp: return 1;
    case Tok::KwEqv: return 2;
    case Tok::KwXor: return 3;
    case Tok::KwOr: return 4;
    case Tok::KwAnd: return 5;
    case Tok::Eq:
    case Tok::Ne:
    case Tok::Lt:
    case Tok::Gt:
    case Tok::Le:
    case Tok::Ge: return 7;
    case Tok::Amp: return 8;
    case Tok::Plus:
    case Tok::Minus: return 9;
    case Tok::KwMod: return 10;
    case Tok::Backslash: return 11;
    case Tok::Star:
    case Tok::Slash: return 12;
    case Tok::Caret: return 14;
    default: return 0;
  }
}
bool startsExpression(Tok t) {
  switch (t) {
    case Tok::Number:
    case Tok::String:
    case Tok::Date:
    case Tok::Name:
    case Tok::LParen:
    case Tok::KwTrue:
    case Tok::KwFalse:
    case Tok::KwEmpty:
    case Tok::KwNull:
    case Tok::KwNot:
    case Tok::Minus:
    case Tok::Plus: return true;
    default: return false;
  }
}

constexpr int kNotOperandPrecedence = 7;     // Not takes in comparisons and everything tighter
// Unary minus (and plus) binds tighter than every binary operator, "^" included, as in VBScript:
// "-3^2" is 9 and "2^-3^2" is (2^-3)^2.
constexpr int kNegateOperandPrecedence = 15;

Op binaryOp(Tok t) {
  switch (t) {
    case Tok::KwImp: return Op::Imp;
    case Tok::KwEqv: return Op::Eqv;
    case Tok::KwXor: return Op::Xor;
    case Tok::KwOr: return Op::Or;
    case Tok::KwAnd: return Op::And;
    case Tok::Eq: return Op::Eq;
    case Tok::Ne: return Op::Ne;
    case Tok::Lt: return Op::Lt;
    case Tok::Gt: return Op::Gt;
    case Tok::Le: return Op::Le;
    case Tok::Ge: return Op::Ge;
    case Tok::Amp: return Op::Concat;
    case Tok::Plus: return Op::Add;
    case Tok::Minus: return Op::Sub;
    case Tok::KwMod: return Op::Mod;
    case Tok::Backslash: return Op::IntDiv;
    case Tok::Star: return Op::Mul;
    case Tok::Slash: return Op::Div;
    default: return Op::Pow;
  }
}

// Names of the function being parsed: parameters, its own name (the return value), Dim'd names,
// and the implicit locals of names it uses without declaring.
struct FunctionScope {
  FunctionDef* def = nullptr;
  NameMap<uint32_t> locals;
  std::unordered_map<uint32_t, uint32_t> implicitSlots;  // symbol -> frame slot
};

class Parser {
 public:
  Parser(std::string_view text, SymbolTable& symbols) : text_(text), lexed_(lex(text)), symbols_(symbols) {}

  std::unique_ptr<Expression> expression() {
    auto e = std::make_unique<Expression>();
    unit_ = &e->unit;
    skipNewlines();
    e->root = parseExpr(1);
    skipNewlines();
    if (kind() != Tok::End) fail(code::ExpectedEndOfStatement);
    e->height = maxHeight_;
    return e;
  }

  std::unique_ptr<Program> program() {
    auto p = std::make_unique<Program>();
    unit_ = &p->unit;
    program_ = p.get();
    p->statements = statements(BlockEnd::Top);
    if (kind() != Tok::End) fail(code::SyntaxError);  // a stray End, Else or ElseIf
    p->height = maxHeight_ + maxBlockDepth_;
    return p;
  }

 private:
  enum class BlockEnd { Top, Function, If };

  // ---- tokens -------------------------------------------------------------------------------
  const Token& tok(std::size_t ahead = 0) const {
    std::size_t i = std::min(pos_ + ahead, lexed_.tokens.size() - 1);
    return lexed_.tokens[i];
  }
  Tok kind(std::size_t ahead = 0) const { return tok(ahead).kind; }
  std::string_view spelling(const Token& t) const { return text_.substr(t.pos, t.len); }
  const Token& advance() {
    const Token& t = tok();
    if (pos_ < lexed_.tokens.size() - 1) ++pos_;
    return t;
  }
  bool accept(Tok k) {
    if (kind() != k) return false;
    advance();
    return true;
  }
  const Token& expect(Tok k, int32_t error) {
    if (kind() != k) fail(error);
    return advance();
  }
  void skipNewlines() {
    while (kind() == Tok::Newline) advance();
  }
  bool atStatementEnd() const {
    Tok k = kind();
    return k == Tok::Newline || k == Tok::Colon || k == Tok::End || k == Tok::KwElse;
  }

  // ---- nesting --------------------------------------------------------------------------------
  struct Nesting {
    explicit Nesting(Parser& p) : p_(p) {
      if (++p_.depth_ > limit::kNesting) fail(code::OutOfStackSpace);
    }
    ~Nesting() { --p_.depth_; }
    Parser& p_;
  };

  // ---- nodes ----------------------------------------------------------------------------------
  uint32_t add(Node n, uint32_t height) {
    if (height > limit::kHeight) fail(code::OutOfStackSpace);
    maxHeight_ = std::max(maxHeight_, height);
    unit_->nodes.push_back(n);
    heights_.push_back(height);
    return static_cast<uint32_t>(unit_->nodes.size() - 1);
  }
  uint32_t height(uint32_t node) const { return heights_[node]; }
  uint32_t constant(vb::Variant v) {
    unit_->constants.push_back(std::move(v));
    Node n;
    n.op = Op::Const;
    n.a = static_cast<uint32_t>(unit_->constants.size() - 1);
    return add(n, 1);
  }
  uint32_t unary(Op op, uint32_t operand) {
    Node n;
    n.op = op;
    n.a = operand;
    return add(n, height(operand) + 1);
  }
  uint32_t binary(Op op, uint32_t l, uint32_t r) {
    Node n;
    n.op = op;
    n.a = l;
    n.b = r;
    return add(n, std::max(height(l), height(r)) + 1);
  }
  uint32_t call(std::string_view name, const std::vector<uint32_t>& args) {
    Node n;
    n.op = Op::Call;
    n.sym = symbols_.intern(name);
    n.builtin = findBuiltin(name).value_or(kNoBuiltin);
    n.argc = static_cast<uint8_t>(args.size());
    n.a = static_cast<uint32_t>(unit_->args.size());
    uint32_t h = 0;
    for (uint32_t a : args) {
      unit_->args.push_back(a);
      h = std::max(h, height(a));
    }
    return add(n, h + 1);
  }

  // A name read as a value: a frame slot of the function, a builtin called without arguments, or
  // a variable (global, or in a function an implicit local unless a global of that name exists).
  uint32_t nameValue(std::string_view name) {
    if (scope_) {
      auto it = scope_->locals.find(name);
      if (it != scope_->locals.end()) return slotNode(Op::Local, 0, it->second);
    }
    if (findBuiltin(name)) return call(name, {});
    return variableNode(name);
  }

  uint32_t variableNode(std::string_view name) {
    uint32_t sym = symbols_.intern(name);
    if (!scope_) return slotNode(Op::Global, sym, 0);
    auto [it, inserted] = scope_->implicitSlots.try_emplace(sym, scope_->def->frameSize);
    if (inserted) ++scope_->def->frameSize;
    return slotNode(Op::Implicit, sym, it->second);
  }

  uint32_t slotNode(Op op, uint32_t sym, uint32_t slot) {
    Node n;
    n.op = op;
    n.sym = sym;
    n.a = slot;
    return add(n, 1);
  }

  // The variable an assignment writes.
  uint32_t assignTarget(const Token& nameToken) {
    std::string_view name = spelling(nameToken);
    if (scope_) {
      auto it = scope_->locals.find(name);
      if (it != scope_->locals.end()) return slotNode(Op::Local, 0, it->second);
    }
    if (findBuiltin(name)) failNamed(code::IllegalAssignment, name);
    return variableNode(name);
  }

  // ---- expressions ----------------------------------------------------------------------------
  uint32_t parseExpr(int minPrecedence) {
    Nesting nest(*this);
    uint32_t left;
    if (accept(Tok::KwNot)) {
      left = unary(Op::Not, parseExpr(kNotOperandPrecedence));
    } else if (accept(Tok::Minus)) {
      left = unary(Op::Neg, parseExpr(kNegateOperandPrecedence));
    } else if (accept(Tok::Plus)) {
      left = unary(Op::Identity, parseExpr(kNegateOperandPrecedence));
    } else {
      left = primary();
    }
    for (;;) {
      Tok t = kind();
      int p = binaryPrecedence(t);
      if (p == 0 || p < minPrecedence) break;
      advance();
      if (!startsExpression(kind())) fail(code::SyntaxError);  // "P1*"
      uint32_t right = parseExpr(p + 1);
      left = binary(binaryOp(t), left, right);
    }
    return left;
  }

  uint32_t primary() {
    const Token& t = tok();
    switch (t.kind) {
      case Tok::Number:
      case Tok::String:
      case Tok::Date:
        advance();
        return constant(lexed_.values[t.value]);
      case Tok::KwTrue: advance(); return constant(vb::Variant(true));
      case Tok::KwFalse: advance(); return constant(vb::Variant(false));
      case Tok::KwEmpty: advance(); return constant(vb::Variant());
      case Tok::KwNull: advance(); return constant(vb::Variant::Null());
      case Tok::LParen: {
        advance();
        uint32_t inner = parseExpr(1);
        expect(Tok::RParen, code::ExpectedRParen);
        return inner;
      }
      case Tok::Name: {
        advance();
        std::string_view name = spelling(t);
        if (kind() == Tok::LParen) {
          advance();
          return call(name, argumentList(Tok::RParen));
        }
        return nameValue(name);
      }
      default: fail(code::ExpectedExpression);
    }
  }

  // Comma-separated expressions up to `close` (consumed); with Tok::End, up to the statement end.
  std::vector<uint32_t> argumentList(Tok close) {
    Nesting nest(*this);
    std::vector<uint32_t> args;
    bool done = close == Tok::End ? atStatementEnd() : accept(close);
    while (!done) {
      if (args.size() >= limit::kArguments) fail(code::SyntaxError);
      args.push_back(parseExpr(1));
      if (accept(Tok::Comma)) continue;
      if (close == Tok::End) {
        done = true;
      } else {
        expect(close, code::ExpectedRParen);
        done = true;
      }
    }
    return args;
  }

  // ---- statements -----------------------------------------------------------------------------
  bool atBlockEnd(BlockEnd end) const {
    switch (end) {
      case BlockEnd::Top: return kind() == Tok::End || kind() == Tok::KwEnd || kind() == Tok::KwElse || kind() == Tok::KwElseIf;
      case BlockEnd::Function: return kind() == Tok::End || (kind() == Tok::KwEnd && kind(1) == Tok::KwFunction);
      case BlockEnd::If:
        return kind() == Tok::End || kind() == Tok::KwElse || kind() == Tok::KwElseIf ||
               (kind() == Tok::KwEnd && kind(1) == Tok::KwIf);
    }
    return true;
  }

  std::vector<Stmt> statements(BlockEnd end) {
    std::vector<Stmt> out;
    for (;;) {
      while (kind() == Tok::Newline || kind() == Tok::Colon) advance();
      if (atBlockEnd(end)) return out;
      statement(out);
      if (!(kind() == Tok::Newline || kind() == Tok::Colon || kind() == Tok::End)) {
        fail(code::ExpectedEndOfStatement);
      }
    }
  }

  // The statements of a one-line If branch: separated by ":", ending at Else or the line end.
  std::vector<Stmt> inlineStatements() {
    std::vector<Stmt> out;
    for (;;) {
      statement(out);
      bool separated = false;
      while (accept(Tok::Colon)) separated = true;
      Tok k = kind();
      if (k == Tok::Newline || k == Tok::End || k == Tok::KwElse) return out;
      if (!separated) fail(code::ExpectedEndOfStatement);
    }
  }

  void statement(std::vector<Stmt>& out) {
    Nesting nest(*this);
    const Token& t = tok();
    switch (t.kind) {
      case Tok::KwOption: {
        advance();
        const Token& word = expect(Tok::Name, code::SyntaxError);
        if (!CaseInsensitiveEqual{}(spelling(word), "Explicit") || scope_) fail(code::SyntaxError);
        Stmt s;
        s.kind = Stmt::Kind::OptionExplicit;
        out.push_back(std::move(s));
        return;
      }
      case Tok::KwDim:
        advance();
        do {
          const Token& name = expect(Tok::Name, code::ExpectedIdentifier);
          if (kind() == Tok::LParen) fail(code::SyntaxError);  // arrays are not supported
          declare(name, out);
        } while (accept(Tok::Comma));
        return;
      case Tok::KwConst:
        advance();
        do {
          const Token& name = expect(Tok::Name, code::ExpectedIdentifier);
          expect(Tok::Eq, code::ExpectedEquals);
          declare(name, out);
          Stmt s;
          s.kind = Stmt::Kind::Assign;
          s.target = assignTarget(name);
          s.expr = parseExpr(1);
          out.push_back(std::move(s));
        } while (accept(Tok::Comma));
        return;
      case Tok::KwFunction:
        if (scope_ || blockDepth_ > 0 || !program_) fail(code::SyntaxError);
        function();
        return;
      case Tok::KwIf: out.push_back(ifStatement()); return;
      case Tok::KwExit: {
        advance();
        if (!accept(Tok::KwFunction) || !scope_) fail(code::InvalidExit);
        Stmt s;
        s.kind = Stmt::Kind::ExitFunction;
        out.push_back(std::move(s));
        return;
      }
      case Tok::KwCall: {
        advance();
        const Token& name = expect(Tok::Name, code::ExpectedIdentifier);
        out.push_back(callStatement(name));
        return;
      }
      case Tok::Name: {
        advance();
        if (accept(Tok::Eq)) {
          Stmt s;
          s.kind = Stmt::Kind::Assign;
          s.target = assignTarget(t);
          s.expr = parseExpr(1);
          out.push_back(std::move(s));
        } else {
          out.push_back(callStatement(t));
        }
        return;
      }
      default: fail(code::SyntaxError);
    }
  }

  Stmt callStatement(const Token& nameToken) {
    std::vector<uint32_t> args;
    if (accept(Tok::LParen)) {
      args = argumentList(Tok::RParen);
    } else {
      args = argumentList(Tok::End);
    }
    Stmt s;
    s.kind = Stmt::Kind::Call;
    s.expr = call(spelling(nameToken), args);
    return s;
  }

  void declare(const Token& nameToken, std::vector<Stmt>& out) {
    std::string_view name = spelling(nameToken);
    if (scope_) {
      if (scope_->locals.count(name)) failNamed(code::NameRedefined, name);
      scope_->locals.emplace(std::string(name), scope_->def->frameSize++);
      return;
    }
    if (findBuiltin(name)) failNamed(code::IllegalAssignment, name);
    Stmt s;
    s.kind = Stmt::Kind::Dim;
    s.target = variableNode(name);
    out.push_back(std::move(s));
  }

  Stmt ifStatement() {
    advance();  // If
    Stmt s;
    s.kind = Stmt::Kind::If;
    ++blockDepth_;
    maxBlockDepth_ = std::max(maxBlockDepth_, blockDepth_);
    Branch first;
    first.cond = parseExpr(1);
    expect(Tok::KwThen, code::ExpectedThen);
    if (kind() != Tok::Newline && kind() != Tok::End) {
      // One line: If c Then a : b Else c : d
      first.body = inlineStatements();
      s.branches.push_back(std::move(first));
      if (accept(Tok::KwElse)) {
        Branch e;
        e.isElse = true;
        e.body = inlineStatements();
        s.branches.push_back(std::move(e));
      }
      --blockDepth_;
      return s;
    }
    first.body = statements(BlockEnd::If);
    s.branches.push_back(std::move(first));
    for (;;) {
      if (accept(Tok::KwElseIf)) {
        Branch b;
        b.cond = parseExpr(1);
        expect(Tok::KwThen, code::ExpectedThen);
        b.body = statements(BlockEnd::If);
        s.branches.push_back(std::move(b));
      } else if (accept(Tok::KwElse)) {
        Branch e;
        e.isElse = true;
        e.body = statements(BlockEnd::If);
        s.branches.push_back(std::move(e));
        if (kind() != Tok::KwEnd) fail(code::ExpectedEnd);
      } else {
        break;
      }
    }
    expect(Tok::KwEnd, code::ExpectedEnd);
    expect(Tok::KwIf, code::ExpectedIf);
    --blockDepth_;
    return s;
  }

  void function() {
    const Token& start = advance();  // Function
    const Token& nameToken = expect(Tok::Name, code::ExpectedIdentifier);
    std::string_view name = spelling(nameToken);
    for (const auto& f : program_->functions) {
      if (CaseInsensitiveEqual{}(f->name, name)) failNamed(code::NameRedefined, name);
    }
    auto def = std::make_shared<FunctionDef>();
    def->name = std::string(name);
    def->sym = symbols_.intern(name);
    FunctionScope scope;
    scope.def = def.get();
    if (accept(Tok::LParen)) {
      if (!accept(Tok::RParen)) {
        do {
          bool byVal = false;
          if (accept(Tok::KwByVal)) {
            byVal = true;
          } else {
            accept(Tok::KwByRef);
          }
          std::string_view param = spelling(expect(Tok::Name, code::ExpectedIdentifier));
          if (scope.locals.count(param) || CaseInsensitiveEqual{}(param, name)) {
            failNamed(code::NameRedefined, param);
          }
          scope.locals.emplace(std::string(param), def->paramCount++);
          def->byVal.push_back(byVal);
        } while (accept(Tok::Comma));
        expect(Tok::RParen, code::ExpectedRParen);
      }
    }
    def->resultSlot = def->paramCount;
    def->frameSize = def->paramCount + 1;
    scope.locals.emplace(std::string(name), def->resultSlot);
    if (!(kind() == Tok::Newline || kind() == Tok::Colon)) fail(code::ExpectedEndOfStatement);

    // The body goes into the function's own unit, with its own heights.
    Unit* outerUnit = unit_;
    std::vector<uint32_t> outerHeights = std::move(heights_);
    uint32_t outerMaxHeight = maxHeight_;
    uint32_t outerMaxBlock = maxBlockDepth_;
    heights_.clear();
    maxHeight_ = 0;
    maxBlockDepth_ = 0;
    unit_ = &def->unit;
    scope_ = &scope;

    def->body = statements(BlockEnd::Function);
    expect(Tok::KwEnd, code::ExpectedEnd);
    const Token& endToken = expect(Tok::KwFunction, code::ExpectedFunction);
    def->height = maxHeight_ + maxBlockDepth_ + 1;
    def->source = std::string(text_.substr(start.pos, endToken.pos + endToken.len - start.pos));

    scope_ = nullptr;
    unit_ = outerUnit;
    heights_ = std::move(outerHeights);
    maxHeight_ = outerMaxHeight;
    maxBlockDepth_ = outerMaxBlock;
    program_->functions.push_back(std::move(def));
  }

  std::string_view text_;
  Lexed lexed_;
  SymbolTable& symbols_;
  std::size_t pos_ = 0;
  Unit* unit_ = nullptr;
  Program* program_ = nullptr;
  FunctionScope* scope_ = nullptr;
  std::vector<uint32_t> heights_;  // per node of unit_
  uint32_t maxHeight_ = 0;
  uint32_t depth_ = 0;
  uint32_t blockDepth_ = 0;
  uint32_t maxBlockDepth_ = 0;
};

}  // namespace

std::unique_ptr<Expression> parseExpression(std::string_view text, SymbolTable& symbols) {
  return Parser(text, symbols).expression();
}

std::unique_ptr<Program> parseProgram(std::string_view text, SymbolTable& symbols) {
  return Parser(text, symbols).program();
}

}  // namespace fw::script
