#pragma once
// The interpreter behind ScriptControl: global variables and functions by symbol id, the caches
// of parsed texts, and the evaluation of trees and statements with their limits.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/script/ast.h"
#include "platform/script/symbols.h"
#include "platform/vb/variant.h"

namespace fw::script {

class Engine {
 public:
  void reset();
  void run(std::string_view code);
  vb::Variant eval(std::string_view expression);
  std::size_t parseCount() const { return parses_; }

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  struct TextEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
  };
  // A parsed text, or the compile error it gave, so a broken formula is not parsed again for
  // every value either.
  template <typename T>
  struct Cached {
    std::unique_ptr<T> parsed;
    int32_t errorNumber = 0;
    std::string errorDescription;
  };
  template <typename T>
  using Cache = std::unordered_map<std::string, Cached<T>, TextHash, TextEqual>;

  void begin(uint32_t height);
  const Expression& expressionFor(std::string_view text);
  const Program& programFor(std::string_view text);
  template <typename T, typename Parse>
  const T& cached(Cache<T>& cache, std::string_view text, Parse parse);
  bool tryAssignNumber(std::string_view text);
  void growTables();
  void compact();
  void clearCaches();
  void define(uint32_t sym);
  void defineFunctions(const Program& p);

  vb::Variant evalNode(const Unit& u, uint32_t index);
  vb::Variant evalOp(const Unit& u, const Node& n);
  vb::Variant readGlobal(const Unit& u, const Node& n);
  vb::Variant readImplicit(const Unit& u, const Node& n);
  vb::Variant callNode(const Unit& u, const Node& n);
  vb::Variant callBuiltin(const Unit& u, const Node& n);
  vb::Variant callUser(const FunctionDef& f, const Unit& u, const Node& n);
  void store(const Unit& u, uint32_t target, vb::Variant value);
  void execBlock(const Unit& u, const std::vector<Stmt>& block);
  void exec(const Unit& u, const Stmt& s);

  SymbolTable symbols_;
  std::vector<vb::Variant> globals_;      // by symbol
  std::vector<uint8_t> defined_;          // by symbol: assigned or declared since Reset
  std::vector<uint8_t> plainName_;        // by symbol: 1 a variable name, 2 a keyword or builtin, 0 not known yet
  std::vector<uint32_t> definedList_;
  std::vector<std::shared_ptr<const FunctionDef>> functions_;  // by symbol
  std::vector<uint32_t> functionList_;
  bool explicit_ = false;

  Cache<Expression> expressions_;
  Cache<Program> programs_;
  std::size_t cacheBytes_ = 0;
  std::size_t parses_ = 0;

  std::vector<vb::Variant> stack_;  // frames of the running functions
  std::size_t frameBase_ = 0;
  uint32_t callDepth_ = 0;
  uint32_t evalDepth_ = 0;
  int64_t steps_ = 0;
  bool exiting_ = false;
};

}  // namespace fw::script
