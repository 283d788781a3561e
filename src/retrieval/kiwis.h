#pragma once
// Time series of a KiWIS web service named in the station's site row, in the service's ASCII
// format, converted from UTC to local time.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct Session;
struct SourceCall;

// The whole request. `server` is the site row's text (scheme, host and any path before
// "/KiWIS"), used as written; the series id, the dates and the credentials (entries 1 and 2 of
// `codes`, when there are three entries or more) are percent-encoded. `offsetHours` are the hours
// from local time to UTC.
std::string kiwisRequest(const std::string& server, const std::vector<std::string>& codes, int32_t firstDay,
                         int32_t lastDay, double offsetHours);

// The reply turned into lines ("Z", TAB, local "yyyy-mm-dd hh:mm", TAB, the value as received)
// for readings from the first day's midnight through the whole last day. A stamp is UTC ("Z" or
// no zone) unless it carries its own offset ("+01:00", "-0500"), which it is converted by.
// Raises vb::Error for a stamp that cannot be read.
std::string kiwisTransform(const std::string& reply, const std::string& tsId, int32_t firstDay,
                           int32_t lastDay, double offsetHours);

// The retriever. History mode takes the window from the date boxes and writes its days back
// (FirstDay, LastDay, DayCount). A server text that does not begin "http://" or "https://" is
// refused before anything is asked. No error text or log line ever holds the credentials.
void GetKiWIS(Session& s, SourceCall& c);

}  // namespace fw
