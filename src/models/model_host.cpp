#include "models/model_host.h"

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

namespace fw::models {

std::string modelPath(const ModelHost& host, const std::string& text) {
  const std::string name = vb::Trim(text);
  if (name.empty() || std::filesystem::path(name).is_absolute()) return name;
  return (host.programFolder / name).string();
}

void shellEntry(ModelHost& host, ShellArgs& args) {
  args.Error.clear();
  host.closeInternet();
  if (host.AddEndDay) ++args.EndDay;
  if (!host.RealtimeMode) {
    args.BeginDay = vb::CLng(vb::CDate(host.TextBegindate));
    args.EndDay = vb::CLng(vb::CDate(host.TextEnddate));
  }
}

}  // namespace fw::models

namespace fw::models {

std::string errorText(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

}  // namespace fw::models
