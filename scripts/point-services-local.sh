#!/usr/bin/env bash
# Points every service's "<Service> Server=" key of a setup file at local servers on 127.0.0.1, so a
# run over it (a history run too) reaches no public host. A key the file holds is rewritten in
# place; a key it lacks is added before the "Database Connection String=" line. The FTP service
# (the irrigation network's) gets the FTP port; without one it is pointed at port 1 of 127.0.0.1,
# where its line then finds no server.
#
# Usage: scripts/point-services-local.sh SETUP_FILE HTTP_PORT [FTP_PORT]
#
# The list is the program's table of services (src/retrieval/service_servers.cpp); the program
# tests check that every key of that table is written here.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 SETUP_FILE HTTP_PORT [FTP_PORT]" >&2
  exit 2
fi
SETUP="$1"
HTTP_PORT="$2"
FTP_PORT="${3:-1}"

HTTP_SERVICES=("USGS" "USGS Legacy" "USGS Water Data" "SNOTEL" "SNOTEL Pages" "COE" "AFWS" "Iowa Mesonet" "Wunderground"
  "MesoWest" "Synoptic" "MADIS" "CDEC" "Hydromet" "Lower Colorado" "Canada Datamart" "NWPS"
  "NWS Forecast" "SpotWx" "Snowcast" "IEM" "MRMS" "NWS Radar" "Canada Radar" "Aviation Weather")
FTP_SERVICES=("CIMIS")

keys=()
for s in "${HTTP_SERVICES[@]}"; do keys+=("$s Server=http://127.0.0.1:$HTTP_PORT"); done
for s in "${FTP_SERVICES[@]}"; do keys+=("$s Server=ftp://127.0.0.1:$FTP_PORT"); done

# awk gets the wanted lines one per line; the file keeps its CR LF line ends.
printf '%s\n' "${keys[@]}" | awk -v setup="$SETUP" '
  BEGIN { n = 0 }
  { want[++n] = $0; key = toupper(substr($0, 1, index($0, "=") - 1)); byKey[key] = n }
  END {
    out = ""
    while ((getline line < setup) > 0) {
      sub(/\r$/, "", line)
      if (substr(line, 1, 3) == "END") ended = 1
      if (ended) { out = out line "\r\n"; continue }
      eq = index(line, "=")
      k = eq > 0 ? toupper(line) : ""
      if (eq > 0) { k = substr(k, 1, eq - 1); gsub(/^[ \t]+|[ \t]+$/, "", k) }
      if (k in byKey) {
        if (!(k in done)) { out = out want[byKey[k]] "\r\n"; done[k] = 1 }
        continue
      }
      if (k == "DATABASE CONNECTION STRING") {
        for (i = 1; i <= n; i++) {
          wk = toupper(substr(want[i], 1, index(want[i], "=") - 1))
          if (!(wk in done)) { out = out want[i] "\r\n"; done[wk] = 1 }
        }
      }
      out = out line "\r\n"
    }
    close(setup)
    # No connection line: the keys go first.
    for (i = 1; i <= n; i++) {
      wk = toupper(substr(want[i], 1, index(want[i], "=") - 1))
      if (!(wk in done)) { out = want[i] "\r\n" out; done[wk] = 1 }
    }
    printf "%s", out > setup
  }'
