#!/usr/bin/env bash
# Installs what Flumewright needs (Debian 12 packages) and builds it into build/.
# Idempotent: packages already present are not touched, and a configured build
# directory is only rebuilt.
#
#   scripts/setup.sh            install, configure, build
#   BUILD_DIR=build-asan CMAKE_ARGS=-DENABLE_SANITIZERS=ON scripts/setup.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Why each package is here:
#   build-essential cmake ninja-build pkg-config   the build
#   libgtest-dev libgmock-dev libbenchmark-dev     tests and benchmarks
#   libsqlite3-dev sqlite3                         the embedded HDB database
#   libpq-dev postgresql                           PostgreSQL as another HDB source, and its test cluster
#   libcurl4-openssl-dev                           web and FTP downloads, alert e-mail over SMTP
#   qt6-base-dev qt6-charts-dev                    the windows, images (QtGui) and the graph
#   libnetcdf-dev zlib1g-dev                       mesonet netCDF files, compressed downloads
#   libcpp-httplib-dev nlohmann-json3-dev          the tests' local HTTP server; JSON replies (the USGS Water Data API)
#   python3-pyftpdlib                              the tests' local FTP server
#   python3-aiosmtpd                               the tests' local SMTP server (alert e-mail)
#   xvfb                                           a display for window screenshots
#   clang libclang-rt-14-dev                       libFuzzer targets of the script evaluator
#   ccache                                         rebuilds in several checkouts share compiled objects
#   p7zip-full                                     7za unpacks the MADIS mesonet hours (started as a program)
#   libzip-dev libexpat1-dev                       reading .xlsx workbook databases (a zip of XML parts)
#   libxlsxwriter-dev                              writing .xlsx workbook databases back
#   libqt6opengl6-dev libgl-dev                    Qt Charts' CMake package requires Qt OpenGL's
#   xdg-utils                                      xdg-open: folders, help pages and files in the desktop's programs
#   fonts-dejavu-core                              a font for the chart's and windows' text without a desktop
PACKAGES=(build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 libpq-dev postgresql
  libcurl4-openssl-dev qt6-base-dev qt6-charts-dev
  libnetcdf-dev zlib1g-dev libcpp-httplib-dev nlohmann-json3-dev
  python3-pyftpdlib xvfb clang libclang-rt-14-dev ccache
  python3-aiosmtpd
  p7zip-full
  libzip-dev libexpat1-dev libxlsxwriter-dev
  libqt6opengl6-dev libgl-dev xdg-utils fonts-dejavu-core)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR="${BUILD_DIR:-build}"
GENERATOR=()
if command -v ninja >/dev/null 2>&1; then GENERATOR=(-G Ninja); fi
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086
  cmake -S . -B "$BUILD_DIR" "${GENERATOR[@]}" ${CMAKE_ARGS:-}
fi
# JOBS (from the Makefile, or the environment) sets the parallel compile jobs; the machine's
# processors by default.
JOBS="${JOBS:-$(nproc)}"
if ! cmake --build "$BUILD_DIR" -j"$JOBS"; then
  # A compiler killed for want of memory or disk leaves no message of its own: say what the
  # machine had, then build once more with fewer jobs so that a real error shows by itself.
  echo "setup.sh: the build failed; the machine has:" >&2
  df -h "$BUILD_DIR" >&2 || true
  free -m >&2 || true
  cmake --build "$BUILD_DIR" -j2
fi
