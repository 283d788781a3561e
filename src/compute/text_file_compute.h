#pragma once
// FILE lines: one column of a delimited text file some other program writes (a logger export, a
// spreadsheet saved as text), the rows inside the run's window, handed back through
// "wunderin.txt".
#include "run/run_services.h"

namespace fw::compute {

// Station id "FILE-n" (n the data column from 1), parameter code the file's path, DateLayout the
// date layout ("DD/MM/YY,1": day first, "/" dates, date column 1). WindDirSeries in; WindDegrees
// out: a kept value is nonzero. Error empty on success.
void computefromtextfile(Session& s, SourceCall& c);

}  // namespace fw::compute
