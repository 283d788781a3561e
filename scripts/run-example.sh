#!/usr/bin/env bash
# The main job: one batch run over the example program folder, then where its results went.
# The run works in a copy of example/ under the build folder (build/example), so the checkout
# stays clean; the database there is made from example/hdb_schema.sql when it is missing and kept
# from run to run, like a real program folder's. The example's sites (example/hdb_sites.sql) are
# put into it at every run. The services the station lines ask are answered from
# example/services/ by a server on 127.0.0.1, started for the run and stopped after it.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
EXE="$BUILD_DIR/flumewright"
if [ ! -x "$EXE" ]; then
  echo "run: $EXE is missing; build it with 'make build'." >&2
  exit 1
fi

HOME_DIR="$(pwd)/$BUILD_DIR/example"
mkdir -p "$HOME_DIR"
# The setup file and its companion files, fresh from the checkout at every run.
for f in example/*; do
  case "$(basename "$f")" in
    hdb_schema.sql | hdb_sites.sql | services | *.db | Flumewright_errlog.txt | BatchBackup) ;;
    *) cp -r "$f" "$HOME_DIR/" ;;
  esac
done
DB="$HOME_DIR/Flumewright_HDB.db"
if [ ! -f "$DB" ] && [ -f example/hdb_schema.sql ]; then
  sqlite3 "$DB" < example/hdb_schema.sql
  echo "run: made the database $DB from example/hdb_schema.sql"
fi
if [ -f "$DB" ] && [ -f example/hdb_sites.sql ]; then
  sqlite3 "$DB" < example/hdb_sites.sql
fi

# The local service: a free port, written into the copied setup file's server keys.
SERVER_PID=""
stop_server() {
  if [ -n "$SERVER_PID" ]; then
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    SERVER_PID=""
  fi
}
trap stop_server EXIT
PORT_FILE="$HOME_DIR/services.port"
rm -f "$PORT_FILE"
python3 -S scripts/serve-folder.py example/services > "$PORT_FILE" &
SERVER_PID=$!
port=""
for _ in $(seq 1 300); do  # up to 30 s: a busy machine starts python slowly
  port="$(head -n 1 "$PORT_FILE" 2>/dev/null || true)"
  [ -n "$port" ] && break
  if ! kill -0 "$SERVER_PID" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "run: the local service for example/services/ did not start." >&2
  exit 1
fi
rm -f "$PORT_FILE"
sed -i -E "s#^([A-Za-z ]+ Server=http://127\.0\.0\.1):[0-9]+#\1:$port#" "$HOME_DIR/Flumewright_setup.txt"
echo "run: example/services/ served on http://127.0.0.1:$port"
LOG="$HOME_DIR/Flumewright_errlog.txt"
before=0
[ -f "$LOG" ] && before=$(wc -l < "$LOG")

# No window: the run is unattended and writes its complaints to the error log.
set +e
FLUMEWRIGHT_HOME="$HOME_DIR" QT_QPA_PLATFORM=offscreen "$EXE" BATCH
status=$?
set -e
stop_server

echo
echo "Program folder: $HOME_DIR"
echo "Error log:      $LOG  (this run's lines below)"
if [ -f "$LOG" ]; then tail -n +"$((before + 1))" "$LOG" | tr -d '\r' | sed 's/^/    /'; fi
if [ -f "$DB" ]; then
  echo "Database:       $DB"
  for t in runit rhour rday rdaymax rdaymin runitshift rupdate; do
    n=$(sqlite3 "$DB" "select count(*) from $t;" 2>/dev/null || echo "-")
    echo "    $t: $n rows"
  done
fi
# A cancelled run is an outcome of the job, not a failure of it; anything else is.
case $status in
  0) echo "The run finished." ;;
  1) echo "The run was cancelled (exit status 1): see the error log." ;;
  *)
    echo "The program ended with status $status."
    exit $status
    ;;
esac
