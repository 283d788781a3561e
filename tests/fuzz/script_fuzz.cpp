// libFuzzer target: any bytes given to the script engine as code, as a statement and as an
// expression must give a result or a vb::Error; anything else (a crash, a sanitizer report, an
// other exception, a hang) is a fault. An input holding a NUL byte is split there into the code
// and the expression.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/script/script_control.h"
#include "platform/vb/error.h"

namespace {

template <typename F>
void tolerateScriptErrors(F&& f) {
  try {
    f();
  } catch (const vb::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t cut = text.find('\0');
  std::string_view code = text.substr(0, cut);
  std::string_view expression = cut == std::string_view::npos ? text : text.substr(cut + 1);

  fw::ScriptControl sc;
  tolerateScriptErrors([&] { sc.AddCode(code); });
  tolerateScriptErrors([&] {
    vb::Variant v = sc.Eval(expression);
    (void)v.toString();
  });
  tolerateScriptErrors([&] { sc.ExecuteStatement(expression); });
  tolerateScriptErrors([&] { sc.Eval(expression); });
  sc.Reset();
  tolerateScriptErrors([&] { sc.Eval(code); });
  return 0;
}
