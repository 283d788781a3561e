#pragma once
// English month and day names, shared by the date formatter and the date parser.

namespace vb::detail {

inline constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
inline constexpr const char* kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};

}  // namespace vb::detail
