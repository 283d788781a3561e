#!/bin/sh
# Loads the HDB tables (example/hdb_schema_postgres.sql) into an empty PostgreSQL database, all or
# nothing. flumewright itself creates nothing on a server.
#
# Usage: scripts/load_hdb_schema_postgres.sh CONNINFO
#   CONNINFO is what psql takes for -d: "host=db.example.org port=5432 dbname=hdb user=hydro" or
#   "postgresql://hydro@db.example.org:5432/hdb". psql asks for the password (or reads ~/.pgpass or
#   PGPASSWORD). Make the database first, e.g. createdb -h db.example.org -U hydro hdb.
set -eu
if [ $# -ne 1 ]; then
  echo "usage: $0 CONNINFO   (e.g. \"host=127.0.0.1 port=5432 dbname=hdb user=hydro\")" >&2
  exit 2
fi
here=$(dirname "$0")
exec psql -X -v ON_ERROR_STOP=1 --single-transaction -d "$1" -f "$here/../example/hdb_schema_postgres.sql"
