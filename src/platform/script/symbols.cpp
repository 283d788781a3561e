#include "platform/script/symbols.h"

#include "platform/script/script_errors.h"

namespace fw::script {

namespace {
inline unsigned char fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}
}  // namespace

std::size_t CaseInsensitiveHash::operator()(std::string_view s) const noexcept {
  // FNV-1a over the upper-cased bytes.
  uint64_t h = 1469598103934665603ull;
  for (char c : s) {
    h ^= fold(c);
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h);
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

uint32_t SymbolTable::intern(std::string_view name) {
  auto it = ids_.find(name);
  if (it != ids_.end()) return it->second;
  if (names_.size() >= limit::kSymbols) fail(code::OutOfMemory);
  uint32_t id = static_cast<uint32_t>(names_.size());
  names_.emplace_back(name);
  ids_.emplace(std::string(name), id);
  return id;
}

std::optional<uint32_t> SymbolTable::find(std::string_view name) const {
  auto it = ids_.find(name);
  if (it == ids_.end()) return std::nullopt;
  return it->second;
}

void SymbolTable::clear() {
  ids_.clear();
  names_.clear();
}

}  // namespace fw::script
