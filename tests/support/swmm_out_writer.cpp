#include "support/swmm_out_writer.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fw::testing {

namespace {

constexpr int32_t kMagic = 516114522;  // the number SWMM puts first and last in its results

class Out {
 public:
  explicit Out(const std::filesystem::path& path) : f_(std::fopen(path.c_str(), "wb")) {
    if (!f_) throw std::runtime_error("cannot write " + path.string());
  }
  template <typename T>
  void put(T v) {
    if (std::fwrite(&v, sizeof v, 1, f_.get()) != 1) throw std::runtime_error("write failed");
    at_ += static_cast<int32_t>(sizeof v);
  }
  void text(const std::string& s) {
    put(static_cast<int32_t>(s.size()));
    if (!s.empty() && std::fwrite(s.data(), 1, s.size(), f_.get()) != s.size())
      throw std::runtime_error("write failed");
    at_ += static_cast<int32_t>(s.size());
  }
  int32_t at() const { return at_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> f_;
  int32_t at_ = 0;
};

}  // namespace

float swmmTestValue(int32_t kind, int32_t element, int32_t variable, int32_t period) {
  return static_cast<float>(1000 * kind + 100 * element + variable) + static_cast<float>(period) / 1000.0f;
}

void writeSwmmOut(const std::filesystem::path& path, const SwmmOutSpec& spec) {
  Out o(path);
  for (int32_t v :
       {kMagic, 51015, spec.flowUnits, spec.subcatchments, spec.nodes, spec.links, spec.pollutants})
    o.put(v);
  const int32_t idStart = o.at();
  for (int32_t i = 0; i < spec.subcatchments; ++i) o.text("S" + std::to_string(i + 1));
  for (int32_t i = 0; i < spec.nodes; ++i) o.text("N" + std::to_string(i + 1));
  for (int32_t i = 0; i < spec.links; ++i) o.text("L" + std::to_string(i + 1));
  for (int32_t i = 0; i < spec.pollutants; ++i) o.text("P" + std::to_string(i + 1));
  for (int32_t i = 0; i < spec.pollutants; ++i) o.put(int32_t{0});  // mg/L
  const int32_t inputStart = o.at();
  // Object properties: a count of properties, their codes, then each object's values.
  struct Props {
    int32_t objects, properties;
  };
  for (const Props& p : {Props{spec.subcatchments, 1}, Props{spec.nodes, 3}, Props{spec.links, 5}}) {
    o.put(p.properties);
    for (int32_t c = 0; c < p.properties; ++c) o.put(c);
    for (int32_t i = 0; i < p.objects * p.properties; ++i) o.put(1.0f);
  }
  for (int32_t count : {spec.subcatchmentVars, spec.nodeVars, spec.linkVars, spec.systemVars}) {
    o.put(count);
    for (int32_t c = 0; c < count; ++c) o.put(c);
  }
  o.put(spec.startDate);
  o.put(spec.reportStep);
  const int32_t outputStart = o.at();
  const auto value = spec.value ? spec.value : swmmTestValue;
  struct Kind {
    int32_t kind, objects, vars;
  };
  const Kind kinds[4] = {{0, spec.subcatchments, spec.subcatchmentVars},
                         {1, spec.nodes, spec.nodeVars},
                         {2, spec.links, spec.linkVars},
                         {3, 1, spec.systemVars}};
  for (int32_t p = 1; p <= spec.periods; ++p) {
    o.put(spec.startDate + p * spec.reportStep / 86400.0);
    for (const Kind& k : kinds)
      for (int32_t e = 0; e < k.objects; ++e)
        for (int32_t v = 0; v < k.vars; ++v) o.put(value(k.kind, e, v, p));
  }
  for (int32_t v : {idStart, inputStart, outputStart, spec.periods, spec.errorCode,
                    spec.badClosingMagic ? kMagic + 1 : kMagic})
    o.put(v);
}

}  // namespace fw::testing
