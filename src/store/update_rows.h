#pragma once
// The rupdate table: one row per DSID with a note, the time and the value of the series' last
// update. Row 0 records the last run of the program and row -1 the last runoff computation.
// These routines never show a message box; a failure goes to the log pane and the error log.
#include <string>

#include "app/session.h"
#include "platform/vb/variant.h"

namespace fw {

// The DSID's last update: the zero date and 0 when it has no row or the column is Null.
void hdblastupdate(Session& s, const std::string& dsid, vb::VbDate& updated, double& value);
void hdblastupdateDAO(Session& s, const std::string& dsid, vb::VbDate& updated, double& value);

// Adds or edits the DSID's row: the note cut to 98 characters, the time, and the value, which the
// computed runoff series (data type 30) writes only when it is above 1.
void hdbupdate(Session& s, const std::string& dsid, const std::string& note, const vb::Variant& updated,
               double value);
void hdbupdateDAO(Session& s, const std::string& dsid, const std::string& note, const vb::Variant& updated,
                  double value);

// The data type of a DSID: the number before its last three characters, as a whole number without
// sign ("-30012" gives 30, "2012" gives 2); 0 for three characters or fewer.
int16_t dsidDataType(const std::string& dsid);

}  // namespace fw
