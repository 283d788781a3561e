#include "retrieval/qpf_pattern.h"

#include <algorithm>

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

constexpr int kMaxSteps = 80;
constexpr int kPeriodSteps = 72;  // 5-minute steps in six hours
constexpr double kCapInch = 0.5;
constexpr double kCapMm = 12.7;

std::string share(double v) {
  return vb::FormatNumber(v, "0.00000");
}

}  // namespace

QpfTable parseQpfTable(const std::string& text) {
  const std::vector<std::string> lines = vb::splitLines(text);
  QpfTable table;
  size_t types = 0;
  int step = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (vb::InStr(lines[i], "\t") == 0) continue;
    const std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (step == 0) {
      types = f.size() - 1;
      table.assign(types + 1, std::vector<double>(kMaxSteps + 1, 0.0));
    }
    ++step;
    if (step > kMaxSteps || f.size() - 1 < types) vb::raise(vb::err::SubscriptOutOfRange);
    for (size_t t = 1; t <= types; ++t) table[t][static_cast<size_t>(step)] = vb::Val(f[t]);
  }
  return table;
}

int qpfStartPosition(int utcHour) {
  int p = 12 * ((utcHour % 6) + 1);
  return p == 72 ? 0 : p;
}

QpfSpreader::QpfSpreader(int stormType, bool metric, const QpfTable* table, int startPosition)
    : type_(stormType), metric_(metric), table_(table), P_(startPosition) {
  switch (stormType) {
    case 1:
      A_ = 5, B_ = 4;
      break;
    case 2:
      A_ = 4, B_ = 2;
      break;
    case 3:
      A_ = 3, B_ = 1;
      break;
    case 4:
      A_ = 2, B_ = 0.4;
      break;
    default:
      A_ = 1, B_ = 0;
      break;
  }
}

std::string QpfSpreader::hour(double amount) {
  if (type_ == 0) return share(amount / 12);
  if (frontHours_ < 5) {
    frontLoaded_ = true;
    ++frontHours_;
  } else {
    frontLoaded_ = false;
    if (amount != previous_) P_ = 0;
  }
  previous_ = amount;
  value_ = amount;
  if (frontLoaded_) {
    value_ = A_ * amount / 12;
    A_ = std::max(A_ - B_, 0.0);
  } else {
    Q6_ = 6 * amount;
  }
  return share(value_);
}

std::string QpfSpreader::missingHour(const std::string& lastText) {
  if (type_ == 0) return "0";
  if (P_ == kPeriodSteps) Q6_ = 0;
  return lastText;
}

std::string QpfSpreader::step(const std::string& hourText, bool& capped) {
  capped = false;
  if (type_ == 0) return hourText;
  if (++P_ == kPeriodSteps + 1) P_ = 1;
  (void)hourText;
  double value = value_;
  if (!frontLoaded_) {
    const size_t t = static_cast<size_t>(type_);
    if (!table_ || t >= table_->size()) vb::raise(vb::err::SubscriptOutOfRange);
    value = Q6_ * (*table_)[t][static_cast<size_t>(P_)];
  }
  if (value > kCapInch) {
    if (!metric_) {
      value = kCapInch;
      capped = true;
    } else if (value > kCapMm) {
      value = kCapMm;
      capped = true;
    }
  }
  return share(value);
}

}  // namespace fw
