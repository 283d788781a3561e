#pragma once
// The one engine behind every series writer (daily, hourly, unit, shift, daily extremes).
//
// A writer call trims its series, shows the busy colour on its option box, replaces the period's
// stored rows of the DSID by the new ones while keeping the rows a person protected (source 5),
// feeds the flood-alert tracker, and after a model-run pass writes the same series once more into
// the value table. It runs in one of two forms:
//   - ADO batch: deletions and additions of a pass are collected and sent in one batch each;
//   - DAO immediate: each row is deleted or added at once, and the first error ends the pass.
// A workbook (ADO on an .xlsx) is written as every other engine is, so it stores the same rows;
// only its table names are written in sheet form.
// Every pass is one database transaction. A row that fails is skipped and logged; a pass that
// reaches its error limit is rolled back, so the period's stored rows stay as they were.
//
// A writer is a SeriesWriter: its tables, its series and option box, its period, and hooks for the
// points where it differs. The defaults are the daily writer's; see daily_writer.cpp for the
// shortest description.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"

namespace fw {

enum class WriterForm { AdoBatch, DaoImmediate };

// The arguments every writer takes; writer-specific ones travel in the writer's own hooks.
struct WriterArgs {
  std::string dsid;
  int32_t lastIndex = -1;     // elements 0..lastIndex are considered
  int16_t defaultSource = 0;  // stored for an element whose source is 0
  int16_t valueCode = 0;      // the station's value code
};

struct SeriesWriter;

// Per call: counters that run on from the first pass into the second.
struct WriterCallState {
  int errors = 0;             // every error of the call, faulty commands included
  bool atErrorLimit = false;  // an error other than a faulty command reached errorLimit
  bool busy = false;          // the busy colour was set
};

// One pass: what the hooks and texts may look at.
struct WriterPass {
  Session& s;
  const SeriesWriter& w;
  const WriterArgs& args;
  WriterCallState& call;
  WriterForm form;
  bool workbook = false;  // ADO on an Excel workbook: table names in sheet form
  int number = 1;         // 1, or 2 for the value-table pass after a model-run pass
  bool modelRun = false;  // this pass writes the model-run table

  // Set by the trim (rule 3): the write range, and the elements the append goes over.
  int32_t first = 0, last = -1;
  int32_t appendFrom = 0, appendTo = -1;

  int32_t at = -1;               // the element at hand, for the error texts
  int stage = 0;                 // for writers whose texts name the step: 1 trim, 2 protect, 6 append
  vb::VbDate lastAdded = 2.0;    // date of the last element added in this pass
  int32_t rowsAdded = 0;
  int32_t rowsOverwritten = 0;  // workbook rows given the element's value in place
  bool stopped = false;  // the pass ended at an error limit
  // The pass may give way to another program's write that conflicted with it on a server: then
  // it ends quietly with gaveWay set and runs again from the start.
  bool mayGiveWay = false;
  bool gaveWay = false;

  std::vector<SeriesPoint>& series() const;
  // The element, bounds-checked: "Subscript out of range" (error 9) outside the array.
  SeriesPoint& element(int32_t i) const;
  // The DSID as a number for the rows' first column; converted once per pass.
  int32_t dsidNumber() const;
  mutable std::optional<int32_t> dsidValue{};
};

// Where a pass's SQL texts put the period.
enum class PeriodUse { Delete, Select };

struct SeriesWriter {
  std::string routine;        // "hdbdaily": the command-error lines name it
  std::string valueTable;     // "rday"
  std::string modelRunTable;  // "mday"; empty when the writer has no model-run table
  std::vector<SeriesPoint> StoreState::*series = nullptr;
  CheckBox MainForm::*busyBox = nullptr;
  const char* busyBoxName = "";
  bool busyBeforeTrim = false;  // colour on entry, left busy when nothing is written

  // Rule 3: sets first/last and appendFrom/appendTo; false when nothing is to be written.
  std::function<bool(WriterPass&)> trim;
  // "date_time between #a# and #b#", the period of the delete and of the select.
  std::function<std::string(const WriterPass&, PeriodUse)> period;
  // Whether the stored rows that the select found are gone through (rule 7).
  std::function<bool(const WriterPass&)> scanRows;

  // Protection: the stored row's source column, and the key that matches a row's time (column 1)
  // with an element's date: the day for daily tables, the time to the second otherwise.
  int sourceColumn = 3;
  std::function<vb::VbDate(vb::VbDate)> key;
  // The same key of an element, when it is not key(date) (may be empty).
  std::function<vb::VbDate(const SeriesPoint&)> elementKey;
  bool logProtectedDays = false;  // "mm/dd/yyyy" + "daily source 5 protected" in the log pane

  // Rule 8: true to leave the element out of the append.
  std::function<bool(WriterPass&, int32_t)> skip;
  // The new row's columns (column 0 the DSID, ..., and trace and run_id in a model-run pass).
  std::function<void(const WriterPass&, const SeriesPoint&, std::vector<vb::Variant>&)> fillRow;

  // Rule 9: the series kind whose alert this writer feeds (0 = none) and the feed itself.
  int16_t alertKind = 0;
  bool alertAfterFromTime = false;  // only elements later than AlertFromTime feed it
  std::function<void(WriterPass&, const SeriesPoint&)> feedAlert;

  // False to make the pass change nothing: no busy colour, no transaction, no delete, no rows; the
  // append still walks the elements for the hooks (the hourly chart with its box unticked).
  std::function<bool(const WriterPass&)> writing;
  // Hooks around the append, for the chart, the peak record and the like (may be empty):
  // afterAccepted sees every element the append takes, after its row was added when writing;
  // afterPass runs at the end of every pass that got past the trim, also one stopped by errors.
  std::function<void(WriterPass&)> beforeAppend;
  std::function<void(WriterPass&, int32_t)> afterRowAdded;
  std::function<void(WriterPass&, int32_t)> afterAccepted;
  std::function<void(WriterPass&)> afterPass;

  // Errors: the numbers counted as command errors, the limits, and the texts.
  std::vector<int32_t> commandErrorNumbers = {-2147217900, 3219};
  // Both kinds count in one counter: an error other than a faulty command ends the pass when the
  // counter reaches errorLimit, a faulty command when it passes commandErrorLimit.
  int errorLimit = 6;
  int commandErrorLimit = 10;
  std::function<std::string(const WriterPass&, const vb::Error&)> commandErrorLine;
  std::string rowErrorWord = " RDAY at Line ";
  std::string adoRowErrorTail;  // appended to an ADO row error's text (after a line feed)
  std::function<std::string(const WriterPass&, const vb::Error&)> rowErrorText;
};

// What a call did, for writers that report it.
struct WriteResult {
  bool wrote = false;    // a pass reached its end without being stopped by an error
  bool stopped = false;  // a pass ended at an error limit (and was undone)
  int passes = 0;
  int errors = 0;  // errors over the call, faulty commands included
};

// A SeriesWriter with the daily writer's rules in every hook; writers change what differs.
SeriesWriter dailyRules();

// Runs the writer. Never throws vb::Error: every error ends as a log line as the rules say.
WriteResult runSeriesWriter(Session& s, const SeriesWriter& w, const WriterArgs& args, WriterForm form);

// The sentence DAO writers add to their error line.
inline constexpr const char* kDaoErrorHint =
    "Changing ending retrieval date or deleting last day values for calculations with missing "
    "values may resolve this error (DAO).";

// Building blocks the writers share.
namespace writer {
// "rday where" or "mday where run_id=1 and trace=2 and ".
std::string tablePart(const WriterPass& p);
// The day of a date (time removed) and a date to the whole second: the two protection keys.
vb::VbDate dayKey(vb::VbDate d);
vb::VbDate timeKey(vb::VbDate d);
// The source a row gets: the element's own, or the default when it is 0.
int16_t sourceOf(const WriterPass& p, const SeriesPoint& e);
// Appends trace and run_id in a model-run pass.
void addModelRunColumns(const WriterPass& p, std::vector<vb::Variant>& row);
// The daily writer's ADO row error text: element date, DSID, the writer's word, index, text.
std::string elementErrorText(const WriterPass& p, const vb::Error& e);
}  // namespace writer

}  // namespace fw
