#include "platform/vb/variant.h"

#include <cmath>
#include <limits>

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace vb {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

[[noreturn]] void nullUse() {
  raise(InvalidUseOfNull);
}

bool equalsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    if (c != b[i]) return false;
  }
  return i == a.size() && b[i] == '\0';
}

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

VarType Variant::type() const {
  static constexpr VarType kTypes[] = {VarType::Empty,   VarType::Null,   VarType::Boolean,
                                       VarType::Integer, VarType::Long,   VarType::Single,
                                       VarType::Double,  VarType::String, VarType::Date};
  return kTypes[v_.index()];
}

bool Variant::isNumeric() const {
  VarType t = type();
  return t != VarType::Null && t != VarType::String;
}

double Variant::toDouble() const {
  return std::visit(Overloaded{
                        [](const EmptyTag&) { return 0.0; },
                        [](const NullTag&) -> double { nullUse(); },
                        [](bool b) { return b ? -1.0 : 0.0; },
                        [](int16_t i) { return static_cast<double>(i); },
                        [](int32_t l) { return static_cast<double>(l); },
                        [](float f) { return static_cast<double>(f); },
                        [](double d) { return d; },
                        [](const std::string& s) {
                          if (IsNumeric(s)) return CDbl(s);
                          if (std::optional<VbDate> d = parseDate(s)) return *d;
                          raise(err::TypeMismatch);
                        },
                        [](const DateTag& d) { return d.value; },
                    },
                    v_);
}

float Variant::toSingle() const {
  if (const auto* f = std::get_if<float>(&v_)) return *f;
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (IsNumeric(*s)) return CSng(*s);
  }
  double d = toDouble();
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) raise(err::Overflow);
  return static_cast<float>(d);
}

int16_t Variant::toInteger() const {
  if (const auto* i = std::get_if<int16_t>(&v_)) return *i;
  return vb::toInteger(toDouble());
}

int32_t Variant::toLong() const {
  if (const auto* l = std::get_if<int32_t>(&v_)) return *l;
  return vb::toLong(toDouble());
}

bool Variant::toBoolean() const {
  if (const auto* b = std::get_if<bool>(&v_)) return *b;
  if (const auto* s = std::get_if<std::string>(&v_)) {
    std::string t = trimmed(*s);
    if (equalsNoCase(t, "true")) return true;
    if (equalsNoCase(t, "false")) return false;
    if (IsNumeric(t)) return CDbl(t) != 0;
    raise(err::TypeMismatch);
  }
  return toDouble() != 0;
}

VbDate Variant::toDate() const {
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (std::optional<VbDate> d = parseDate(*s)) return *d;
    if (IsNumeric(*s)) return CDbl(*s);
    raise(err::TypeMismatch);
  }
  return toDouble();
}

std::string Variant::toString() const {
  return std::visit(Overloaded{
                        [](const EmptyTag&) { return std::string(); },
                        [](const NullTag&) -> std::string { nullUse(); },
                        [](bool b) { return std::string(b ? "True" : "False"); },
                        [](int16_t i) { return CStr(static_cast<int32_t>(i)); },
                        [](int32_t l) { return CStr(l); },
                        [](float f) { return CStrSingle(f); },
                        [](double d) { return CStr(d); },
                        [](const std::string& s) { return s; },
                        [](const DateTag& d) { return CStrDate(d.value); },
                    },
                    v_);
}

}  // namespace vb
