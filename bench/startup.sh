#!/usr/bin/env bash
# Start-up of the program to a shown window, as wall time of the whole process (10 runs), with
# its peak resident memory. Runs on the current display, or on a virtual one started here.
#   bench/startup.sh [BUILD_DIR]
set -euo pipefail
probe=${1:-build}/bench/startup_probe
if [[ -z "${DISPLAY:-}" ]]; then
  Xvfb :97 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb' EXIT
  export DISPLAY=:97
  sleep 1
fi
for _ in $(seq 10); do
  /usr/bin/time -f "%e s  %M KB" "$probe" 2>&1 >/dev/null | tail -n 1
done
