#!/usr/bin/env bash
# The main job: one batch run over the example program folder, then where its results went.
# The run works in a copy of example/ under the build folder (build/example), so the checkout
# stays clean; the database there is made from example/hdb_schema.sql when it is missing and kept
# from run to run, like a real program folder's. The example's sites (example/hdb_sites.sql) are
# put into it at every run. The services the station lines ask are answered from
# example/services/ by servers on 127.0.0.1 (one HTTP, one FTP for the irrigation network's
# files), started for the run and stopped after it.
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
# The local services: free ports, written into every server key of the copied setup file
# (scripts/point-services-local.sh) and into the sites whose station text names a server (a KiWIS
# line's).
SERVER_PIDS=()
stop_servers() {
  local pid
  for pid in "${SERVER_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  SERVER_PIDS=()
}
trap stop_servers EXIT
# start_server NAME PYTHON-ARGS...: starts $PYTHON (python3 by default) with the arguments and
# example/services, and sets PORT to the port the server prints, or to the empty text when it did
# not start within 30 s (a busy machine starts python slowly).
start_server() {
  local port_file="$HOME_DIR/services.$1.port" pid
  rm -f "$port_file"
  "${PYTHON:-python3}" "${@:2}" example/services > "$port_file" &
  pid=$!
  SERVER_PIDS+=("$pid")
  PORT=""
  for _ in $(seq 1 300); do
    PORT="$(head -n 1 "$port_file" 2>/dev/null || true)"
    [ -n "$PORT" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  rm -f "$port_file"
}
start_server http -S scripts/serve-folder.py
port="$PORT"
if [ -z "$port" ]; then
  echo "run: the local service for example/services/ did not start." >&2
  exit 1
fi
echo "run: example/services/ served on http://127.0.0.1:$port"
# The Debian package installs pyftpdlib for the system's python3, which another python3 earlier on
# the PATH may not see.
SYSTEM_PYTHON=python3
[ -x /usr/bin/python3 ] && SYSTEM_PYTHON=/usr/bin/python3
PYTHON="$SYSTEM_PYTHON" start_server ftp scripts/serve-ftp-folder.py
ftp_port="$PORT"
if [ -n "$ftp_port" ]; then
  echo "run: example/services/ served on ftp://127.0.0.1:$ftp_port"
else
  # The run goes on; the FTP line then fails as a bad station.
  echo "run: no FTP service (python3 with pyftpdlib is needed); the CIMIS line will find no data." >&2
fi
# Every service's server key, those the example's lines do not use included, points at the local
# servers: a history run over the example reaches no public host either.
scripts/point-services-local.sh "$HOME_DIR/Flumewright_setup.txt" "$port" "${ftp_port:-1}"
if [ -f "$DB" ] && [ -f example/hdb_sites.sql ]; then
  sed -E "s#http://127\.0\.0\.1:[0-9]+#http://127.0.0.1:$port#g" example/hdb_sites.sql | sqlite3 "$DB"
fi
LOG="$HOME_DIR/Flumewright_errlog.txt"
before=0
[ -f "$LOG" ] && before=$(wc -l < "$LOG")

# No window: the run is unattended and writes its complaints to the error log. It works in the
# program folder, so the files some lines leave in the working folder ("usbrLC.txt") stay there too.
set +e
EXE_PATH="$(pwd)/$EXE"
[ "${EXE:0:1}" = "/" ] && EXE_PATH="$EXE"
(cd "$HOME_DIR" && FLUMEWRIGHT_HOME="$HOME_DIR" QT_QPA_PLATFORM=offscreen "$EXE_PATH" BATCH)
status=$?
set -e
stop_servers

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
    echo "The program ended with status $status (build/flumewright --help lists the statuses)."
    exit $status
    ;;
esac
