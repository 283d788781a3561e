#include "compute/release_schedule.h"

#include "app/session.h"
#include "compute/db_lookup.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace fw::compute {

namespace {
constexpr int kMissesBeforeStop = 24;
}

ReleaseSchedule::ReleaseSchedule(Session& s, const ReleaseSetting& release, bool on)
    : s_(s), release_(release), table_(release.table), on_(on) {}

ReleaseSchedule::Reading ReleaseSchedule::readAt(vb::VbDate t) {
  if (!on_) return {};
  vb::VbDate when = t + 1.0 / 24;
  if (t >= vb::Int(s_.RunDateTime)) {
    if (release_.daily) {
      if (vb::Hour(t) != 0) return {};
      table_ = "rday";
      if (release_.dayOffset != 0) {
        when = vb::Int(t) + release_.dayOffset;
      } else {
        when = vb::Int(t) - 1;
        on_ = false;  // the day before stays the release from here on
      }
    } else if (release_.dayOffset != 0) {
      when += release_.dayOffset;
    }
  }
  const LookupRow row = lookupRow(s_, "select value from " + table_ + " where datatype_site_id=" + release_.dsid +
                                          " and date_time = #" + vb::Format(when, "mm/dd/yyyy hh:mm") + "#;");
  if (hasValue(row)) {
    misses_ = 0;
    return {true, row.first.toDouble()};
  }
  if (++misses_ >= kMissesBeforeStop) on_ = false;
  return {true, std::nullopt};
}

}  // namespace fw::compute
