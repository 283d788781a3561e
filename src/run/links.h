#pragma once
// The calls the run makes into the store, the setup reader, the common routines and the script
// control, in one place: here the run picks the ADO or the DAO twin of a database routine by
// HdbUseDAO, and nowhere else.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
#include "platform/vb/variant.h"

namespace fw {

struct Session;
class ScriptControl;

// A select through the shared recordset. With largest != 0 every row is walked and the largest
// of it and every row's first column comes back in `largest`; with 0 only the first row is read.
struct QueryResult {
  bool failed = false;  // the select failed (the store has reported it)
  bool eof = true;      // no row came back
  vb::Variant first;    // first column of the first row (Null for a Null field)
  double largest = 0;
};
QueryResult runSelect(Session& s, const std::string& sql, double largest = 0);
// Closes the shared recordset after runSelect.
void closeSelect(Session& s);

// The DSID's rupdate row: both 0 when the row is missing or Null.
struct UpdateRow {
  vb::VbDate updated = 0;
  double value = 0;
};
UpdateRow lastUpdate(Session& s, const std::string& dsid);
void writeUpdate(Session& s, const std::string& dsid, const std::string& note, vb::VbDate updated,
                 double value);

// The run's database connection: opened at the run's start when closed, closed at its end. The
// close reports the DAO file size note (", HDB size= N MB") through HdbSizeText.
void openRunDatabase(Session& s);
void closeRunDatabase(Session& s);

// The main window's script control.
ScriptControl& scriptControl(Session& s);

// Reads the built-in tables, the setup file and the site table again.
void reloadSetup(Session& s);

}  // namespace fw
