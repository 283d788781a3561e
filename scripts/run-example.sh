#!/usr/bin/env bash
# The main job: one batch run over the example program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
if [ ! -x "$BUILD_DIR/flumewright" ]; then
  echo "run: the flumewright program is not built yet; the core library and tests are."
  exit 0
fi
exec "$BUILD_DIR/flumewright" BATCH
