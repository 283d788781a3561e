#pragma once
// The tables that describe model runs: mrun, one row per run, and mrundsid, one row per run,
// trace and series. The writers add the row or update it in place; a failure goes to the log pane
// and the error log.
#include <string>

#include "app/session.h"
#include "platform/vb/date.h"

namespace fw {

// The mrun row of RunId: the run's start (LastRunStart), `when`, TraceNo, the DSID text, the kind ("Run",
// "Mrun" or "What If") and the description.
void hdbmrun(Session& s, const std::string& dsid, vb::VbDate when, const std::string& description,
             const std::string& kind);
void hdbmrunDAO(Session& s, const std::string& dsid, vb::VbDate when, const std::string& description,
                const std::string& kind);

// The mrundsid row of RunId, TraceNo and the DSID: the number, text1, the constant 1, the last 255
// characters of the note, and text2.
void hdbmrundsid(Session& s, const std::string& dsid, double number, const std::string& text1,
                 const std::string& note, const std::string& text2);
void hdbmrundsidDAO(Session& s, const std::string& dsid, double number, const std::string& text1,
                    const std::string& note, const std::string& text2);

// True when the run already holds the series. Opens the database itself (openHDB); false when it
// cannot be opened or read, without a message of its own.
bool MrundsidExists(Session& s, const std::string& runId, const std::string& dsid);

}  // namespace fw
