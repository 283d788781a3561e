-- The HDB tables for a PostgreSQL server: the same tables, column order and unique keys as
-- hdb_schema.sql (the SQLite form). The program addresses columns by position, so the column
-- order is part of the format. Dates are timestamp(0) columns (whole seconds); the program sets
-- DateStyle to 'ISO, MDY' on its connections. The program creates nothing on a server: load this
-- file once into an empty database, for example with scripts/load_hdb_schema_postgres.sh.

-- Value tables: one row per series and time.
CREATE TABLE rday (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,  -- the day at 00:00
  value double precision,
  source smallint,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE rhour (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,
  source smallint,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE runit (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,
  source smallint,
  UNIQUE (datatype_site_id, date_time)
);
CREATE TABLE runitshift (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,   -- the rating shift
  source smallint,
  UNIQUE (datatype_site_id, date_time)
);

-- Daily extremes: the day, and the time the extreme was reached.
CREATE TABLE rdaymax (
  datatype_site_id integer NOT NULL,
  date timestamp(0) NOT NULL,
  date_time timestamp(0),
  value double precision,
  source smallint,
  UNIQUE (datatype_site_id, date)
);
CREATE TABLE rdaymin (
  datatype_site_id integer NOT NULL,
  date timestamp(0) NOT NULL,
  date_time timestamp(0),
  value double precision,
  source smallint,
  UNIQUE (datatype_site_id, date)
);

-- Model-run twins: the same columns, then trace and run_id.
CREATE TABLE mday (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,
  source smallint,
  trace smallint NOT NULL,
  run_id smallint NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE mhour (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,
  source smallint,
  trace smallint NOT NULL,
  run_id smallint NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE munit (
  datatype_site_id integer NOT NULL,
  date_time timestamp(0) NOT NULL,
  value double precision,
  source smallint,
  trace smallint NOT NULL,
  run_id smallint NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date_time)
);
CREATE TABLE mdaymax (
  datatype_site_id integer NOT NULL,
  date timestamp(0) NOT NULL,
  date_time timestamp(0),
  value double precision,
  source smallint,
  trace smallint NOT NULL,
  run_id smallint NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date)
);
CREATE TABLE mdaymin (
  datatype_site_id integer NOT NULL,
  date timestamp(0) NOT NULL,
  date_time timestamp(0),
  value double precision,
  source smallint,
  trace smallint NOT NULL,
  run_id smallint NOT NULL,
  UNIQUE (run_id, trace, datatype_site_id, date)
);

-- One row per model run.
CREATE TABLE mrun (
  run_id smallint NOT NULL,
  run_date timestamp(0),        -- the run's start time; runs are listed newest first by it
  first_date timestamp(0),      -- the date the run's writer hands over (its first value's)
  traces smallint,          -- the trace last written
  dsid text,                -- the DSID of the station line
  kind text,                -- "Run", "Mrun" or "What If"
  description text,
  UNIQUE (run_id)
);

-- One row per model run, trace and series.
CREATE TABLE mrundsid (
  run_id smallint NOT NULL,
  trace smallint NOT NULL,
  datatype_site_id integer NOT NULL,
  coefficient double precision,         -- the varied coefficient's value (0 when none)
  caption text,             -- run time text or the coefficient's caption
  saved smallint,           -- always 1
  note text,                -- at most its last 255 characters
  start_note text,
  UNIQUE (run_id, trace, datatype_site_id)
);

-- The last update of each series; row 0 is the program's last run, row -1 the last runoff computation.
CREATE TABLE rupdate (
  datatype_site_id integer NOT NULL,
  note text,                -- at most 98 characters
  updated timestamp(0),
  value double precision,
  UNIQUE (datatype_site_id)
);

-- One row per series: site and parameter. Position 11 (the hour shift) is read only when the table
-- has more than 12 columns, hence the notes column after it.
CREATE TABLE rsite (
  site_id text,             -- the site number, "0" to "999"
  datatype_site_id integer NOT NULL,
  site_name text,
  datatype_id integer,
  datatype_name text,
  unit text,
  unit_name text,
  parameter_code text,      -- parameter codes, or the input DSIDs of a computation
  source text,              -- the station code or keyword
  site_digit integer,
  state text,
  hour_shift double precision,
  notes text,
  UNIQUE (datatype_site_id)
);
