-- The HDB tables in SQLite form. The program addresses columns by position, so the column order
-- here is part of the format. Dates are REAL day numbers (days since 1899-12-30, time of day as
-- the fraction) rounded to whole seconds; the database layer reads every DATE/DATETIME column as
-- a date. The unique keys let the engine refuse a duplicate row, as the series writers expect.

-- Value tables: one row per series and time.
CREATE TABLE rday (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,  -- the day at 00:00
  value REAL,
  source SMALLINT,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE rhour (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,
  source SMALLINT,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE runit (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,
  source SMALLINT,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE runitshift (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,   -- the rating shift
  source SMALLINT,
  UNIQUE (datatype_site_id, date_time)
);

-- Daily extremes: the day, and the time the extreme was reached.
CREATE TABLE rdaymax (
  datatype_site_id INTEGER NOT NULL,
  date DATE NOT NULL,
  date_time DATETIME,
  value REAL,
  source SMALLINT,
  UNIQUE (datatype_site_id, date)
);
CREATE TABLE rdaymin (
  datatype_site_id INTEGER NOT NULL,
  date DATE NOT NULL,
  date_time DATETIME,
  value REAL,
  source SMALLINT,
  UNIQUE (datatype_site_id, date)
);

-- Model-run twins: the same columns, then trace and run_id.
CREATE TABLE mday (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,
  source SMALLINT,
  trace SMALLINT NOT NULL,
  run_id SMALLINT NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE mhour (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,
  source SMALLINT,
  trace SMALLINT NOT NULL,
  run_id SMALLINT NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE munit (
  datatype_site_id INTEGER NOT NULL,
  date_time DATETIME NOT NULL,
  value REAL,
  source SMALLINT,
  trace SMALLINT NOT NULL,
  run_id SMALLINT NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE mdaymax (
  datatype_site_id INTEGER NOT NULL,
  date DATE NOT NULL,
  date_time DATETIME,
  value REAL,
  source SMALLINT,
  trace SMALLINT NOT NULL,
  run_id SMALLINT NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date)
);
CREATE TABLE mdaymin (
  datatype_site_id INTEGER NOT NULL,
  date DATE NOT NULL,
  date_time DATETIME,
  value REAL,
  source SMALLINT,
  trace SMALLINT NOT NULL,
  run_id SMALLINT NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date)
);

-- One row per model run.
CREATE TABLE mrun (
  run_id SMALLINT NOT NULL,
  run_date DATETIME,        -- the run's start time; runs are listed newest first by it
  first_date DATETIME,      -- the date the run's writer hands over (its first value's)
  traces SMALLINT,          -- the trace last written
  dsid TEXT,                -- the DSID of the station line
  kind TEXT,                -- "Run", "Mrun" or "What If"
  description TEXT,
  UNIQUE (run_id)
);

-- One row per model run, trace and series.
CREATE TABLE mrundsid (
  run_id SMALLINT NOT NULL,
  trace SMALLINT NOT NULL,
  datatype_site_id INTEGER NOT NULL,
  coefficient REAL,         -- the varied coefficient's value (0 when none)
  caption TEXT,             -- run time text or the coefficient's caption
  saved SMALLINT,           -- always 1
  note TEXT,                -- at most its last 255 characters
  start_note TEXT,
  UNIQUE (run_id, trace, datatype_site_id)
);

-- The last update of each series; row 0 is the program's last run, row -1 the last runoff computation.
CREATE TABLE rupdate (
  datatype_site_id INTEGER NOT NULL,
  note TEXT,                -- at most 98 characters
  updated DATETIME,
  value REAL,
  UNIQUE (datatype_site_id)
);

-- One row per series: site and parameter. Position 11 (the hour shift) is read only when the table
-- has more than 12 columns, hence the notes column after it.
CREATE TABLE rsite (
  site_id TEXT,             -- the site number, "0" to "999"
  datatype_site_id INTEGER NOT NULL,
  site_name TEXT,
  datatype_id INTEGER,
  datatype_name TEXT,
  unit TEXT,
  unit_name TEXT,
  parameter_code TEXT,      -- parameter codes, or the input DSIDs of a computation
  source TEXT,              -- the station code or keyword
  site_digit INTEGER,
  state TEXT,
  hour_shift REAL,
  notes TEXT,
  UNIQUE (datatype_site_id)
);
