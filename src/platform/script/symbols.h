#pragma once
// Names as small integers: every name a parsed text mentions gets one id, so that variables and
// functions are looked up by index when a text runs. Names compare without regard to case.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fw::script {

struct CaseInsensitiveHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept;
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

template <typename T>
using NameMap = std::unordered_map<std::string, T, CaseInsensitiveHash, CaseInsensitiveEqual>;

class SymbolTable {
 public:
  // The id of a name, made when new. Raises Out of memory beyond limit::kSymbols names.
  uint32_t intern(std::string_view name);
  std::optional<uint32_t> find(std::string_view name) const;
  const std::string& name(uint32_t id) const { return names_[id]; }
  std::size_t size() const { return names_.size(); }
  void clear();

 private:
  NameMap<uint32_t> ids_;
  std::vector<std::string> names_;
};

}  // namespace fw::script
